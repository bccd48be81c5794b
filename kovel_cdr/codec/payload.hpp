// DDS payloads: the 4-byte encapsulation header (00 01 00 00 for little-endian CDR, 00 00
// 00 00 for big-endian), then the CDR body written and read by the type's codec.
// Every part of the project that frames or opens a payload does it here.
#ifndef KOVEL_CDR__CODEC__PAYLOAD_HPP_
#define KOVEL_CDR__CODEC__PAYLOAD_HPP_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <fastcdr/Cdr.h>
#include <fastcdr/FastBuffer.h>

#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"
#include "codec/type_catalog.hpp"

namespace kovel_cdr
{

constexpr size_t kEncapsulationSize = 4;

/// The callbacks record behind a handle, found as a middleware finds it: through the
/// handle's `func` with the identifier "rosidl_typesupport_fastrtps_c". Throws Error when
/// the handle does not offer that flavour.
const message_type_support_callbacks_t & fastrtps_c_callbacks(
  const rosidl_message_type_support_t * handle);

/// The callbacks record behind a type's handle, found the same way. Throws Error when the
/// type has no Fast-CDR C type support.
const message_type_support_callbacks_t & callbacks_of(const MessageType & type);

/// The header plus the record's exact serialized size.
inline uint64_t payload_size(const Codec & codec, const void * record)
{
  return uint64_t{kEncapsulationSize} + codec.size(record, 0);
}

/// The header plus the type's maximum size; `full_bounded` tells whether that is a true bound.
inline uint64_t max_payload_size(const Codec & codec, bool & full_bounded)
{
  full_bounded = true;
  return uint64_t{kEncapsulationSize} + codec.max(full_bounded, 0);
}

/// Whether the header at `bytes` (kEncapsulationSize of them at least) says big-endian.
inline bool big_endian_header(const void * bytes)
{
  return static_cast<const uint8_t *>(bytes)[1] == 0;
}

/// A payload being written in place into `capacity` bytes at `bytes`: the stream, in this
/// machine's byte order, stands after the encapsulation header it has written. Nothing is
/// allocated or copied; a stream that runs out of room throws Fast-CDR's exception.
class PayloadWriter
{
public:
  PayloadWriter(void * bytes, size_t capacity)
  : buffer_(static_cast<char *>(bytes), capacity),
    cdr_(buffer_, eprosima::fastcdr::Cdr::DEFAULT_ENDIAN, eprosima::fastcdr::Cdr::DDS_CDR)
  {
    cdr_.serialize_encapsulation();
  }
  PayloadWriter(const PayloadWriter &) = delete;
  PayloadWriter & operator=(const PayloadWriter &) = delete;

  eprosima::fastcdr::Cdr & cdr() {return cdr_;}
  /// The bytes written so far, header included.
  size_t length() {return cdr_.getSerializedDataLength();}

private:
  eprosima::fastcdr::FastBuffer buffer_;
  eprosima::fastcdr::Cdr cdr_;
};

/// A payload being read in place from `length` bytes at `bytes`: the header checked (00 00
/// or 00 01, then two option bytes), the stream set to its byte order and standing on the
/// first byte of the body. Throws Error when the bytes are shorter than the header or do
/// not begin with a plain CDR header. The bytes are never written to.
class PayloadReader
{
public:
  PayloadReader(const void * bytes, size_t length)
  : buffer_(const_cast<char *>(static_cast<const char *>(bytes)), length),
    cdr_(buffer_, eprosima::fastcdr::Cdr::DEFAULT_ENDIAN, eprosima::fastcdr::Cdr::DDS_CDR),
    length_(length)
  {
    const auto * header = static_cast<const uint8_t *>(bytes);
    if (length < kEncapsulationSize) {
      throw Error("payload of " + std::to_string(length) +
              " bytes is shorter than the 4-byte encapsulation header");
    }
    if (header[0] != 0 || header[1] > 1) {
      throw Error("payload of " + std::to_string(length) +
              " bytes does not start with a CDR encapsulation header (00 00 or 00 01)");
    }
    cdr_.read_encapsulation();
    declared_padding_ = header[3] & 3;
  }
  PayloadReader(const PayloadReader &) = delete;
  PayloadReader & operator=(const PayloadReader &) = delete;

  eprosima::fastcdr::Cdr & cdr() {return cdr_;}
  /// The bytes read so far, header included.
  size_t consumed() {return cdr_.getSerializedDataLength();}
  /// The bytes after those read so far that are not padding: what the message leaves
  /// over. Padding is the bytes that round the payload up to a multiple of 4, as an RTPS
  /// message carries it (a Fast DDS reader is handed those bytes too), or as many as the
  /// header declares in the last two bits of its options, as Cyclone DDS writes it. Every
  /// reader of payloads judges trailing bytes by this.
  size_t left_over()
  {
    const size_t end = consumed();
    const size_t rest = length_ - end;
    const size_t alignment = length_ % 4 == 0 ? (4 - end % 4) % 4 : 0;
    const size_t padding = std::max<size_t>(declared_padding_, alignment);
    return rest > padding ? rest - padding : 0;
  }

private:
  eprosima::fastcdr::FastBuffer buffer_;
  eprosima::fastcdr::Cdr cdr_;
  size_t length_;
  size_t declared_padding_ = 0;
};

/// Writes the header and the record, by `codec`, into exactly `size` bytes at `bytes`
/// (its payload_size), zeroed first so that the padding Fast-CDR skips goes out as zeros.
/// Throws Error, naming the type, when the codec refuses the record or writes another
/// number of bytes than its size gave.
void write_payload(const Codec & codec, const void * record, void * bytes, size_t size);

/// The record as a payload of exactly its payload_size, by the type's codec (or `codec`).
/// Throws Error as write_payload does.
std::vector<uint8_t> encode_payload(const MessageType & type, const void * record);
std::vector<uint8_t> encode_payload(const Codec & codec, const void * record);

/// Fills an initialised record from a payload, by the type's codec (or `codec`). Throws
/// Error when the payload ends early, has bytes left over beyond its padding
/// (PayloadReader::left_over), or the codec refuses it.
void decode_payload(const MessageType & type, const uint8_t * bytes, size_t length, void * record);
void decode_payload(const Codec & codec, const uint8_t * bytes, size_t length, void * record);

}  // namespace kovel_cdr

#endif  // KOVEL_CDR__CODEC__PAYLOAD_HPP_
