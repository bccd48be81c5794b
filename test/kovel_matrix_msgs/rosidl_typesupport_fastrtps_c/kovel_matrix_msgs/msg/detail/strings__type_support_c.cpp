// Fast-CDR C type support of kovel_matrix_msgs/msg/Strings: strings and string<=N, single.
#include "kovel_matrix_msgs/msg/detail/strings__rosidl_typesupport_fastrtps_c.h"
#include "kovel_matrix_msgs/msg/detail/strings__struct.h"
#include "type_support_frame.hpp"

using namespace kovel_camera_msgs_rules;  // NOLINT
using _Strings__ros_msg_type = kovel_matrix_msgs__msg__Strings;

static constexpr auto _Strings__members = std::make_tuple(
  ROSIDL_FASTRTPS_C_MEMBER(Strings, text, String),
  ROSIDL_FASTRTPS_C_MEMBER(Strings, bounded, BoundedString<8>),
  ROSIDL_FASTRTPS_C_MEMBER(Strings, with_default, String),
  ROSIDL_FASTRTPS_C_MEMBER(Strings, bounded_default, BoundedString<5>));

ROSIDL_FASTRTPS_C_MESSAGE(kovel_matrix_msgs, msg, Strings, _Strings__members)

static const struct BindStrings
{
  BindStrings()
  {
    _Strings__type_support.typesupport_identifier = rosidl_typesupport_fastrtps_c__identifier;
  }
} bind_strings;
