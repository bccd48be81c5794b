// Fast-CDR C type support of kovel_matrix_msgs/msg/Nested: nested messages single, as a
// fixed array (of another package's type too), a bounded and an unbounded sequence.
#include "kovel_matrix_msgs/msg/detail/nested__rosidl_typesupport_fastrtps_c.h"
#include "kovel_matrix_msgs/msg/detail/nested__struct.h"
#include "../../detail/nested_types.hpp"
#include "type_support_frame.hpp"

using namespace kovel_camera_msgs_rules;  // NOLINT
using _Nested__ros_msg_type = kovel_matrix_msgs__msg__Nested;

static constexpr auto _Nested__members = std::make_tuple(
  ROSIDL_FASTRTPS_C_MEMBER(Nested, flag, Plain),
  ROSIDL_FASTRTPS_C_MEMBER(Nested, single, MatrixScalars),
  ROSIDL_FASTRTPS_C_MEMBER(Nested, headers, Array<StdMsgsHeader>),
  ROSIDL_FASTRTPS_C_MEMBER(Nested, strings_array, Array<MatrixStrings>),
  ROSIDL_FASTRTPS_C_MEMBER(Nested, scalars_bounded, BoundedSequence<MatrixScalars, 2>),
  ROSIDL_FASTRTPS_C_MEMBER(Nested, strings_unbounded, Sequence<MatrixStrings>));

ROSIDL_FASTRTPS_C_MESSAGE(kovel_matrix_msgs, msg, Nested, _Nested__members)

static const struct BindNested
{
  BindNested()
  {
    _Nested__type_support.typesupport_identifier = rosidl_typesupport_fastrtps_c__identifier;
  }
} bind_nested;
