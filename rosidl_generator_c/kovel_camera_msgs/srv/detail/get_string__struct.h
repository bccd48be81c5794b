// kovel_camera_msgs/srv/GetString: one text from the camera driver.
#ifndef KOVEL_CAMERA_MSGS__SRV__DETAIL__GET_STRING__STRUCT_H_
#define KOVEL_CAMERA_MSGS__SRV__DETAIL__GET_STRING__STRUCT_H_

#include <stdbool.h>
#include <stdint.h>

#include "rosidl_runtime_c/string.h"

/// The request is empty; a placeholder octet stands for it.
typedef struct kovel_camera_msgs__srv__GetString_Request
{
  uint8_t structure_needs_at_least_one_member;
} kovel_camera_msgs__srv__GetString_Request;

typedef struct kovel_camera_msgs__srv__GetString_Response
{
  rosidl_runtime_c__String data;
  bool success;
  rosidl_runtime_c__String message;
} kovel_camera_msgs__srv__GetString_Response;

#endif  // KOVEL_CAMERA_MSGS__SRV__DETAIL__GET_STRING__STRUCT_H_
