// Fast-CDR C type support of kovel_matrix_msgs/msg/UnboundedSequences: every kind as an unbounded sequence.
#include "kovel_matrix_msgs/msg/detail/unbounded_sequences__rosidl_typesupport_fastrtps_c.h"
#include "kovel_matrix_msgs/msg/detail/unbounded_sequences__struct.h"
#include "type_support_frame.hpp"

using namespace kovel_camera_msgs_rules;  // NOLINT
using _UnboundedSequences__ros_msg_type = kovel_matrix_msgs__msg__UnboundedSequences;

static constexpr auto _UnboundedSequences__members = std::make_tuple(
  ROSIDL_FASTRTPS_C_MEMBER(UnboundedSequences, flags, Sequence<>),
  ROSIDL_FASTRTPS_C_MEMBER(UnboundedSequences, real64s, Sequence<>),
  ROSIDL_FASTRTPS_C_MEMBER(UnboundedSequences, octets, Sequence<>),
  ROSIDL_FASTRTPS_C_MEMBER(UnboundedSequences, i16s, Sequence<>),
  ROSIDL_FASTRTPS_C_MEMBER(UnboundedSequences, characters, Sequence<>),
  ROSIDL_FASTRTPS_C_MEMBER(UnboundedSequences, real32s, Sequence<>),
  ROSIDL_FASTRTPS_C_MEMBER(UnboundedSequences, i8s, Sequence<>),
  ROSIDL_FASTRTPS_C_MEMBER(UnboundedSequences, u64s, Sequence<>),
  ROSIDL_FASTRTPS_C_MEMBER(UnboundedSequences, u8s, Sequence<>),
  ROSIDL_FASTRTPS_C_MEMBER(UnboundedSequences, u32s, Sequence<>),
  ROSIDL_FASTRTPS_C_MEMBER(UnboundedSequences, u16s, Sequence<>),
  ROSIDL_FASTRTPS_C_MEMBER(UnboundedSequences, i64s, Sequence<>),
  ROSIDL_FASTRTPS_C_MEMBER(UnboundedSequences, i32s, Sequence<>),
  ROSIDL_FASTRTPS_C_MEMBER(UnboundedSequences, texts, Sequence<String>),
  ROSIDL_FASTRTPS_C_MEMBER(UnboundedSequences, bounded_texts, Sequence<BoundedString<4>>));

ROSIDL_FASTRTPS_C_MESSAGE(kovel_matrix_msgs, msg, UnboundedSequences, _UnboundedSequences__members)

static const struct BindUnboundedSequences
{
  BindUnboundedSequences()
  {
    _UnboundedSequences__type_support.typesupport_identifier = rosidl_typesupport_fastrtps_c__identifier;
  }
} bind_unbounded_sequences;
