// The message types kovel_cdr knows: those of kovel_camera_msgs, listed by the package's
// interface files, and, looked up when a command names them, those of every interface
// package on AMENT_PREFIX_PATH (its ament index entry lists them). Each is described by its
// generated C introspection (member names, kinds, offsets, array lengths, nested types) and
// written and read by its package's Fast-CDR C type support, found by name as a middleware
// finds it, or, for a type that has none, by the introspection codec. JSON conversion,
// record set-up and the payload code all walk these descriptions.
#ifndef KOVEL_CDR__CODEC__TYPE_CATALOG_HPP_
#define KOVEL_CDR__CODEC__TYPE_CATALOG_HPP_

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "codec/error.hpp"
#include "codec/member_kinds.hpp"
#include "codec/message_codec.hpp"
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
  // The entry points of the package's Fast-CDR C type support for the type; null when it
  // has none.
  const rosidl_message_type_support_t * (*handle)() = nullptr;
  size_t (*size)(const void * untyped_ros_message, size_t current_alignment) = nullptr;
  size_t (*max)(bool & full_bounded, size_t current_alignment) = nullptr;
  // That type support as a codec (null when it has none), and the introspection codec.
  std::unique_ptr<Codec> fastrtps;
  std::unique_ptr<Codec> introspection;

  /// The codec of a supported type: the Fast-CDR C type support where there is one.
  const Codec & codec() const {return fastrtps ? *fastrtps : *introspection;}

  /// "kovel_camera_msgs/msg/DeviceInfo".
  std::string full_name() const;
};

struct ServiceType
{
  std::string name;
  const MessageType * request;
  const MessageType * response;
  // The Fast-CDR C type support's service handle; null when the package has none.
  const rosidl_service_type_support_t * (*handle)() = nullptr;
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
/// "kovel_camera_msgs/msg/DeviceInfo" (kind "srv" for requests and responses); of another
/// package, "std_msgs/String" or "std_msgs/msg/String", described the first time it is
/// asked for. Throws Error naming the known types when there is no such type, and the
/// type's `unsupported` when kovel_cdr cannot handle it.
const MessageType & find_message_type(std::string_view name);

/// A service by its name, with or without the "kovel_camera_msgs/srv/" prefix, or of
/// another package as "pkg/Name" or "pkg/srv/Name"; throws Error as find_message_type does.
const ServiceType & find_service_type(std::string_view name);

/// The interface packages on AMENT_PREFIX_PATH, by name.
std::vector<std::string> interface_packages();

/// The message types of an installed interface package, by full name ("pkg/msg/Name",
/// then each service's "pkg/srv/Name_Request" and "pkg/srv/Name_Response"), without
/// describing them. Throws Error when no such package is installed.
std::vector<std::string> package_type_names(const std::string & package);

/// The type an introspection describes, once for the process (nested types too), its
/// Fast-CDR type support found by name. A member kovel_cdr cannot handle, or a type
/// support that cannot be found, is told by `unsupported`.
const MessageType & describe(const rosidl_typesupport_introspection_c__MessageMembers & members);

}  // namespace kovel_cdr

#endif  // KOVEL_CDR__CODEC__TYPE_CATALOG_HPP_
