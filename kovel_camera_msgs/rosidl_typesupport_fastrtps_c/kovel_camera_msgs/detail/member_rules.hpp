// The six member rules of the Fast-CDR C type supports: how a nested message, a string,
// an int32, a boolean, an octet and a fixed array are written, read, sized and bounded.
// Each unit's operations are one call per member, in the order of its record, on the
// message's MessageStream.
//
// Every write_* and read_* returns false only after writing one failure line to stderr
// (a nested type writes its own); exceptions of the stream pass through untouched.
// Every size_* and max_* returns the bytes the member adds when it starts at position c.
//
// Internal to the type supports: installed nowhere, everything here has internal linkage.
#ifndef KOVEL_CAMERA_MSGS__DETAIL__MEMBER_RULES_HPP_
#define KOVEL_CAMERA_MSGS__DETAIL__MEMBER_RULES_HPP_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <type_traits>

#include <fastcdr/Cdr.h>

#include "rosidl_runtime_c/message_type_support_struct.h"
#include "rosidl_runtime_c/string.h"
#include "rosidl_runtime_c/string_functions.h"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"

namespace kovel_camera_msgs_rules
{
namespace
{

using eprosima::fastcdr::Cdr;

// Width of a CDR string's length field, and the alignment of that field.
constexpr size_t kStringLengthField = 4;

// One failure line, in a single write so that concurrent callers' lines never interleave.
inline void report(const char * text)
{
  fwrite(text, 1, strlen(text), stderr);
}

inline void report_assign_failure(const char * member_name)
{
  char text[160];
  int length = snprintf(
    text, sizeof(text), "failed to assign string into field '%s'\n", member_name);
  if (length > 0) {
    fwrite(text, 1, std::min(static_cast<size_t>(length), sizeof(text) - 1), stderr);
  }
}

// The record behind an operation's untyped message pointer, or null after reporting it.
template<class Record, class Untyped>
Record * record_or_report(Untyped * untyped_ros_message)
{
  if (untyped_ros_message == nullptr) {
    report("ros message handle is null\n");
    return nullptr;
  }
  return static_cast<Record *>(untyped_ros_message);
}

// The callbacks record keeps sizes in 32 bits; a size that does not fit is reported as the
// largest one that does, so that a caller can never mistake it for a small message.
inline uint32_t saturate_to_uint32(size_t size)
{
  constexpr size_t largest = std::numeric_limits<uint32_t>::max();
  return static_cast<uint32_t>(size < largest ? size : largest);
}

// The stream as one message's serialize or deserialize sees it. A member that throws once
// it has moved the stream puts the stream back where the member began. Capturing a
// Fast-CDR state stalls the processor (a wide load of fields the previous member has just
// stored), so the message captures one, at its first member that may need it, and later
// members rebuild theirs from it.
class MessageStream
{
public:
  explicit MessageStream(Cdr & cdr)
  : cdr_(cdr) {}

  Cdr & cdr() {return cdr_;}

  // The position a member begins at, to hand back to rewind_to if it throws.
  size_t mark()
  {
    const size_t position = cdr_.getSerializedDataLength();
    if (!start_) {
      start_.emplace(cdr_);
      start_position_ = position;
      start_buffer_ = cdr_.getBufferPointer();
    }
    return position;
  }

  // The stream's bytes at its current position, once mark() has been called. A stream that
  // reads never moves its buffer.
  const char * read_position() const
  {
    return start_buffer_ + cdr_.getSerializedDataLength();
  }

