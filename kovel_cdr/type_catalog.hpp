// The message types kovel_cdr knows: those of kovel_camera_msgs, listed by the package's
// interface files and described by its generated C introspection (member names, kinds,
// offsets, array lengths, nested types), each with the Fast-CDR type support that writes and
// reads it, found by name as a middleware finds it. JSON conversion, record set-up and the
// payload code all walk these descriptions.
#ifndef KOVEL_CDR__TYPE_CATALOG_HPP_
#define KOVEL_CDR__TYPE_CATALOG_HPP_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "error.hpp"
#include "member_kinds.hpp"
#include "rosidl_runtime_c/message_initialization.h"
#include "rosidl_runtime_c/message_type_support_struct.h"
#include "rosidl_runtime_c/service_type_support_struct.h"
#include "rosidl_typesupport_introspection_c/message_introspection.h"

namespace kovel_cdr
{

struct MessageType
{
  std::string package;
  std::string kind;  // "msg" or "srv"
  std::string name;
  size_t record_size;
  std::vector<Member> members;
  // Why kovel_cdr cannot handle the type ("kovel_camera_msgs/msg/X.m: member kind long
  // double is not supported"), or empty. Only the commands that use the type fail for it.
  std::string unsupported;
  // The introspection's: a record set up as the generator sets it up (the interface
  // file's defaults included), and released.
  void (*init)(void * record, enum rosidl_runtime_c__message_initialization how);
  void (*fini)(void * record);
  const rosidl_message_type_support_t * (*handle)();
  size_t (*size)(const void * untyped_ros_message, size_t current_alignment);
  size_t (*max)(bool & full_bounded, size_t current_alignment);

  /// "kovel_camera_msgs/msg/DeviceInfo".
  std::string full_name() const;
};

struct ServiceType
{
  std::string name;
  const MessageType * request;
  const MessageType * response;
  const rosidl_service_type_support_t * (*handle)();
};

/// The member of type T at `offset` in a record (a Member's offset, or a nested one's sum).
template<class T>
T & member_at(void * record, size_t offset)
{
  return *reinterpret_cast<T *>(static_cast<unsigned char *>(record) + offset);
}

template<class T>
const T & member_at(const void * record, size_t offset)
{
  return *reinterpret_cast<const T *>(static_cast<const unsigned char *>(record) + offset);
}

/// The message types of kovel_camera_msgs, messages first, then each service's
/// request and response.
const std::vector<const MessageType *> & message_types();

/// The services of kovel_camera_msgs.
const std::vector<const ServiceType *> & service_types();

/// A message type by its name: "DeviceInfo", "kovel_camera_msgs/DeviceInfo" or
/// "kovel_camera_msgs/msg/DeviceInfo" (kind "srv" for requests and responses).
/// Throws Error naming the known types when there is no such type, and the type's
/// `unsupported` when kovel_cdr cannot handle it.
const MessageType & find_message_type(std::string_view name);

/// A service by its name, with or without the "kovel_camera_msgs/srv/" prefix; throws Error
/// as find_message_type does.
const ServiceType & find_service_type(std::string_view name);

/// The type an introspection describes, once for the process (nested types too), its
/// Fast-CDR type support found by name. A member kovel_cdr cannot handle, or a type
/// support that cannot be found, is told by `unsupported`.
const MessageType & describe(const rosidl_typesupport_introspection_c__MessageMembers & members);

}  // namespace kovel_cdr

#endif  // KOVEL_CDR__TYPE_CATALOG_HPP_
