// Fast-CDR C type support of sensor_msgs/msg/RegionOfInterest: four uint32, one bool.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include <fastcdr/Cdr.h>

#include "rosidl_typesupport_fastrtps_c/identifier.h"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"
#include "sensor_msgs/msg/detail/region_of_interest__rosidl_typesupport_fastrtps_c.h"
#include "sensor_msgs/msg/detail/region_of_interest__struct.h"

using eprosima::fastcdr::Cdr;

namespace
{

using RegionOfInterest = sensor_msgs__msg__RegionOfInterest;

// One write, so that lines of concurrent callers never interleave.
void report(const char * text)
{
  fwrite(text, 1, strlen(text), stderr);
}

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

namespace
{

uint32_t get_serialized_size(const void * untyped_ros_message)
{
  const size_t size =
    get_serialized_size_sensor_msgs__msg__RegionOfInterest(untyped_ros_message, 0);
  return size < UINT32_MAX ? static_cast<uint32_t>(size) : UINT32_MAX;
}

size_t max_serialized_size(bool & full_bounded)
{
  return max_serialized_size_sensor_msgs__msg__RegionOfInterest(full_bounded, 0);
}

const message_type_support_callbacks_t callbacks = {
  "sensor_msgs::msg", "RegionOfInterest",
  cdr_serialize, cdr_deserialize, get_serialized_size, max_serialized_size};

// The identifier lives in another library: the handle takes it when this one is loaded.
rosidl_message_type_support_t type_support = {
  rosidl_typesupport_fastrtps_c__identifier, &callbacks, get_message_typesupport_handle_function};

}  // namespace

const rosidl_message_type_support_t *
ROSIDL_TYPESUPPORT_INTERFACE__MESSAGE_SYMBOL_NAME(
  rosidl_typesupport_fastrtps_c, sensor_msgs, msg, RegionOfInterest)()
{
  return &type_support;
}
