// Fast-CDR C type support of builtin_interfaces/msg/Time: int32 sec, uint32 nanosec.
#include <cstdint>

#include <fastcdr/Cdr.h>

#include "builtin_interfaces/msg/detail/time__rosidl_typesupport_fastrtps_c.h"
#include "builtin_interfaces/msg/detail/time__struct.h"
#include "rosidl_typesupport_fastrtps_c/standin_type_support.hpp"

using eprosima::fastcdr::Cdr;
using rosidl_typesupport_fastrtps_c_standin::report;

namespace
{

using Time = builtin_interfaces__msg__Time;

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

ROSIDL_TYPESUPPORT_FASTRTPS_C_STANDIN_MESSAGE(builtin_interfaces, Time)
