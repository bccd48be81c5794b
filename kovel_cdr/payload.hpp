// DDS payloads: the 4-byte encapsulation header (00 01 00 00 for little-endian CDR), then
// the CDR body written and read by the type's own callbacks.
#ifndef KOVEL_CDR__PAYLOAD_HPP_
#define KOVEL_CDR__PAYLOAD_HPP_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"
#include "type_catalog.hpp"

namespace kovel_cdr
{

constexpr size_t kEncapsulationSize = 4;

/// The callbacks record behind a type's handle.
const message_type_support_callbacks_t & callbacks_of(const MessageType & type);

/// The record as a payload, written into a zeroed buffer of exactly 4 + the type's size.
/// Throws Error when the type support refuses the record or writes another size.
std::vector<uint8_t> encode_payload(const MessageType & type, const void * record);

/// Fills an initialised record from a payload. Throws Error when the payload ends early,
/// has bytes left over, or the type support refuses it.
void decode_payload(const MessageType & type, const uint8_t * bytes, size_t length, void * record);

}  // namespace kovel_cdr

#endif  // KOVEL_CDR__PAYLOAD_HPP_
