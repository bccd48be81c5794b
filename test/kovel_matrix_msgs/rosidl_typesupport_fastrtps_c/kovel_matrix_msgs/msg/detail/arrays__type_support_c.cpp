// Fast-CDR C type support of kovel_matrix_msgs/msg/Arrays: every kind as a fixed array.
#include "kovel_matrix_msgs/msg/detail/arrays__rosidl_typesupport_fastrtps_c.h"
#include "kovel_matrix_msgs/msg/detail/arrays__struct.h"
#include "type_support_frame.hpp"

using namespace kovel_camera_msgs_rules;  // NOLINT
using _Arrays__ros_msg_type = kovel_matrix_msgs__msg__Arrays;

static constexpr auto _Arrays__members = std::make_tuple(
  ROSIDL_FASTRTPS_C_MEMBER(Arrays, flags, Array<>),
  ROSIDL_FASTRTPS_C_MEMBER(Arrays, real64s, Array<>),
  ROSIDL_FASTRTPS_C_MEMBER(Arrays, octets, Array<>),
  ROSIDL_FASTRTPS_C_MEMBER(Arrays, i16s, Array<>),
  ROSIDL_FASTRTPS_C_MEMBER(Arrays, characters, Array<>),
  ROSIDL_FASTRTPS_C_MEMBER(Arrays, real32s, Array<>),
  ROSIDL_FASTRTPS_C_MEMBER(Arrays, i8s, Array<>),
  ROSIDL_FASTRTPS_C_MEMBER(Arrays, u64s, Array<>),
  ROSIDL_FASTRTPS_C_MEMBER(Arrays, u8s, Array<>),
  ROSIDL_FASTRTPS_C_MEMBER(Arrays, u32s, Array<>),
  ROSIDL_FASTRTPS_C_MEMBER(Arrays, u16s, Array<>),
  ROSIDL_FASTRTPS_C_MEMBER(Arrays, i64s, Array<>),
  ROSIDL_FASTRTPS_C_MEMBER(Arrays, i32s, Array<>),
  ROSIDL_FASTRTPS_C_MEMBER(Arrays, texts, Array<String>),
  ROSIDL_FASTRTPS_C_MEMBER(Arrays, bounded_texts, Array<BoundedString<4>>));

ROSIDL_FASTRTPS_C_MESSAGE(kovel_matrix_msgs, msg, Arrays, _Arrays__members)

static const struct BindArrays
{
  BindArrays()
  {
    _Arrays__type_support.typesupport_identifier = rosidl_typesupport_fastrtps_c__identifier;
  }
} bind_arrays;
