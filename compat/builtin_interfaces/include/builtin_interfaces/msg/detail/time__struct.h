// Stand-in for the ROS 2 package builtin_interfaces: the Time record.
#ifndef BUILTIN_INTERFACES__MSG__DETAIL__TIME__STRUCT_H_
#define BUILTIN_INTERFACES__MSG__DETAIL__TIME__STRUCT_H_

#include <stdint.h>

typedef struct builtin_interfaces__msg__Time
{
  int32_t sec;
  uint32_t nanosec;
} builtin_interfaces__msg__Time;

#endif  // BUILTIN_INTERFACES__MSG__DETAIL__TIME__STRUCT_H_
