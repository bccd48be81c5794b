// Fast-CDR C type support of kovel_matrix_msgs/msg/Scalars: every primitive kind, single.
#include "kovel_matrix_msgs/msg/detail/scalars__rosidl_typesupport_fastrtps_c.h"
#include "kovel_matrix_msgs/msg/detail/scalars__struct.h"
#include "type_support_frame.hpp"

using namespace kovel_camera_msgs_rules;  // NOLINT
using _Scalars__ros_msg_type = kovel_matrix_msgs__msg__Scalars;

static constexpr auto _Scalars__members = std::make_tuple(
  ROSIDL_FASTRTPS_C_MEMBER(Scalars, flag, Plain),
  ROSIDL_FASTRTPS_C_MEMBER(Scalars, real64, Plain),
  ROSIDL_FASTRTPS_C_MEMBER(Scalars, octet, Plain),
  ROSIDL_FASTRTPS_C_MEMBER(Scalars, i16, Plain),
  ROSIDL_FASTRTPS_C_MEMBER(Scalars, character, Plain),
  ROSIDL_FASTRTPS_C_MEMBER(Scalars, real32, Plain),
  ROSIDL_FASTRTPS_C_MEMBER(Scalars, i8, Plain),
  ROSIDL_FASTRTPS_C_MEMBER(Scalars, u64, Plain),
  ROSIDL_FASTRTPS_C_MEMBER(Scalars, u8, Plain),
  ROSIDL_FASTRTPS_C_MEMBER(Scalars, u32, Plain),
  ROSIDL_FASTRTPS_C_MEMBER(Scalars, u16, Plain),
  ROSIDL_FASTRTPS_C_MEMBER(Scalars, i64, Plain),
  ROSIDL_FASTRTPS_C_MEMBER(Scalars, i32, Plain));

ROSIDL_FASTRTPS_C_MESSAGE(kovel_matrix_msgs, msg, Scalars, _Scalars__members)

static const struct BindScalars
{
  BindScalars()
  {
    _Scalars__type_support.typesupport_identifier = rosidl_typesupport_fastrtps_c__identifier;
  }
} bind_scalars;
