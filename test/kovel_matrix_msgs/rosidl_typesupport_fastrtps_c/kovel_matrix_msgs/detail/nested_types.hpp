// The message types that the package's types nest, each once for the whole library: the
// nested kind of each, over that type's own exported entry points (and its sequence
// functions, for the types nested in sequences). The frame and the rules are those of
// kovel_camera_msgs, compiled into this library from that package's source tree.
#ifndef KOVEL_MATRIX_MSGS__DETAIL__NESTED_TYPES_HPP_
#define KOVEL_MATRIX_MSGS__DETAIL__NESTED_TYPES_HPP_

#include "kovel_matrix_msgs/msg/detail/nested__functions.h"
#include "kovel_matrix_msgs/msg/detail/nested__rosidl_typesupport_fastrtps_c.h"
#include "kovel_matrix_msgs/msg/detail/scalars__functions.h"
#include "kovel_matrix_msgs/msg/detail/scalars__rosidl_typesupport_fastrtps_c.h"
#include "kovel_matrix_msgs/msg/detail/strings__functions.h"
#include "kovel_matrix_msgs/msg/detail/strings__rosidl_typesupport_fastrtps_c.h"
#include "kovel_matrix_msgs/msg/detail/unbounded_sequences__rosidl_typesupport_fastrtps_c.h"
#include "std_msgs/msg/detail/header__rosidl_typesupport_fastrtps_c.h"

#include "member_rules.hpp"

namespace kovel_camera_msgs_rules
{
namespace
{

using StdMsgsHeader = Nested<
  rosidl_typesupport_fastrtps_c__get_message_type_support_handle__std_msgs__msg__Header,
  get_serialized_size_std_msgs__msg__Header,
  max_serialized_size_std_msgs__msg__Header>;

using MatrixScalars = Nested<
  rosidl_typesupport_fastrtps_c__get_message_type_support_handle__kovel_matrix_msgs__msg__Scalars,
  get_serialized_size_kovel_matrix_msgs__msg__Scalars,
  max_serialized_size_kovel_matrix_msgs__msg__Scalars,
  kovel_matrix_msgs__msg__Scalars__Sequence__init,
  kovel_matrix_msgs__msg__Scalars__Sequence__fini>;

using MatrixStrings = Nested<
  rosidl_typesupport_fastrtps_c__get_message_type_support_handle__kovel_matrix_msgs__msg__Strings,
  get_serialized_size_kovel_matrix_msgs__msg__Strings,
  max_serialized_size_kovel_matrix_msgs__msg__Strings,
  kovel_matrix_msgs__msg__Strings__Sequence__init,
  kovel_matrix_msgs__msg__Strings__Sequence__fini>;

using MatrixUnboundedSequences = Nested<
  rosidl_typesupport_fastrtps_c__get_message_type_support_handle__kovel_matrix_msgs__msg__UnboundedSequences,
  get_serialized_size_kovel_matrix_msgs__msg__UnboundedSequences,
  max_serialized_size_kovel_matrix_msgs__msg__UnboundedSequences>;

using MatrixNested = Nested<
  rosidl_typesupport_fastrtps_c__get_message_type_support_handle__kovel_matrix_msgs__msg__Nested,
  get_serialized_size_kovel_matrix_msgs__msg__Nested,
  max_serialized_size_kovel_matrix_msgs__msg__Nested,
  kovel_matrix_msgs__msg__Nested__Sequence__init,
  kovel_matrix_msgs__msg__Nested__Sequence__fini>;

}  // namespace
}  // namespace kovel_camera_msgs_rules

#endif  // KOVEL_MATRIX_MSGS__DETAIL__NESTED_TYPES_HPP_
