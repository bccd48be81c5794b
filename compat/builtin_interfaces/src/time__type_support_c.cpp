// Fast-CDR C type support of builtin_interfaces/msg/Time: int32 sec, uint32 nanosec.
#include "builtin_interfaces/msg/detail/time__rosidl_typesupport_fastrtps_c.h"
#include "builtin_interfaces/msg/detail/time__struct.h"
#include "type_support_frame.hpp"

using namespace kovel_camera_msgs_rules;  // NOLINT
using _Time__ros_msg_type = builtin_interfaces__msg__Time;

static bool _Time__cdr_serialize(const void * untyped_ros_message, Cdr & cdr)
{
  auto * m = record_or_report<const _Time__ros_msg_type>(untyped_ros_message);
  MessageStream out(cdr);
  return m && write_int32(m->sec, out) && write_int32(m->nanosec, out);
}

static bool _Time__cdr_deserialize(Cdr & cdr, void * untyped_ros_message)
{
  auto * m = record_or_report<_Time__ros_msg_type>(untyped_ros_message);
  MessageStream in(cdr);
  return m && read_int32(in, m->sec) && read_int32(in, m->nanosec);
}

size_t get_serialized_size_builtin_interfaces__msg__Time(const void *, size_t current_alignment)
{
  size_t c = current_alignment;
  c += size_int32(c);  // sec
  c += size_int32(c);  // nanosec
  return c - current_alignment;
}

size_t max_serialized_size_builtin_interfaces__msg__Time(bool &, size_t current_alignment)
{
  size_t c = current_alignment;
  c += max_int32(c);  // sec
  c += max_int32(c);  // nanosec
  return c - current_alignment;
}

ROSIDL_FASTRTPS_C_MESSAGE_FRAME(builtin_interfaces, msg, Time)

static const struct BindTime
{
  BindTime() {_Time__type_support.typesupport_identifier = rosidl_typesupport_fastrtps_c__identifier;}
} bind_time;
