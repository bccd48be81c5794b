// kovel_camera_msgs/msg/Metadata: a header and an opaque JSON text.
#ifndef KOVEL_CAMERA_MSGS__MSG__DETAIL__METADATA__STRUCT_H_
#define KOVEL_CAMERA_MSGS__MSG__DETAIL__METADATA__STRUCT_H_

#include "rosidl_runtime_c/string.h"
#include "std_msgs/msg/detail/header__struct.h"

typedef struct kovel_camera_msgs__msg__Metadata
{
  std_msgs__msg__Header header;
  /// Carried as a plain text, never parsed.
  rosidl_runtime_c__String json_data;
} kovel_camera_msgs__msg__Metadata;

#endif  // KOVEL_CAMERA_MSGS__MSG__DETAIL__METADATA__STRUCT_H_