  // Back to a marked position, in the state the stream had there: the message's captured
  // state, forward to the position, and its last byte read again, so that what follows is
  // aligned as it would have been. A growing buffer that has moved since the capture is
  // left alone: the captured state points into the memory it left.
  void rewind_to(size_t position)
  {
    if (!start_ || cdr_.getBufferPointer() != start_buffer_) {
      return;
    }
    cdr_.setState(*start_);
    if (position > start_position_) {
      cdr_.jump(position - start_position_ - 1);
      uint8_t last = 0;
      cdr_ >> last;
    }
  }

private:
  Cdr & cdr_;
  std::optional<Cdr::state> start_;
  size_t start_position_ = 0;
  const char * start_buffer_ = nullptr;
};

// ---- Nested-message member: handed whole to the nested type's own support. ----

// The three exported entry points of a nested message type.
struct NestedType
{
  const rosidl_message_type_support_t * (*handle)();
  size_t (*size)(const void * untyped_ros_message, size_t current_alignment);
  size_t (*max)(bool & full_bounded, size_t current_alignment);
};

// The handle is looked up on every call and its `data` trusted to be the callbacks record.
inline const message_type_support_callbacks_t * callbacks_of(const NestedType & type)
{
  return static_cast<const message_type_support_callbacks_t *>(type.handle()->data);
}

[[nodiscard]] inline bool write_nested(
  const NestedType & type, const void * member, MessageStream & out)
{
  return callbacks_of(type)->cdr_serialize(member, out.cdr());
}

[[nodiscard]] inline bool read_nested(const NestedType & type, MessageStream & in, void * member)
{
  return callbacks_of(type)->cdr_deserialize(in.cdr(), member);
}

inline size_t size_nested(const NestedType & type, const void * member, size_t c)
{
  return type.size(member, c);
}

inline size_t max_nested(const NestedType & type, bool & full_bounded, size_t c)
{
  return type.max(full_bounded, c);
}

// ---- String member: length (characters + NUL) at a multiple of 4, characters, NUL. ----

// Checks the record, then writes exactly `size` characters and the NUL under the length
// `size` + 1, so that an inner NUL is carried and the bytes always match size_string.
[[nodiscard]] inline bool write_string(const rosidl_runtime_c__String & s, MessageStream & out)
{
  if (s.capacity == 0 || s.capacity <= s.size) {
    report("string capacity not greater than size\n");
    return false;
  }
  // Checked before data is touched: the length field counts the NUL in 32 bits.
  if (s.size >= std::numeric_limits<uint32_t>::max()) {
    report("string too long for CDR\n");
    return false;
  }
  if (s.data == nullptr || s.data[s.size] != '\0') {
    report("string not null-terminated\n");
    return false;
  }
  const size_t before = out.mark();
  try {
    out.cdr() << static_cast<uint32_t>(s.size + 1);
    out.cdr().serializeArray(s.data, s.size + 1);
  } catch (...) {
    out.rewind_to(before);
    throw;
  }
  return true;
}

// Fills the record's string with `length` received bytes that fit its buffer, copied
// straight from the stream. The copy is all or nothing: a stream that ends early throws
// before any character of the record changes.
[[nodiscard]] inline bool read_string_in_place(
  MessageStream & in, uint32_t length, rosidl_runtime_c__String & s, const char * member_name)
{
  bool final_nul = false;
  if (length > 0) {
    // The final byte is looked at in the stream, not in the copy just made. Looking in the
    // copy runs 41 fewer instructions per DeviceInfo (callgrind: 955 against 996) but measured
    // slower in type_support_bench: deserialize/ours/GetDeviceInfo_Response went from 0.81x
    // to 1.01x the peer's median time and deserialize/ours/DeviceInfo from 0.89x to 1.10x
    // (scripts/bench.sh --filter, 9 interleaved repetitions each, load average 1).
    const char * received = in.read_position();
    in.cdr().deserializeArray(s.data, length);
    final_nul = received[length - 1] == '\0';
  }
  const size_t size = final_nul ? length - 1 : length;
  if (size < s.capacity) {
    s.data[size] = '\0';
    s.size = size;
    return true;
  }
  // A text without a final NUL that fills the buffer exactly: the NUL needs one byte more.
  // The string is made valid (empty) before anything that may fail to allocate.
  const char first = s.data[0];
  s.data[0] = '\0';
  s.size = 0;
  std::string text(s.data, size);
  text[0] = first;
  if (!rosidl_runtime_c__String__assignn(&s, text.data(), text.size())) {
    report_assign_failure(member_name);
    return false;
  }
  return true;
}

// A text longer than the string's buffer, or a string the runtime never initialised: read
// by the stream's own string read (which checks that every character is there before it
// allocates) and assigned through the runtime, which grows the buffer.
[[nodiscard, gnu::noinline, gnu::cold]] inline bool read_string_grown(
  MessageStream & in, size_t before, rosidl_runtime_c__String & s, const char * member_name)
{
  std::string text;
  try {
    in.rewind_to(before);
    in.cdr() >> text;
  } catch (...) {
    in.rewind_to(before);
    throw;
  }
  if (s.data == nullptr) {
    rosidl_runtime_c__String__init(&s);
  }
  if (!rosidl_runtime_c__String__assignn(&s, text.data(), text.size())) {
    report_assign_failure(member_name);
    return false;
  }
  return true;
}

// Reads the whole received text, inner NULs included (a final NUL is dropped, as the
// stream's own string read does), into the record's string, reusing its buffer when the
// text fits.
[[nodiscard]] inline bool read_string(
  MessageStream & in, rosidl_runtime_c__String & s, const char * member_name)
{
  const size_t before = in.mark();
  uint32_t length = 0;
  try {
    in.cdr() >> length;
    if (s.data != nullptr && s.capacity > 0 && length <= s.capacity) {
      return read_string_in_place(in, length, s, member_name);
    }
  } catch (...) {
    in.rewind_to(before);
    throw;
  }
  return read_string_grown(in, before, s, member_name);
}

inline size_t size_string(const rosidl_runtime_c__String & s, size_t c)
{
  return kStringLengthField + Cdr::alignment(c, kStringLengthField) + s.size + 1;
}

// An unbounded string: counts an empty one and clears full_bounded to say it is no bound.
inline size_t max_string(bool & full_bounded, size_t c)
{
  full_bounded = false;
  return kStringLengthField + Cdr::alignment(c, kStringLengthField) + 1;
}

// ---- Int32 member: 4 bytes at a multiple of 4 (also serves uint32 in the stand-ins). ----

template<class Int>
[[nodiscard]] inline bool write_int32(Int value, MessageStream & out)
{
  static_assert(std::is_integral_v<Int> && sizeof(Int) == 4, "a 4-byte integer member");
  out.cdr() << value;
  return true;
}

template<class Int>
[[nodiscard]] inline bool read_int32(MessageStream & in, Int & value)
{
  static_assert(std::is_integral_v<Int> && sizeof(Int) == 4, "a 4-byte integer member");
  in.cdr() >> value;
  return true;
}

inline size_t size_int32(size_t c)
{
  return 4 + Cdr::alignment(c, 4);
}

inline size_t max_int32(size_t c)
{
  return 4 + Cdr::alignment(c, 4);
}

// ---- Boolean member: 1 byte, 1 or 0. ----

// The record's byte is tested, not its bool value: a byte of 2 read as bool is undefined
// and may go out unchanged.
[[nodiscard]] inline bool write_boolean(const bool & value, MessageStream & out)
{
  uint8_t byte = 0;
  std::memcpy(&byte, &value, 1);
  out.cdr() << static_cast<bool>(byte != 0);
  return true;
}

[[nodiscard]] inline bool read_boolean(MessageStream & in, bool & value)
{
  uint8_t byte = 0;
  in.cdr() >> byte;
  value = byte != 0;
  return true;
}

inline size_t size_boolean(size_t)
{
  return 1;
}

inline size_t max_boolean(size_t)
{
  return 1;
}

// ---- Octet member: 1 byte, carried unchanged. ----

[[nodiscard]] inline bool write_octet(uint8_t value, MessageStream & out)
{
  out.cdr() << value;
  return true;
}

[[nodiscard]] inline bool read_octet(MessageStream & in, uint8_t & value)
{
  in.cdr() >> value;
  return true;
}

inline size_t size_octet(size_t)
{
  return 1;
}

inline size_t max_octet(size_t)
{
  return 1;
}

// ---- Fixed-array member: N floats or doubles at a multiple of their width, no count. ----

template<class Element>
constexpr void check_array_element()
{
  static_assert(
    std::is_same_v<Element, float> || std::is_same_v<Element, double>,
    "fixed arrays hold float or double");
}

template<class Element, size_t N>
[[nodiscard]] inline bool write_array(const Element (&array)[N], MessageStream & out)
{
  check_array_element<Element>();
  out.cdr().serializeArray(array, N);
  return true;
}

template<class Element, size_t N>
[[nodiscard]] inline bool read_array(MessageStream & in, Element (&array)[N])
{
  check_array_element<Element>();
  in.cdr().deserializeArray(array, N);
  return true;
}

template<class Element, size_t N>
inline size_t max_array(size_t c)
{
  check_array_element<Element>();
  return N * sizeof(Element) + Cdr::alignment(c, sizeof(Element));
}

template<class Element, size_t N>
inline size_t size_array(const Element (&)[N], size_t c)
{
  return max_array<Element, N>(c);
}

}  // namespace
}  // namespace kovel_camera_msgs_rules

#endif  // KOVEL_CAMERA_MSGS__DETAIL__MEMBER_RULES_HPP_
