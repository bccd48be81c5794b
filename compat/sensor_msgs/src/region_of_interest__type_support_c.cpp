// Fast-CDR C type support of sensor_msgs/msg/RegionOfInterest: four uint32, one bool.
#include "sensor_msgs/msg/detail/region_of_interest__rosidl_typesupport_fastrtps_c.h"
#include "sensor_msgs/msg/detail/region_of_interest__struct.h"
#include "type_support_frame.hpp"

using namespace kovel_camera_msgs_rules;  // NOLINT
using _RegionOfInterest__ros_msg_type = sensor_msgs__msg__RegionOfInterest;

static bool _RegionOfInterest__cdr_serialize(const void * untyped_ros_message, Cdr & cdr)
{
  auto * m = record_or_report<const _RegionOfInterest__ros_msg_type>(untyped_ros_message);
  MessageStream out(cdr);
  return m &&
         write_int32(m->x_offset, out) &&
         write_int32(m->y_offset, out) &&
         write_int32(m->height, out) &&
         write_int32(m->width, out) &&
         write_boolean(m->do_rectify, out);
}

static bool _RegionOfInterest__cdr_deserialize(Cdr & cdr, void * untyped_ros_message)
{
  auto * m = record_or_report<_RegionOfInterest__ros_msg_type>(untyped_ros_message);
  MessageStream in(cdr);
  return m &&
         read_int32(in, m->x_offset) &&
         read_int32(in, m->y_offset) &&
         read_int32(in, m->height) &&
         read_int32(in, m->width) &&
         read_boolean(in, m->do_rectify);
}

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
  c += max_int32(c);  // x_offset
  c += max_int32(c);  // y_offset
  c += max_int32(c);  // height
  c += max_int32(c);  // width
  c += max_boolean(c);  // do_rectify
  return c - current_alignment;
}

ROSIDL_FASTRTPS_C_MESSAGE_FRAME(sensor_msgs, msg, RegionOfInterest)

static const struct BindRegionOfInterest
{
  BindRegionOfInterest()
  {
    _RegionOfInterest__type_support.typesupport_identifier =
      rosidl_typesupport_fastrtps_c__identifier;
  }
} bind_region_of_interest;
