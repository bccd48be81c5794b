// kovel_camera_msgs/srv/GetCameraParams: the left and right cameras' parameters.
#ifndef KOVEL_CAMERA_MSGS__SRV__DETAIL__GET_CAMERA_PARAMS__STRUCT_H_
#define KOVEL_CAMERA_MSGS__SRV__DETAIL__GET_CAMERA_PARAMS__STRUCT_H_

#include <stdbool.h>
#include <stdint.h>

#include "rosidl_runtime_c/string.h"

/// The request is empty; a placeholder octet stands for it.
typedef struct kovel_camera_msgs__srv__GetCameraParams_Request
{
  uint8_t structure_needs_at_least_one_member;
} kovel_camera_msgs__srv__GetCameraParams_Request;

typedef struct kovel_camera_msgs__srv__GetCameraParams_Response
{
  /// Left camera intrinsic values.
  float l_intr_p[4];
  /// Right camera intrinsic values.
  float r_intr_p[4];
  /// Right-to-left rotation, 3 x 3.
  float r2l_r[9];
  /// Right-to-left translation.
  float r2l_t[3];
  /// Left camera distortion coefficients.
  float l_k[5];
  /// Right camera distortion coefficients.
  float r_k[5];
  bool success;
  rosidl_runtime_c__String message;
} kovel_camera_msgs__srv__GetCameraParams_Response;

#endif  // KOVEL_CAMERA_MSGS__SRV__DETAIL__GET_CAMERA_PARAMS__STRUCT_H_
