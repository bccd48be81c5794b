// Fast-CDR C type support of std_msgs/msg/Header: builtin_interfaces/Time stamp, string
// frame_id.
#include "builtin_interfaces/msg/detail/time__rosidl_typesupport_fastrtps_c.h"
#include "std_msgs/msg/detail/header__rosidl_typesupport_fastrtps_c.h"
#include "std_msgs/msg/detail/header__struct.h"
#include "type_support_frame.hpp"

using namespace kovel_camera_msgs_rules;  // NOLINT
using _Header__ros_msg_type = std_msgs__msg__Header;

static constexpr NestedType kTime = {
  rosidl_typesupport_fastrtps_c__get_message_type_support_handle__builtin_interfaces__msg__Time,
  get_serialized_size_builtin_interfaces__msg__Time,
  max_serialized_size_builtin_interfaces__msg__Time};

static bool _Header__cdr_serialize(const void * untyped_ros_message, Cdr & cdr)
{
  auto * m = record_or_report<const _Header__ros_msg_type>(untyped_ros_message);
  MessageStream out(cdr);
  return m &&
         write_nested(kTime, &m->stamp, out) &&
         write_string(m->frame_id, out);
}

static bool _Header__cdr_deserialize(Cdr & cdr, void * untyped_ros_message)
{
  auto * m = record_or_report<_Header__ros_msg_type>(untyped_ros_message);
  MessageStream in(cdr);
  return m &&
         read_nested(kTime, in, &m->stamp) &&
         read_string(in, m->frame_id, "frame_id");
}

size_t get_serialized_size_std_msgs__msg__Header(
  const void * untyped_ros_message, size_t current_alignment)
{
  auto * m = static_cast<const _Header__ros_msg_type *>(untyped_ros_message);
  size_t c = current_alignment;
  c += size_nested(kTime, &m->stamp, c);
  c += size_string(m->frame_id, c);
  return c - current_alignment;
}

size_t max_serialized_size_std_msgs__msg__Header(bool & full_bounded, size_t current_alignment)
{
  size_t c = current_alignment;
  c += max_nested(kTime, full_bounded, c);
  c += max_string(full_bounded, c);
  return c - current_alignment;
}

ROSIDL_FASTRTPS_C_MESSAGE_FRAME(std_msgs, msg, Header)

static const struct BindHeader
{
  BindHeader() {_Header__type_support.typesupport_identifier = rosidl_typesupport_fastrtps_c__identifier;}
} bind_header;
