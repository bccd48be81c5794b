#include "payload.hpp"

#include <string>

#include <fastcdr/Cdr.h>
#include <fastcdr/FastBuffer.h>
#include <fastcdr/exceptions/Exception.h>

#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"

namespace kovel_cdr
{

using eprosima::fastcdr::Cdr;
using eprosima::fastcdr::FastBuffer;

const message_type_support_callbacks_t & callbacks_of(const MessageType & type)
{
  return *static_cast<const message_type_support_callbacks_t *>(type.handle()->data);
}

std::vector<uint8_t> encode_payload(const MessageType & type, const void * record)
{
  size_t body_size = type.size(record, 0);
  std::vector<uint8_t> payload(kEncapsulationSize + body_size, 0);
  FastBuffer buffer(reinterpret_cast<char *>(payload.data()), payload.size());
  Cdr cdr(buffer, Cdr::DEFAULT_ENDIAN, Cdr::DDS_CDR);
  try {
    cdr.serialize_encapsulation();
    if (!callbacks_of(type).cdr_serialize(record, cdr)) {
      throw Error(std::string(type.name) + ": the type support refused the message");
    }
  } catch (const eprosima::fastcdr::exception::Exception & e) {
    throw Error(std::string(type.name) + ": more bytes than the size function gave: " +
            e.what());
  }
  if (cdr.getSerializedDataLength() != payload.size()) {
    throw Error(
            std::string(type.name) + ": wrote " + std::to_string(cdr.getSerializedDataLength()) +
            " bytes where the size function gave " + std::to_string(payload.size()));
  }
  return payload;
}

void decode_payload(const MessageType & type, const uint8_t * bytes, size_t length, void * record)
{
  if (length < kEncapsulationSize) {
    throw Error("payload of " + std::to_string(length) +
            " bytes is shorter than the 4-byte encapsulation header");
  }
  if (bytes[0] != 0 || bytes[1] > 1) {
    throw Error("payload does not start with a CDR encapsulation header (00 00 or 00 01)");
  }
  FastBuffer buffer(const_cast<char *>(reinterpret_cast<const char *>(bytes)), length);
  Cdr cdr(buffer, Cdr::DEFAULT_ENDIAN, Cdr::DDS_CDR);
  try {
    cdr.read_encapsulation();
    if (!callbacks_of(type).cdr_deserialize(cdr, record)) {
      throw Error(std::string(type.name) + ": the type support refused the payload");
    }
  } catch (const eprosima::fastcdr::exception::Exception & e) {
    throw Error(std::string(type.name) + ": payload of " + std::to_string(length) +
            " bytes ends early (" + e.what() + ")");
  }
  if (cdr.getSerializedDataLength() != length) {
    throw Error(
            std::string(type.name) + ": " +
            std::to_string(length - cdr.getSerializedDataLength()) + " bytes left over after byte " +
            std::to_string(cdr.getSerializedDataLength()));
  }
}

}  // namespace kovel_cdr
