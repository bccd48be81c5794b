// Fast-CDR C type support of sensor_msgs/msg/RegionOfInterest: four uint32, one bool.
#include <cstdint>
#include <cstring>

#include <fastcdr/Cdr.h>

#include "rosidl_typesupport_fastrtps_c/standin_type_support.hpp"
#include "sensor_msgs/msg/detail/region_of_interest__rosidl_typesupport_fastrtps_c.h"
#include "sensor_msgs/msg/detail/region_of_interest__struct.h"

using eprosima::fastcdr::Cdr;
using rosidl_typesupport_fastrtps_c_standin::report;

namespace
{

using RegionOfInterest = sensor_msgs__msg__RegionOfInterest;

bool cdr_serialize(const void * untyped_ros_message, Cdr & cdr)
{
  if (untyped_ros_message == nullptr) {
    report("ros message handle is null\n");
    return false;
  }
  const auto * m = static_cast<const RegionOfInterest *>(untyped_ros_message);
  cdr << m->x_offset;
  cdr << m->y_offset;
  cdr << m->height;
  cdr << m->width;
  // The record's byte is tested, not its bool value: a byte other than 0 or 1 read as a
  // bool is undefined and might go out unchanged.
  uint8_t do_rectify = 0;
  memcpy(&do_rectify, &m->do_rectify, 1);
  cdr << static_cast<bool>(do_rectify != 0);
  return true;
}

bool cdr_deserialize(Cdr & cdr, void * untyped_ros_message)
{
  if (untyped_ros_message == nullptr) {
    report("ros message handle is null\n");
    return false;
  }
  auto * m = static_cast<RegionOfInterest *>(untyped_ros_message);
  cdr >> m->x_offset;
  cdr >> m->y_offset;
  cdr >> m->height;
  cdr >> m->width;
  // Read as a byte: any non-zero byte is true (Fast-CDR's bool read rejects all but 0 and 1).
  uint8_t do_rectify = 0;
  cdr >> do_rectify;
  m->do_rectify = do_rectify != 0;
  return true;
}

}  // namespace

size_t get_serialized_size_sensor_msgs__msg__RegionOfInterest(
  const void *, size_t current_alignment)
{
  bool full_bounded = true;
  return max_serialized_size_sensor_msgs__msg__RegionOfInterest(full_bounded, current_alignment);
}

size_t max_serialized_size_sensor_msgs__msg__RegionOfInterest(
  bool &, size_t current_alignment)
{
  size_t c = current_alignment;
  c += 4 + Cdr::alignment(c, 4);  // x_offset
  c += 4 + Cdr::alignment(c, 4);  // y_offset
  c += 4 + Cdr::alignment(c, 4);  // height
  c += 4 + Cdr::alignment(c, 4);  // width
  c += 1;  // do_rectify
  return c - current_alignment;
}

ROSIDL_TYPESUPPORT_FASTRTPS_C_STANDIN_MESSAGE(sensor_msgs, RegionOfInterest)
