// Fast-CDR C type support of kovel_matrix_msgs/msg/BoundedSequences: every kind as a bounded sequence.
#include "kovel_matrix_msgs/msg/detail/bounded_sequences__rosidl_typesupport_fastrtps_c.h"
#include "kovel_matrix_msgs/msg/detail/bounded_sequences__struct.h"
#include "type_support_frame.hpp"

using namespace kovel_camera_msgs_rules;  // NOLINT
using _BoundedSequences__ros_msg_type = kovel_matrix_msgs__msg__BoundedSequences;

static constexpr auto _BoundedSequences__members = std::make_tuple(
  ROSIDL_FASTRTPS_C_MEMBER(BoundedSequences, flags, BoundedSequence<Plain, 3>),
  ROSIDL_FASTRTPS_C_MEMBER(BoundedSequences, real64s, BoundedSequence<Plain, 3>),
  ROSIDL_FASTRTPS_C_MEMBER(BoundedSequences, octets, BoundedSequence<Plain, 3>),
  ROSIDL_FASTRTPS_C_MEMBER(BoundedSequences, i16s, BoundedSequence<Plain, 3>),
  ROSIDL_FASTRTPS_C_MEMBER(BoundedSequences, characters, BoundedSequence<Plain, 3>),
  ROSIDL_FASTRTPS_C_MEMBER(BoundedSequences, real32s, BoundedSequence<Plain, 3>),
  ROSIDL_FASTRTPS_C_MEMBER(BoundedSequences, i8s, BoundedSequence<Plain, 3>),
  ROSIDL_FASTRTPS_C_MEMBER(BoundedSequences, u64s, BoundedSequence<Plain, 3>),
  ROSIDL_FASTRTPS_C_MEMBER(BoundedSequences, u8s, BoundedSequence<Plain, 3>),
  ROSIDL_FASTRTPS_C_MEMBER(BoundedSequences, u32s, BoundedSequence<Plain, 3>),
  ROSIDL_FASTRTPS_C_MEMBER(BoundedSequences, u16s, BoundedSequence<Plain, 3>),
  ROSIDL_FASTRTPS_C_MEMBER(BoundedSequences, i64s, BoundedSequence<Plain, 3>),
  ROSIDL_FASTRTPS_C_MEMBER(BoundedSequences, i32s, BoundedSequence<Plain, 3>),
  ROSIDL_FASTRTPS_C_MEMBER(BoundedSequences, texts, BoundedSequence<String, 2>),
  ROSIDL_FASTRTPS_C_MEMBER(BoundedSequences, bounded_texts, BoundedSequence<BoundedString<4>, 2>));

ROSIDL_FASTRTPS_C_MESSAGE(kovel_matrix_msgs, msg, BoundedSequences, _BoundedSequences__members)

static const struct BindBoundedSequences
{
  BindBoundedSequences()
  {
    _BoundedSequences__type_support.typesupport_identifier = rosidl_typesupport_fastrtps_c__identifier;
  }
} bind_bounded_sequences;
