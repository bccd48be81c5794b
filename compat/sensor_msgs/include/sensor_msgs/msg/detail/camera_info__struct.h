// Stand-in for the ROS 2 package sensor_msgs: the CameraInfo record.
#ifndef SENSOR_MSGS__MSG__DETAIL__CAMERA_INFO__STRUCT_H_
#define SENSOR_MSGS__MSG__DETAIL__CAMERA_INFO__STRUCT_H_

#include <stdint.h>

#include "rosidl_runtime_c/primitives_sequence.h"
#include "rosidl_runtime_c/string.h"
#include "sensor_msgs/msg/detail/region_of_interest__struct.h"
#include "std_msgs/msg/detail/header__struct.h"

typedef struct sensor_msgs__msg__CameraInfo
{
  std_msgs__msg__Header header;
  uint32_t height;
  uint32_t width;
  rosidl_runtime_c__String distortion_model;
  rosidl_runtime_c__double__Sequence d;
  double k[9];
  double r[9];
  double p[12];
  uint32_t binning_x;
  uint32_t binning_y;
  sensor_msgs__msg__RegionOfInterest roi;
} sensor_msgs__msg__CameraInfo;

#endif  // SENSOR_MSGS__MSG__DETAIL__CAMERA_INFO__STRUCT_H_
