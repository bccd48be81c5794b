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
  if (type.handle == nullptr) {
    throw Error(type.full_name() + " has no " + rosidl_typesupport_fastrtps_c__identifier +
            " type support");
  }
  return fastrtps_c_callbacks(type.handle());
}

void write_payload(const Codec & codec, const void * record, void * bytes, size_t size)
{
  const std::string & name = codec.type().name;
  std::memset(bytes, 0, size);
  try {
    PayloadWriter out(bytes, size);
    if (!codec.serialize(record, out.cdr())) {
      throw Error(name + ": the type support refused the message");
    }
    if (out.length() != size) {
      throw Error(std::string(name) + ": wrote " + std::to_string(out.length()) +
              " bytes where the size function gave " + std::to_string(size));
    }
  } catch (const eprosima::fastcdr::exception::Exception & e) {
    throw Error(name + ": more bytes than the size function gave: " + e.what());
  }
}

std::vector<uint8_t> encode_payload(const Codec & codec, const void * record)
{
  std::vector<uint8_t> payload(payload_size(codec, record));
  write_payload(codec, record, payload.data(), payload.size());
  return payload;
}

std::vector<uint8_t> encode_payload(const MessageType & type, const void * record)
{
  return encode_payload(type.codec(), record);
}

void decode_payload(const MessageType & type, const uint8_t * bytes, size_t length, void * record)
{
  decode_payload(type.codec(), bytes, length, record);
}

void decode_payload(const Codec & codec, const uint8_t * bytes, size_t length, void * record)
{
  const MessageType & type = codec.type();
  PayloadReader in(bytes, length);
  try {
    if (!codec.deserialize(in.cdr(), record)) {
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
