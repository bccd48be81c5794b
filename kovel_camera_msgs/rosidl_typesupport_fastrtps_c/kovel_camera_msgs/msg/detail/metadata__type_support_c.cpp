// Fast-CDR C type support of kovel_camera_msgs/msg/Metadata.
//
//   header     nested std_msgs/Header
//   json_data  string (opaque text, never parsed)
#include "kovel_camera_msgs/msg/detail/metadata__rosidl_typesupport_fastrtps_c.h"
#include "kovel_camera_msgs/msg/detail/metadata__struct.h"
#include "std_msgs/msg/detail/header__rosidl_typesupport_fastrtps_c.h"
#include "../../detail/type_support_frame.hpp"

using namespace kovel_camera_msgs_rules;  // NOLINT
using _Metadata__ros_msg_type = kovel_camera_msgs__msg__Metadata;

static constexpr NestedType kHeader = {
  rosidl_typesupport_fastrtps_c__get_message_type_support_handle__std_msgs__msg__Header,
  get_serialized_size_std_msgs__msg__Header,
  max_serialized_size_std_msgs__msg__Header};

static bool _Metadata__cdr_serialize(
  const void * untyped_ros_message, eprosima::fastcdr::Cdr & cdr)
{
  auto * m = record_or_report<const _Metadata__ros_msg_type>(untyped_ros_message);
  MessageStream out(cdr);
  return m &&
         write_nested(kHeader, &m->header, out) &&
         write_string(m->json_data, out);
}

static bool _Metadata__cdr_deserialize(
  eprosima::fastcdr::Cdr & cdr, void * untyped_ros_message)
{
  auto * m = record_or_report<_Metadata__ros_msg_type>(untyped_ros_message);
  MessageStream in(cdr);
  return m &&
         read_nested(kHeader, in, &m->header) &&
         read_string(in, m->json_data, "json_data");
}

size_t get_serialized_size_kovel_camera_msgs__msg__Metadata(
  const void * untyped_ros_message, size_t current_alignment)
{
  auto * m = static_cast<const _Metadata__ros_msg_type *>(untyped_ros_message);
  size_t c = current_alignment;
  c += size_nested(kHeader, &m->header, c);
  c += size_string(m->json_data, c);
  return c - current_alignment;
}

size_t max_serialized_size_kovel_camera_msgs__msg__Metadata(
  bool & full_bounded, size_t current_alignment)
{
  size_t c = current_alignment;
  c += max_nested(kHeader, full_bounded, c);
  c += max_string(full_bounded, c);  // json_data
  return c - current_alignment;
}

ROSIDL_FASTRTPS_C_MESSAGE_FRAME(kovel_camera_msgs, msg, Metadata)

static const struct BindMetadata
{
  BindMetadata()
  {
    _Metadata__type_support.typesupport_identifier = rosidl_typesupport_fastrtps_c__identifier;
  }
} bind_metadata;
