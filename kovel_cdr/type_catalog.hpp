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
#include "rosidl_runtime_c/message_type_support_struct.h"
#include "rosidl_runtime_c/service_type_support_struct.h"

namespace kovel_cdr
{

struct MessageType;

struct Member
{
  const char * name;
  Kind kind;
  size_t offset;                        // of the member in the record
  size_t length = 0;                    // elements of a fixed array
  const MessageType * nested = nullptr;  // the type of a nested member
};

struct MessageType
{
  std::string package;
  std::string kind;  // "msg" or "srv"
  std::string name;
  size_t record_size;
  std::vector<Member> members;
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

/// The eleven message types of kovel_camera_msgs, messages first, then each service's
/// request and response.
const std::vector<const MessageType *> & message_types();

/// The four services of kovel_camera_msgs.
const std::vector<const ServiceType *> & service_types();

/// A message type by its name: "DeviceInfo", "kovel_camera_msgs/DeviceInfo" or
/// "kovel_camera_msgs/msg/DeviceInfo" (kind "srv" for requests and responses).
/// Throws Error naming the known types when there is no such type.
const MessageType & find_message_type(std::string_view name);

/// A service by its name, with or without the "kovel_camera_msgs/srv/" prefix.
const ServiceType & find_service_type(std::string_view name);

}  // namespace kovel_cdr

#endif  // KOVEL_CDR__TYPE_CATALOG_HPP_
