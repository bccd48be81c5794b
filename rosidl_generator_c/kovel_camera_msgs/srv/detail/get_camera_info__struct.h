// kovel_camera_msgs/srv/GetCameraInfo: a camera's description in the standard sensor_msgs form.
#ifndef KOVEL_CAMERA_MSGS__SRV__DETAIL__GET_CAMERA_INFO__STRUCT_H_
#define KOVEL_CAMERA_MSGS__SRV__DETAIL__GET_CAMERA_INFO__STRUCT_H_

#include <stdbool.h>
#include <stdint.h>

#include "rosidl_runtime_c/string.h"
#include "sensor_msgs/msg/detail/camera_info__struct.h"

/// The request is empty; a placeholder octet stands for it.
typedef struct kovel_camera_msgs__srv__GetCameraInfo_Request
{
  uint8_t structure_needs_at_least_one_member;
} kovel_camera_msgs__srv__GetCameraInfo_Request;

typedef struct kovel_camera_msgs__srv__GetCameraInfo_Response
{
  sensor_msgs__msg__CameraInfo info;
  bool success;
  rosidl_runtime_c__String message;
} kovel_camera_msgs__srv__GetCameraInfo_Response;

#endif  // KOVEL_CAMERA_MSGS__SRV__DETAIL__GET_CAMERA_INFO__STRUCT_H_
