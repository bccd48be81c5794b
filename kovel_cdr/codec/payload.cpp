#include "codec/payload.hpp"

#include <cstring>
#include <string>

#include <fastcdr/exceptions/Exception.h>

#include "rosidl_typesupport_fastrtps_c/identifier.h"

namespace kovel_cdr
{

using eprosima::fastcdr::Cdr;

const message_type_support_callbacks_t & fastrtps_c_callbacks(
  const rosidl_message_type_support_t * handle)
{
  const rosidl_message_type_support_t * flavour = nullptr;
  if (handle != nullptr && handle->func != nullptr) {
    flavour = handle->func(handle, rosidl_typesupport_fastrtps_c__identifier);
  }
  if (flavour == nullptr || flavour->data == nullptr) {
    throw Error(std::string("the type support handle does not offer ") +
            rosidl_typesupport_fastrtps_c__identifier);
  }
  return *static_cast<const message_type_support_callbacks_t *>(flavour->data);
}

const message_type_support_callbacks_t & callbacks_of(const MessageType & type)
{
  return fastrtps_c_callbacks(type.handle());
}

void write_payload(
  const message_type_support_callbacks_t & callbacks, const void * record, void * bytes,
  size_t size)
{
  const char * name = callbacks.message_name_;
  std::memset(bytes, 0, size);
  try {
    PayloadWriter out(bytes, size);
    if (!callbacks.cdr_serialize(record, out.cdr())) {
      throw Error(std::string(name) + ": the type support refused the message");
    }
    if (out.length() != size) {
      throw Error(std::string(name) + ": wrote " + std::to_string(out.length()) +
              " bytes where the size function gave " + std::to_string(size));
    }
  } catch (const eprosima::fastcdr::exception::Exception & e) {
    throw Error(std::string(name) + ": more bytes than the size function gave: " + e.what());
  }
}

std::vector<uint8_t> encode_payload(const MessageType & type, const void * record)
{
  const message_type_support_callbacks_t & callbacks = callbacks_of(type);
  std::vector<uint8_t> payload(payload_size(callbacks, record));
  write_payload(callbacks, record, payload.data(), payload.size());
  return payload;
}

void decode_payload(const MessageType & type, const uint8_t * bytes, size_t length, void * record)
{
  PayloadReader in(bytes, length);
  try {
    if (!callbacks_of(type).cdr_deserialize(in.cdr(), record)) {
      throw Error(type.name + ": the type support refused the payload");
    }
  } catch (const eprosima::fastcdr::exception::Exception & e) {
    throw Error(type.name + ": payload of " + std::to_string(length) +
            " bytes ends early (" + e.what() + ")");
  }
  if (in.left_over() != 0) {
    throw Error(
            type.name + ": " + std::to_string(in.left_over()) +
            " bytes left over after byte " + std::to_string(in.consumed()));
  }
}

}  // namespace kovel_cdr
