// kovel_camera_msgs/srv/GetDeviceInfo: the description of the camera device.
#ifndef KOVEL_CAMERA_MSGS__SRV__DETAIL__GET_DEVICE_INFO__STRUCT_H_
#define KOVEL_CAMERA_MSGS__SRV__DETAIL__GET_DEVICE_INFO__STRUCT_H_

#include <stdbool.h>
#include <stdint.h>

#include "rosidl_runtime_c/string.h"
#include "kovel_camera_msgs/msg/detail/device_info__struct.h"

/// The request is empty; a placeholder octet stands for it.
typedef struct kovel_camera_msgs__srv__GetDeviceInfo_Request
{
  uint8_t structure_needs_at_least_one_member;
} kovel_camera_msgs__srv__GetDeviceInfo_Request;

typedef struct kovel_camera_msgs__srv__GetDeviceInfo_Response
{
  kovel_camera_msgs__msg__DeviceInfo info;
  bool success;
  rosidl_runtime_c__String message;
} kovel_camera_msgs__srv__GetDeviceInfo_Response;

#endif  // KOVEL_CAMERA_MSGS__SRV__DETAIL__GET_DEVICE_INFO__STRUCT_H_
