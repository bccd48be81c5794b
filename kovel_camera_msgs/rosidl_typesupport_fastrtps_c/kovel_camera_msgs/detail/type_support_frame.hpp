// The records and entry points every Fast-CDR C type support shares. A unit lists its
// members once, in the order of its record (ROSIDL_FASTRTPS_C_MEMBER: the member and its
// kind); ROSIDL_FASTRTPS_C_MESSAGE folds that list into the four operations, the two
// exported size functions and the frame; the unit then binds the identifier when the
// library is loaded.
//
// Internal to the type supports: installed nowhere.
#ifndef KOVEL_CAMERA_MSGS__DETAIL__TYPE_SUPPORT_FRAME_HPP_
#define KOVEL_CAMERA_MSGS__DETAIL__TYPE_SUPPORT_FRAME_HPP_

#include "rosidl_runtime_c/message_type_support_struct.h"
#include "rosidl_runtime_c/service_type_support_struct.h"
#include "rosidl_typesupport_fastrtps_c/identifier.h"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"
#include "rosidl_typesupport_fastrtps_cpp/service_type_support.h"

#include <tuple>

#include "member_rules.hpp"

// One entry of a unit's member list: member NAME of the unit's record for type T, of kind
// KIND (a kind of member_rules.hpp), named in failure lines as the record names it.
#define ROSIDL_FASTRTPS_C_MEMBER(T, NAME, ...) \
  kovel_camera_msgs_rules::Member<&_ ## T ## __ros_msg_type::NAME, __VA_ARGS__>{#NAME}

// Message type T of package PKG and kind KIND, whose members are the list MEMBERS (a
// constexpr tuple of ROSIDL_FASTRTPS_C_MEMBER): its serialize and deserialize, which stop
// at the first member that fails; its exported size and maximum, from any position; and
// its frame.
#define ROSIDL_FASTRTPS_C_MESSAGE(PKG, KIND, T, MEMBERS) \
  static bool _ ## T ## __cdr_serialize( \
    const void * untyped_ros_message, eprosima::fastcdr::Cdr & cdr) \
  { \
    auto * m = kovel_camera_msgs_rules::record_or_report<const _ ## T ## __ros_msg_type>( \
      untyped_ros_message); \
    kovel_camera_msgs_rules::MessageStream out(cdr); \
    return m && kovel_camera_msgs_rules::write_members(MEMBERS, *m, out); \
  } \
  static bool _ ## T ## __cdr_deserialize( \
    eprosima::fastcdr::Cdr & cdr, void * untyped_ros_message) \
  { \
    auto * m = kovel_camera_msgs_rules::record_or_report<_ ## T ## __ros_msg_type>( \
      untyped_ros_message); \
    kovel_camera_msgs_rules::MessageStream in(cdr); \
    return m && kovel_camera_msgs_rules::read_members(MEMBERS, in, *m); \
  } \
  size_t get_serialized_size_ ## PKG ## __ ## KIND ## __ ## T( \
    const void * untyped_ros_message, size_t current_alignment) \
  { \
    return kovel_camera_msgs_rules::size_members( \
      MEMBERS, *static_cast<const _ ## T ## __ros_msg_type *>(untyped_ros_message), \
      current_alignment); \
  } \
  size_t max_serialized_size_ ## PKG ## __ ## KIND ## __ ## T( \
    bool & full_bounded, size_t current_alignment) \
  { \
    return kovel_camera_msgs_rules::max_members<_ ## T ## __ros_msg_type>( \
      MEMBERS, full_bounded, current_alignment); \
  } \
  ROSIDL_FASTRTPS_C_MESSAGE_FRAME(PKG, KIND, T)

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
  static constexpr auto _ ## S ## _Request__members = std::make_tuple( \
    ROSIDL_FASTRTPS_C_MEMBER( \
      S ## _Request, structure_needs_at_least_one_member, kovel_camera_msgs_rules::Plain)); \
  ROSIDL_FASTRTPS_C_MESSAGE(PKG, srv, S ## _Request, _ ## S ## _Request__members)

namespace kovel_camera_msgs_rules
{
namespace
{

// Member M of a record, of kind Kind. The kind and the member are compile-time, so that a
// folded list is the same code as the members written out one by one.
template<auto M, class Kind>
struct Member
{
  const char * name;

  template<class Record>
  [[nodiscard]] bool write(const Record & m, MessageStream & out) const
  {
    return Kind::write(m.*M, out, name);
  }
  template<class Record>
  [[nodiscard]] bool read(MessageStream & in, Record & m) const
  {
    return Kind::read(in, m.*M, name);
  }
  template<class Record>
  size_t size(const Record & m, size_t c) const
  {
    return Kind::size(m.*M, c);
  }
  template<class Record>
  size_t max(bool & full_bounded, size_t c) const
  {
    using Value =
      std::remove_cv_t<std::remove_reference_t<decltype(std::declval<Record &>().*M)>>;
    return Kind::template max<Value>(full_bounded, c);
  }
};

template<class Record, class ... Members>
[[nodiscard]] inline bool write_members(
  const std::tuple<Members...> & members, const Record & m, MessageStream & out)
{
  return std::apply(
    [&](const Members & ... member) {return (member.write(m, out) && ...);}, members);
}

template<class Record, class ... Members>
[[nodiscard]] inline bool read_members(
  const std::tuple<Members...> & members, MessageStream & in, Record & m)
{
  return std::apply(
    [&](const Members & ... member) {return (member.read(in, m) && ...);}, members);
}

template<class Record, class ... Members>
inline size_t size_members(
  const std::tuple<Members...> & members, const Record & m, size_t current_alignment)
{
  size_t c = current_alignment;
  std::apply([&](const Members & ... member) {((c += member.size(m, c)), ...);}, members);
  return c - current_alignment;
}

template<class Record, class ... Members>
inline size_t max_members(
  const std::tuple<Members...> & members, bool & full_bounded, size_t current_alignment)
{
  size_t c = current_alignment;
  std::apply(
    [&](const Members & ... member) {((c += member.template max<Record>(full_bounded, c)), ...);},
    members);
  return c - current_alignment;
}

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
