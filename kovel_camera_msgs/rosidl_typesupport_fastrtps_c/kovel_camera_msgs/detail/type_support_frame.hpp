// The records and entry points every Fast-CDR C type support shares. A unit defines its
// four member-by-member operations and its two exported size functions, then states its
// frame with these macros, then binds the identifier when the library is loaded.
//
// Internal to the type supports: installed nowhere.
#ifndef KOVEL_CAMERA_MSGS__DETAIL__TYPE_SUPPORT_FRAME_HPP_
#define KOVEL_CAMERA_MSGS__DETAIL__TYPE_SUPPORT_FRAME_HPP_

#include "rosidl_runtime_c/message_type_support_struct.h"
#include "rosidl_runtime_c/service_type_support_struct.h"
#include "rosidl_typesupport_fastrtps_c/identifier.h"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"
#include "rosidl_typesupport_fastrtps_cpp/service_type_support.h"

#include "member_rules.hpp"

// Message type T of package PKG and kind KIND (msg or srv): the wrappers at position 0,
// the static callbacks record `__callbacks_T`, the handle `_T__type_support` (identifier
// bound at load) and the exported handle getter.
#define ROSIDL_FASTRTPS_C_MESSAGE_FRAME(PKG, KIND, T) \
  static uint32_t _ ## T ## __get_serialized_size(const void * untyped_ros_message) \
  { \
    return kovel_camera_msgs_rules::saturate_to_uint32( \
      get_serialized_size_ ## PKG ## __ ## KIND ## __ ## T(untyped_ros_message, 0)); \
  } \
  static size_t _ ## T ## __max_serialized_size(bool & full_bounded) \
  { \
    return max_serialized_size_ ## PKG ## __ ## KIND ## __ ## T(full_bounded, 0); \
  } \
  static const message_type_support_callbacks_t __callbacks_ ## T = { \
    #PKG "::" #KIND, #T, \
    _ ## T ## __cdr_serialize, _ ## T ## __cdr_deserialize, \
    _ ## T ## __get_serialized_size, _ ## T ## __max_serialized_size}; \
  static rosidl_message_type_support_t _ ## T ## __type_support = { \
    nullptr, &__callbacks_ ## T, get_message_typesupport_handle_function}; \
  extern "C" const rosidl_message_type_support_t * \
  rosidl_typesupport_fastrtps_c__get_message_type_support_handle__ ## PKG ## __ ## KIND ## __ ## T() \
  { \
    return &_ ## T ## __type_support; \
  }

// Service S of package PKG: the service record `S__callbacks` (its two message handles
// stored at load), the service handle `S__handle` and the exported service getter.
#define ROSIDL_FASTRTPS_C_SERVICE_FRAME(PKG, S) \
  static service_type_support_callbacks_t S ## __callbacks = { \
    #PKG "::srv", #S, nullptr, nullptr}; \
  static rosidl_service_type_support_t S ## __handle = { \
    nullptr, &S ## __callbacks, get_service_typesupport_handle_function}; \
  extern "C" const rosidl_service_type_support_t * \
  rosidl_typesupport_fastrtps_c__get_service_type_support_handle__ ## PKG ## __srv__ ## S() \
  { \
    return &S ## __handle; \
  }

// The empty request of service S: one placeholder octet, carried unchanged, 1 byte at any
// position and fully bounded. Defines its four operations, its two exported size
// functions and its message frame.
#define ROSIDL_FASTRTPS_C_EMPTY_REQUEST(PKG, S) \
  using _ ## S ## _Request__ros_msg_type = PKG ## __srv__ ## S ## _Request; \
  static bool _ ## S ## _Request__cdr_serialize( \
    const void * untyped_ros_message, eprosima::fastcdr::Cdr & cdr) \
  { \
    auto * m = kovel_camera_msgs_rules::record_or_report<const _ ## S ## _Request__ros_msg_type>( \
      untyped_ros_message); \
    kovel_camera_msgs_rules::MessageStream out(cdr); \
    return m && kovel_camera_msgs_rules::write_octet(m->structure_needs_at_least_one_member, out); \
  } \
  static bool _ ## S ## _Request__cdr_deserialize( \
    eprosima::fastcdr::Cdr & cdr, void * untyped_ros_message) \
  { \
    auto * m = kovel_camera_msgs_rules::record_or_report<_ ## S ## _Request__ros_msg_type>( \
      untyped_ros_message); \
    kovel_camera_msgs_rules::MessageStream in(cdr); \
    return m && kovel_camera_msgs_rules::read_octet(in, m->structure_needs_at_least_one_member); \
  } \
  size_t get_serialized_size_ ## PKG ## __srv__ ## S ## _Request(const void *, size_t c) \
  { \
    return kovel_camera_msgs_rules::size_octet(c); \
  } \
  size_t max_serialized_size_ ## PKG ## __srv__ ## S ## _Request(bool &, size_t c) \
  { \
    return kovel_camera_msgs_rules::max_octet(c); \
  } \
  ROSIDL_FASTRTPS_C_MESSAGE_FRAME(PKG, srv, S ## _Request)

namespace kovel_camera_msgs_rules
{
namespace
{

// The load-time binding of a service unit, in its documented order: the identifier into
// the request and response handles, the two handles (from the unit's own getters) into the
// service record, and last the identifier into the service handle.
inline void bind_service(
  rosidl_message_type_support_t & request_type_support,
  rosidl_message_type_support_t & response_type_support,
  service_type_support_callbacks_t & service_callbacks,
  rosidl_service_type_support_t & service_handle,
  const rosidl_message_type_support_t * (*request_handle)(),
  const rosidl_message_type_support_t * (*response_handle)())
{
  request_type_support.typesupport_identifier = rosidl_typesupport_fastrtps_c__identifier;
  response_type_support.typesupport_identifier = rosidl_typesupport_fastrtps_c__identifier;
  service_callbacks.request_members_ = request_handle();
  service_callbacks.response_members_ = response_handle();
  service_handle.typesupport_identifier = rosidl_typesupport_fastrtps_c__identifier;
}

}  // namespace
}  // namespace kovel_camera_msgs_rules

#endif  // KOVEL_CAMERA_MSGS__DETAIL__TYPE_SUPPORT_FRAME_HPP_
