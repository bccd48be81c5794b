// Fast-CDR C type support of kovel_camera_msgs/msg/Extrinsics.
//
//   header       nested std_msgs/Header
//   rotation     float64[9], aligned to 8
//   translation  float64[3]
#include "kovel_camera_msgs/msg/detail/extrinsics__rosidl_typesupport_fastrtps_c.h"
#include "kovel_camera_msgs/msg/detail/extrinsics__struct.h"
#include "std_msgs/msg/detail/header__rosidl_typesupport_fastrtps_c.h"
#include "../../detail/type_support_frame.hpp"

using namespace kovel_camera_msgs_rules;  // NOLINT
using _Extrinsics__ros_msg_type = kovel_camera_msgs__msg__Extrinsics;

static constexpr NestedType kHeader = {
  rosidl_typesupport_fastrtps_c__get_message_type_support_handle__std_msgs__msg__Header,
  get_serialized_size_std_msgs__msg__Header,
  max_serialized_size_std_msgs__msg__Header};

static bool _Extrinsics__cdr_serialize(
  const void * untyped_ros_message, eprosima::fastcdr::Cdr & cdr)
{
  auto * m = record_or_report<const _Extrinsics__ros_msg_type>(untyped_ros_message);
  MessageStream out(cdr);
  return m &&
         write_nested(kHeader, &m->header, out) &&
         write_array(m->rotation, out) &&
         write_array(m->translation, out);
}

static bool _Extrinsics__cdr_deserialize(
  eprosima::fastcdr::Cdr & cdr, void * untyped_ros_message)
{
  auto * m = record_or_report<_Extrinsics__ros_msg_type>(untyped_ros_message);
  MessageStream in(cdr);
  return m &&
         read_nested(kHeader, in, &m->header) &&
         read_array(in, m->rotation) &&
         read_array(in, m->translation);
}

size_t get_serialized_size_kovel_camera_msgs__msg__Extrinsics(
  const void * untyped_ros_message, size_t current_alignment)
{
  auto * m = static_cast<const _Extrinsics__ros_msg_type *>(untyped_ros_message);
  size_t c = current_alignment;
  c += size_nested(kHeader, &m->header, c);
  c += size_array(m->rotation, c);
  c += size_array(m->translation, c);
  return c - current_alignment;
}

size_t max_serialized_size_kovel_camera_msgs__msg__Extrinsics(
  bool & full_bounded, size_t current_alignment)
{
  size_t c = current_alignment;
  c += max_nested(kHeader, full_bounded, c);
  c += max_array<double, 9>(c);  // rotation
  c += max_array<double, 3>(c);  // translation
  return c - current_alignment;
}

ROSIDL_FASTRTPS_C_MESSAGE_FRAME(kovel_camera_msgs, msg, Extrinsics)

static const struct BindExtrinsics
{
  BindExtrinsics()
  {
    _Extrinsics__type_support.typesupport_identifier = rosidl_typesupport_fastrtps_c__identifier;
  }
} bind_extrinsics;
