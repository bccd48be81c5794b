// Fast-CDR C type support of builtin_interfaces/msg/Time: int32 sec, uint32 nanosec.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include <fastcdr/Cdr.h>

#include "builtin_interfaces/msg/detail/time__rosidl_typesupport_fastrtps_c.h"
#include "builtin_interfaces/msg/detail/time__struct.h"
#include "rosidl_typesupport_fastrtps_c/identifier.h"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"

using eprosima::fastcdr::Cdr;

namespace
{

using Time = builtin_interfaces__msg__Time;

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
  const auto * m = static_cast<const Time *>(untyped_ros_message);
  cdr << m->sec;
  cdr << m->nanosec;
  return true;
}

bool cdr_deserialize(Cdr & cdr, void * untyped_ros_message)
{
  if (untyped_ros_message == nullptr) {
    report("ros message handle is null\n");
    return false;
  }
  auto * m = static_cast<Time *>(untyped_ros_message);
  cdr >> m->sec;
  cdr >> m->nanosec;
  return true;
}

}  // namespace

size_t get_serialized_size_builtin_interfaces__msg__Time(const void *, size_t current_alignment)
{
  bool full_bounded = true;
  return max_serialized_size_builtin_interfaces__msg__Time(full_bounded, current_alignment);
}

size_t max_serialized_size_builtin_interfaces__msg__Time(bool &, size_t current_alignment)
{
  size_t c = current_alignment;
  c += 4 + Cdr::alignment(c, 4);  // sec
  c += 4 + Cdr::alignment(c, 4);  // nanosec
  return c - current_alignment;
}

namespace
{

uint32_t get_serialized_size(const void * untyped_ros_message)
{
  const size_t size = get_serialized_size_builtin_interfaces__msg__Time(untyped_ros_message, 0);
  return size < UINT32_MAX ? static_cast<uint32_t>(size) : UINT32_MAX;
}

size_t max_serialized_size(bool & full_bounded)
{
  return max_serialized_size_builtin_interfaces__msg__Time(full_bounded, 0);
}

const message_type_support_callbacks_t callbacks = {
  "builtin_interfaces::msg", "Time",
  cdr_serialize, cdr_deserialize, get_serialized_size, max_serialized_size};

// The identifier lives in another library: the handle takes it when this one is loaded.
rosidl_message_type_support_t type_support = {
  rosidl_typesupport_fastrtps_c__identifier, &callbacks, get_message_typesupport_handle_function};

}  // namespace

const rosidl_message_type_support_t *
ROSIDL_TYPESUPPORT_INTERFACE__MESSAGE_SYMBOL_NAME(
  rosidl_typesupport_fastrtps_c, builtin_interfaces, msg, Time)()
{
  return &type_support;
}
