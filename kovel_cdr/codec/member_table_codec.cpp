#include "codec/member_table_codec.hpp"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include <fastcdr/Cdr.h>
#include <fastcdr/exceptions/NotEnoughMemoryException.h>

#include "rosidl_runtime_c/string.h"
#include "rosidl_runtime_c/string_functions.h"
#include "codec/type_catalog.hpp"

namespace kovel_cdr
{

namespace
{

using eprosima::fastcdr::Cdr;

// A CDR string's length field and a sequence's count: 4 bytes at a multiple of 4.
constexpr size_t kCountField = 4;

// Failure lines as the Fast-CDR C type supports write them: one write each.
void report(const std::string & text)
{
  std::fwrite(text.data(), 1, text.size(), stderr);
}

void report_field(const char * what, const Member & member)
{
  report(std::string(what) + "'" + member.name + "'\n");
}

[[noreturn]] void ends_early()
{
  using eprosima::fastcdr::exception::NotEnoughMemoryException;
  throw NotEnoughMemoryException(NotEnoughMemoryException::NOT_ENOUGH_MEMORY_MESSAGE_DEFAULT);
}

// Whether the stream still holds `bytes` after its position, without moving it.
bool holds(Cdr & cdr, size_t bytes)
{
  Cdr::state here(cdr);
  const bool held = cdr.jump(bytes);
  cdr.setState(here);
  return held;
}

const unsigned char * at(const void * record, size_t offset)
{
  return static_cast<const unsigned char *>(record) + offset;
}

unsigned char * at(void * record, size_t offset)
{
  return static_cast<unsigned char *>(record) + offset;
}

bool is_plain(Kind kind)
{
  return kind != Kind::nested && kind != Kind::string;
}

// Calls `f` with a value of the C type of a plain kind other than boolean.
template<class F>
decltype(auto) with_plain_type(Kind kind, F && f)
{
  switch (kind) {
    case Kind::octet:
    case Kind::uint8: return f(uint8_t{});
    case Kind::character:
    case Kind::int8: return f(int8_t{});
    case Kind::uint16: return f(uint16_t{});
    case Kind::int16: return f(int16_t{});
    case Kind::uint32: return f(uint32_t{});
    case Kind::int32: return f(int32_t{});
    case Kind::uint64: return f(uint64_t{});
    case Kind::int64: return f(int64_t{});
    case Kind::float32: return f(float{});
    default: return f(double{});
  }
}

// The fewest bytes one element takes on the wire, which a received sequence count is
// checked against before anything is allocated for it.
size_t min_wire_size(const Member & member)
{
  switch (member.kind) {
    case Kind::nested: return 1;
    case Kind::string: return kCountField;
    default: return member.element_size;
  }
}

// ---- Serialize ----

bool write_message(const MessageType & type, const void * record, Cdr & cdr);

bool write_string(const Member & member, const rosidl_runtime_c__String & s, Cdr & cdr)
{
  if (s.capacity == 0 || s.capacity <= s.size) {
    report("string capacity not greater than size\n");
    return false;
  }
  if (s.size >= std::numeric_limits<uint32_t>::max()) {
    report("string too long for CDR\n");
    return false;
  }
  if (s.data == nullptr || s.data[s.size] != '\0') {
    report("string not null-terminated\n");
    return false;
  }
  if (member.string_bound != 0 && s.size > member.string_bound) {
    report_field("string longer than its bound in field ", member);
    return false;
  }
  // With its known length, so that a NUL inside is carried as the size counts it.
  cdr << static_cast<uint32_t>(s.size + 1);
  cdr.serializeArray(s.data, s.size + 1);
  return true;
}

bool write_value(const Member & member, const void * value, Cdr & cdr)
{
  switch (member.kind) {
    case Kind::nested: return write_message(*member.nested, value, cdr);
    case Kind::string:
      return write_string(member, *static_cast<const rosidl_runtime_c__String *>(value), cdr);
    case Kind::boolean:
      // The record's byte, not its bool: a byte of 2 goes out as 1.
      cdr << static_cast<bool>(*static_cast<const uint8_t *>(value) != 0);
      return true;
    default:
      with_plain_type(member.kind, [&](auto plain) {
          cdr << *static_cast<const decltype(plain) *>(value);
        });
      return true;
  }
}

bool write_elements(const Member & member, const void * data, size_t count, Cdr & cdr)
{
  if (is_plain(member.kind) && member.kind != Kind::boolean) {
    with_plain_type(member.kind, [&](auto plain) {
        cdr.serializeArray(static_cast<const decltype(plain) *>(data), count);
      });
    return true;
  }
  for (size_t i = 0; i < count; ++i) {
    if (!write_value(member, element_at(member, data, i), cdr)) {
      return false;
    }
  }
  return true;
}

bool write_member(const Member & member, const void * slot, Cdr & cdr)
{
  switch (member.shape) {
    case Shape::single: return write_value(member, slot, cdr);
    case Shape::array: return write_elements(member, slot, member.length, cdr);
    default: break;
  }
  const auto & sequence = *static_cast<const SequenceSlot *>(slot);
  if (member.length != 0 && sequence.size > member.length) {
    report_field("sequence longer than its bound in field ", member);
    return false;
  }
  if (sequence.size >= std::numeric_limits<uint32_t>::max()) {
    report_field("sequence too long for CDR in field ", member);
    return false;
  }
  if (sequence.size > 0 && sequence.data == nullptr) {
    report_field("sequence without data in field ", member);
    return false;
  }
  cdr << static_cast<uint32_t>(sequence.size);
  return write_elements(member, sequence.data, sequence.size, cdr);
}

bool write_message(const MessageType & type, const void * record, Cdr & cdr)
{
  if (record == nullptr) {
    report("ros message handle is null\n");
    return false;
  }
  for (const Member & member : type.members) {
    if (!write_member(member, at(record, member.offset), cdr)) {
      return false;
    }
  }
  return true;
}

// ---- Deserialize ----

bool read_message(const MessageType & type, Cdr & cdr, void * record);

// The whole received text, inner NULs included, a final NUL dropped. A bounded string
// refuses a length beyond its bound before reading a character, and the one text longer
// than its bound (no final NUL) once read.
bool read_string(const Member & member, Cdr & cdr, rosidl_runtime_c__String & s)
{
  uint32_t length = 0;
  cdr >> length;
  if (member.string_bound != 0 && length > member.string_bound + 1) {
    report_field("string longer than its bound in field ", member);
    return false;
  }
  std::string text;
  if (length > 0) {
    if (!holds(cdr, length)) {
      ends_early();
    }
    text.resize(length);
    cdr.deserializeArray(text.data(), length);
    if (text.back() == '\0') {
      text.pop_back();
    }
  }
  if (s.data == nullptr) {
    rosidl_runtime_c__String__init(&s);
  }
  if (!rosidl_runtime_c__String__assignn(&s, text.data(), text.size())) {
    report_field("failed to assign string into field ", member);
    return false;
  }
  if (member.string_bound != 0 && s.size > member.string_bound) {
    report_field("string longer than its bound in field ", member);
    return false;
  }
  return true;
}

bool read_value(const Member & member, Cdr & cdr, void * value)
{
  switch (member.kind) {
    case Kind::nested: return read_message(*member.nested, cdr, value);
    case Kind::string:
      return read_string(member, cdr, *static_cast<rosidl_runtime_c__String *>(value));
    case Kind::boolean: {
        uint8_t byte = 0;
        cdr >> byte;
        *static_cast<bool *>(value) = byte != 0;
        return true;
      }
    default:
      with_plain_type(member.kind, [&](auto plain) {
          cdr >> *static_cast<decltype(plain) *>(value);
        });
      return true;
  }
}

bool read_elements(const Member & member, Cdr & cdr, void * data, size_t count)
{
  if (is_plain(member.kind) && member.kind != Kind::boolean) {
    with_plain_type(member.kind, [&](auto plain) {
        cdr.deserializeArray(static_cast<decltype(plain) *>(data), count);
      });
    return true;
  }
  for (size_t i = 0; i < count; ++i) {
    if (!read_value(member, cdr, element_at(member, data, i))) {
      return false;
    }
  }
  return true;
}

bool read_member(const Member & member, Cdr & cdr, void * slot)
{
  switch (member.shape) {
    case Shape::single: return read_value(member, cdr, slot);
    case Shape::array: return read_elements(member, cdr, slot, member.length);
    default: break;
  }
  uint32_t count = 0;
  cdr >> count;
  if (member.length != 0 && count > member.length) {
    report_field("sequence longer than its bound in field ", member);
    return false;
  }
  if (!holds(cdr, count * min_wire_size(member))) {
    ends_early();
  }
  auto & sequence = *static_cast<SequenceSlot *>(slot);
  if (count > sequence.capacity || (count > 0 && sequence.data == nullptr)) {
    if (member.resize == nullptr || !member.resize(slot, count)) {
      report_field("failed to allocate sequence for field ", member);
      return false;
    }
  }
  sequence.size = count;
  return read_elements(member, cdr, sequence.data, count);
}

bool read_message(const MessageType & type, Cdr & cdr, void * record)
{
  if (record == nullptr) {
    report("ros message handle is null\n");
    return false;
  }
  for (const Member & member : type.members) {
    if (!read_member(member, cdr, at(record, member.offset))) {
      return false;
    }
  }
  return true;
}

// ---- Sizes: the bytes a member adds when it starts at position c ----

size_t size_message(const MessageType & type, const void * record, size_t c);
size_t max_message(const MessageType & type, bool & full_bounded, size_t c);

size_t size_value(const Member & member, const void * value, size_t c)
{
  switch (member.kind) {
    case Kind::nested: return size_message(*member.nested, value, c);
    case Kind::string:
      return kCountField + Cdr::alignment(c, kCountField) +
             static_cast<const rosidl_runtime_c__String *>(value)->size + 1;
    default: return member.element_size + Cdr::alignment(c, member.element_size);
  }
}

size_t size_elements(const Member & member, const void * data, size_t count, size_t c)
{
  if (is_plain(member.kind)) {
    // Booleans go one by one, 1 byte each without alignment: the same count.
    return count == 0 ? 0 :
           count * member.element_size + Cdr::alignment(c, member.element_size);
  }
  const size_t start = c;
  for (size_t i = 0; i < count; ++i) {
    c += size_value(member, element_at(member, data, i), c);
  }
  return c - start;
}

size_t size_member(const Member & member, const void * slot, size_t c)
{
  switch (member.shape) {
    case Shape::single: return size_value(member, slot, c);
    case Shape::array: return size_elements(member, slot, member.length, c);
    default: break;
  }
  const auto & sequence = *static_cast<const SequenceSlot *>(slot);
  const size_t count = kCountField + Cdr::alignment(c, kCountField);
  return count + size_elements(member, sequence.data, sequence.size, c + count);
}

size_t size_message(const MessageType & type, const void * record, size_t c)
{
  const size_t start = c;
  for (const Member & member : type.members) {
    c += size_member(member, at(record, member.offset), c);
  }
  return c - start;
}

size_t max_value(const Member & member, bool & full_bounded, size_t c)
{
  switch (member.kind) {
    case Kind::nested: return max_message(*member.nested, full_bounded, c);
    case Kind::string:
      // An unbounded string counts as empty and clears full_bounded.
      if (member.string_bound == 0) {
        full_bounded = false;
      }
      return kCountField + Cdr::alignment(c, kCountField) + member.string_bound + 1;
    default: return member.element_size + Cdr::alignment(c, member.element_size);
  }
}

size_t max_elements(const Member & member, bool & full_bounded, size_t count, size_t c)
{
  if (is_plain(member.kind)) {
    return count == 0 ? 0 :
           count * member.element_size + Cdr::alignment(c, member.element_size);
  }
  const size_t start = c;
  for (size_t i = 0; i < count; ++i) {
    c += max_value(member, full_bounded, c);
  }
  return c - start;
}

size_t max_member(const Member & member, bool & full_bounded, size_t c)
{
  switch (member.shape) {
    case Shape::single: return max_value(member, full_bounded, c);
    case Shape::array: return max_elements(member, full_bounded, member.length, c);
    default: break;
  }
  const size_t count = kCountField + Cdr::alignment(c, kCountField);
  if (member.length == 0) {
    full_bounded = false;
    return count;
  }
  return count + max_elements(member, full_bounded, member.length, c + count);
}

size_t max_message(const MessageType & type, bool & full_bounded, size_t c)
{
  const size_t start = c;
  for (const Member & member : type.members) {
    c += max_member(member, full_bounded, c);
  }
  return c - start;
}

}  // namespace

bool IntrospectionCodec::serialize(const void * record, Cdr & cdr) const
{
  return write_message(type_, record, cdr);
}

bool IntrospectionCodec::deserialize(Cdr & cdr, void * record) const
{
  return read_message(type_, cdr, record);
}

size_t IntrospectionCodec::size(const void * record, size_t current_alignment) const
{
  return size_message(type_, record, current_alignment);
}

size_t IntrospectionCodec::max(bool & full_bounded, size_t current_alignment) const
{
  return max_message(type_, full_bounded, current_alignment);
}

}  // namespace kovel_cdr
