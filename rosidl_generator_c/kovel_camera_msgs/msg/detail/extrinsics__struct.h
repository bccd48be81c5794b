// kovel_camera_msgs/msg/Extrinsics: a header, a 3 x 3 rotation and a translation.
#ifndef KOVEL_CAMERA_MSGS__MSG__DETAIL__EXTRINSICS__STRUCT_H_
#define KOVEL_CAMERA_MSGS__MSG__DETAIL__EXTRINSICS__STRUCT_H_

#include "std_msgs/msg/detail/header__struct.h"

typedef struct kovel_camera_msgs__msg__Extrinsics
{
  std_msgs__msg__Header header;
  double rotation[9];
  double translation[3];
} kovel_camera_msgs__msg__Extrinsics;

#endif  // KOVEL_CAMERA_MSGS__MSG__DETAIL__EXTRINSICS__STRUCT_H_
