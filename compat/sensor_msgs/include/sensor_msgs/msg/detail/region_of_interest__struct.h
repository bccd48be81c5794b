// Stand-in for the ROS 2 package sensor_msgs: the RegionOfInterest record.
#ifndef SENSOR_MSGS__MSG__DETAIL__REGION_OF_INTEREST__STRUCT_H_
#define SENSOR_MSGS__MSG__DETAIL__REGION_OF_INTEREST__STRUCT_H_

#include <stdbool.h>
#include <stdint.h>

typedef struct sensor_msgs__msg__RegionOfInterest
{
  uint32_t x_offset;
  uint32_t y_offset;
  uint32_t height;
  uint32_t width;
  bool do_rectify;
} sensor_msgs__msg__RegionOfInterest;

#endif  // SENSOR_MSGS__MSG__DETAIL__REGION_OF_INTEREST__STRUCT_H_
