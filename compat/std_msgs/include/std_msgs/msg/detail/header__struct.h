// Stand-in for the ROS 2 package std_msgs: the Header record.
#ifndef STD_MSGS__MSG__DETAIL__HEADER__STRUCT_H_
#define STD_MSGS__MSG__DETAIL__HEADER__STRUCT_H_

#include "builtin_interfaces/msg/detail/time__struct.h"
#include "rosidl_runtime_c/string.h"

typedef struct std_msgs__msg__Header
{
  builtin_interfaces__msg__Time stamp;
  rosidl_runtime_c__String frame_id;
} std_msgs__msg__Header;

#endif  // STD_MSGS__MSG__DETAIL__HEADER__STRUCT_H_
