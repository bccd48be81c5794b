// The member rules of the Fast-CDR C type supports: how each kind of ROS 2 member (a nested
// message, a string, a bounded string, every primitive) is written, read, sized and bounded,
// on its own, in a fixed array, and in a bounded or unbounded sequence.
//
// A unit's member list names one kind per member (Plain, String, BoundedString, Nested,
// Array, Sequence, BoundedSequence; the last three over any of the first four), and the
// frame folds that list into the four operations.
//
// Every write and read returns false only after writing one failure line to stderr (a
// nested type writes its own); exceptions of the stream pass through untouched. Every size
// and max returns the bytes the member adds when it starts at position c.
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
#include <fastcdr/exceptions/NotEnoughMemoryException.h>

#include "rosidl_runtime_c/message_type_support_struct.h"
#include "rosidl_runtime_c/primitives_sequence.h"
#include "rosidl_runtime_c/primitives_sequence_functions.h"
#include "rosidl_runtime_c/string.h"
#include "rosidl_runtime_c/string_functions.h"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"

namespace kovel_camera_msgs_rules
{
namespace
{

using eprosima::fastcdr::Cdr;

// Width of a CDR string's length field and of a sequence's count, and their alignment.
constexpr size_t kStringLengthField = 4;
constexpr size_t kSequenceCountField = 4;

// One failure line, in a single write so that concurrent callers' lines never interleave.
inline void report(const char * text)
{
  fwrite(text, 1, strlen(text), stderr);
}

// `what` followed by the member's name in quotes, as one line.
inline void report_field(const char * what, const char * member_name)
{
  char text[192];
  int length = snprintf(text, sizeof(text), "%s'%s'\n", what, member_name);
  if (length > 0) {
    fwrite(text, 1, std::min(static_cast<size_t>(length), sizeof(text) - 1), stderr);
  }
}

inline void report_assign_failure(const char * member_name)
{
  report_field("failed to assign string into field ", member_name);
}

// The bound of a string or sequence that has none.
constexpr size_t kUnbounded = std::numeric_limits<size_t>::max();

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

// ---- String member: length (characters + NUL) at a multiple of 4, characters, NUL. ----

// Checks the record, then writes exactly `size` characters and the NUL under the length
// `size` + 1, so that an inner NUL is carried and the bytes always match size_string.
template<size_t Bound = kUnbounded>
[[nodiscard]] inline bool write_string(
  const rosidl_runtime_c__String & s, MessageStream & out, const char * member_name = "")
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
  if constexpr (Bound != kUnbounded) {
    if (s.size > Bound) {
      report_field("string longer than its bound in field ", member_name);
      return false;
    }
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
// text fits. A bounded string refuses a length beyond its bound before any character is
// read (BoundedString refuses the one longer text, without a final NUL, once it is read).
template<size_t Bound = kUnbounded>
[[nodiscard]] inline bool read_string(
  MessageStream & in, rosidl_runtime_c__String & s, const char * member_name)
{
  const size_t before = in.mark();
  uint32_t length = 0;
  try {
    in.cdr() >> length;
    if constexpr (Bound != kUnbounded) {
      if (length > Bound + 1) {
        report_field("string longer than its bound in field ", member_name);
        return false;
      }
    }
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

// ---- The kinds a unit's member list names. ----
//
// A kind is a struct of static functions over the member's C type V:
//   write(const V &, MessageStream &, const char * member_name)
//   read(MessageStream &, V &, const char * member_name)
//   size(const V &, size_t c)            and   max<V>(bool & full_bounded, size_t c)
// Element kinds (Plain, String, BoundedString, Nested) also grow a sequence record of their
// elements (init_sequence, fini_sequence) and give the fewest bytes one element takes on the
// wire (kMinWireSize), which a sequence read checks the stream for before it allocates.

template<class T>
constexpr bool is_plain_v =
  std::is_same_v<T, bool> || std::is_same_v<T, char> || std::is_same_v<T, signed char> ||
  std::is_same_v<T, uint8_t> || std::is_same_v<T, int16_t> || std::is_same_v<T, uint16_t> ||
  std::is_same_v<T, int32_t> || std::is_same_v<T, uint32_t> || std::is_same_v<T, int64_t> ||
  std::is_same_v<T, uint64_t> || std::is_same_v<T, float> || std::is_same_v<T, double>;

template<class>
constexpr bool kNeverSupported = false;

// The runtime's functions that size a sequence record of each primitive.
#define KOVEL_PRIMITIVE_SEQUENCE(NAME) \
  inline bool init_plain_sequence(rosidl_runtime_c__ ## NAME ## __Sequence * s, size_t n) \
  { \
    return rosidl_runtime_c__ ## NAME ## __Sequence__init(s, n); \
  } \
  inline void fini_plain_sequence(rosidl_runtime_c__ ## NAME ## __Sequence * s) \
  { \
    rosidl_runtime_c__ ## NAME ## __Sequence__fini(s); \
  }
KOVEL_PRIMITIVE_SEQUENCE(float)
KOVEL_PRIMITIVE_SEQUENCE(double)
KOVEL_PRIMITIVE_SEQUENCE(char)
KOVEL_PRIMITIVE_SEQUENCE(boolean)
KOVEL_PRIMITIVE_SEQUENCE(octet)
KOVEL_PRIMITIVE_SEQUENCE(uint8)
KOVEL_PRIMITIVE_SEQUENCE(int8)
KOVEL_PRIMITIVE_SEQUENCE(uint16)
KOVEL_PRIMITIVE_SEQUENCE(int16)
KOVEL_PRIMITIVE_SEQUENCE(uint32)
KOVEL_PRIMITIVE_SEQUENCE(int32)
KOVEL_PRIMITIVE_SEQUENCE(uint64)
KOVEL_PRIMITIVE_SEQUENCE(int64)
#undef KOVEL_PRIMITIVE_SEQUENCE

// bool, byte, char, float32, float64, int8 to uint64: sizeof(T) bytes at a multiple of
// sizeof(T) from the start of the body; a bool goes out as 0 or 1.
struct Plain
{
  template<class T>
  [[nodiscard]] static bool write(const T & value, MessageStream & out, const char *)
  {
    static_assert(is_plain_v<T>, "a primitive member");
    if constexpr (std::is_same_v<T, bool>) {
      return write_boolean(value, out);
    } else {
      out.cdr() << value;
      return true;
    }
  }

  template<class T>
  [[nodiscard]] static bool read(MessageStream & in, T & value, const char *)
  {
    static_assert(is_plain_v<T>, "a primitive member");
    if constexpr (std::is_same_v<T, bool>) {
      return read_boolean(in, value);
    } else {
      in.cdr() >> value;
      return true;
    }
  }

  template<class T>
  static size_t size(const T &, size_t c)
  {
    return sizeof(T) + Cdr::alignment(c, sizeof(T));
  }

  template<class T>
  static size_t max(bool &, size_t c)
  {
    static_assert(is_plain_v<T>, "a primitive member");
    return sizeof(T) + Cdr::alignment(c, sizeof(T));
  }

  template<class Sequence>
  static bool init_sequence(Sequence * s, size_t n) {return init_plain_sequence(s, n);}
  template<class Sequence>
  static void fini_sequence(Sequence * s) {fini_plain_sequence(s);}
  template<class T>
  static constexpr size_t kMinWireSize = sizeof(T);
};

struct String
{
  [[nodiscard]] static bool write(
    const rosidl_runtime_c__String & s, MessageStream & out, const char * member_name)
  {
    return write_string(s, out, member_name);
  }
  [[nodiscard]] static bool read(
    MessageStream & in, rosidl_runtime_c__String & s, const char * member_name)
  {
    return read_string(in, s, member_name);
  }
  static size_t size(const rosidl_runtime_c__String & s, size_t c) {return size_string(s, c);}
  template<class V>
  static size_t max(bool & full_bounded, size_t c) {return max_string(full_bounded, c);}

  static bool init_sequence(rosidl_runtime_c__String__Sequence * s, size_t n)
  {
    return rosidl_runtime_c__String__Sequence__init(s, n);
  }
  static void fini_sequence(rosidl_runtime_c__String__Sequence * s)
  {
    rosidl_runtime_c__String__Sequence__fini(s);
  }
  template<class>
  static constexpr size_t kMinWireSize = kStringLengthField;
};

// string<=N: as a string, at most N characters; a longer one is refused both ways.
template<size_t N>
struct BoundedString
{
  [[nodiscard]] static bool write(
    const rosidl_runtime_c__String & s, MessageStream & out, const char * member_name)
  {
    return write_string<N>(s, out, member_name);
  }
  [[nodiscard]] static bool read(
    MessageStream & in, rosidl_runtime_c__String & s, const char * member_name)
  {
    if (!read_string<N>(in, s, member_name)) {
      return false;
    }
    if (s.size > N) {
      report_field("string longer than its bound in field ", member_name);
      return false;
    }
    return true;
  }
  static size_t size(const rosidl_runtime_c__String & s, size_t c) {return size_string(s, c);}
  template<class V>
  static size_t max(bool &, size_t c)
  {
    return kStringLengthField + Cdr::alignment(c, kStringLengthField) + N + 1;
  }

  static bool init_sequence(rosidl_runtime_c__String__Sequence * s, size_t n)
  {
    return String::init_sequence(s, n);
  }
  static void fini_sequence(rosidl_runtime_c__String__Sequence * s) {String::fini_sequence(s);}
  template<class>
  static constexpr size_t kMinWireSize = kStringLengthField;
};

// wstring has no rule: a member list that names it does not build.
template<class = void>
struct WString
{
  static_assert(kNeverSupported<WString>, "wstring members are not supported by this type support");
};

// A nested message, handed whole to its type's own support through the three exported entry
// points of that type (the handle looked up on every call); SequenceInit and SequenceFini
// are its `__Sequence__init` and `__Sequence__fini`, needed only by a sequence of it.
template<
  const rosidl_message_type_support_t * (*Handle)(),
  size_t (*Size)(const void *, size_t),
  size_t (*Max)(bool &, size_t),
  auto SequenceInit = nullptr, auto SequenceFini = nullptr>
struct Nested
{
  static const message_type_support_callbacks_t * callbacks()
  {
    return static_cast<const message_type_support_callbacks_t *>(Handle()->data);
  }
  template<class V>
  [[nodiscard]] static bool write(const V & value, MessageStream & out, const char *)
  {
    return callbacks()->cdr_serialize(&value, out.cdr());
  }
  template<class V>
  [[nodiscard]] static bool read(MessageStream & in, V & value, const char *)
  {
    return callbacks()->cdr_deserialize(in.cdr(), &value);
  }
  template<class V>
  static size_t size(const V & value, size_t c) {return Size(&value, c);}
  template<class V>
  static size_t max(bool & full_bounded, size_t c) {return Max(full_bounded, c);}

  template<class Sequence>
  static bool init_sequence(Sequence * s, size_t n)
  {
    static_assert(
      !std::is_null_pointer_v<decltype(SequenceInit)>, "name the nested type's sequence functions");
    return SequenceInit(s, n);
  }
  template<class Sequence>
  static void fini_sequence(Sequence * s)
  {
    static_assert(
      !std::is_null_pointer_v<decltype(SequenceFini)>, "name the nested type's sequence functions");
    SequenceFini(s);
  }
  template<class>
  static constexpr size_t kMinWireSize = 1;
};

// ---- Shapes: n elements of one kind, as a fixed array or a sequence holds them. ----

// Primitives other than bool go to and from the stream in one piece: aligned to their
// width when there is at least one, as the stream aligns them.
template<class Kind, class T>
constexpr bool kInOnePiece = std::is_same_v<Kind, Plain> && !std::is_same_v<T, bool>;

template<class Kind, class T>
[[nodiscard]] inline bool write_elements(
  const T * data, size_t n, MessageStream & out, const char * member_name)
{
  if constexpr (kInOnePiece<Kind, T>) {
    out.cdr().serializeArray(data, n);
    return true;
  } else {
    for (size_t i = 0; i < n; ++i) {
      if (!Kind::write(data[i], out, member_name)) {
        return false;
      }
    }
    return true;
  }
}

template<class Kind, class T>
[[nodiscard]] inline bool read_elements(
  MessageStream & in, T * data, size_t n, const char * member_name)
{
  if constexpr (kInOnePiece<Kind, T>) {
    in.cdr().deserializeArray(data, n);
    return true;
  } else {
    for (size_t i = 0; i < n; ++i) {
      if (!Kind::read(in, data[i], member_name)) {
        return false;
      }
    }
    return true;
  }
}

template<class Kind, class T>
inline size_t size_elements(const T * data, size_t n, size_t c)
{
  if constexpr (kInOnePiece<Kind, T>) {
    return n == 0 ? 0 : n * sizeof(T) + Cdr::alignment(c, sizeof(T));
  } else {
    const size_t start = c;
    for (size_t i = 0; i < n; ++i) {
      c += Kind::size(data[i], c);
    }
    return c - start;
  }
}

template<class Kind, class T>
inline size_t max_elements(bool & full_bounded, size_t n, size_t c)
{
  if constexpr (kInOnePiece<Kind, T>) {
    return n == 0 ? 0 : n * sizeof(T) + Cdr::alignment(c, sizeof(T));
  } else {
    const size_t start = c;
    for (size_t i = 0; i < n; ++i) {
      c += Kind::template max<T>(full_bounded, c);
    }
    return c - start;
  }
}

// Elements written one by one leave nothing of the member in the stream when one of them
// fails or throws, as a string member does.
template<class Write>
[[nodiscard]] inline bool all_or_nothing(MessageStream & out, Write write)
{
  const size_t before = out.mark();
  bool written = false;
  try {
    written = write();
  } catch (...) {
    out.rewind_to(before);
    throw;
  }
  if (!written) {
    out.rewind_to(before);
  }
  return written;
}

// T[N] of any element kind: the N elements, no count.
template<class Kind = Plain>
struct Array
{
  template<class T, size_t N>
  [[nodiscard]] static bool write(
    const T (&array)[N], MessageStream & out, const char * member_name)
  {
    if constexpr (kInOnePiece<Kind, T>) {
      return write_elements<Kind>(array, N, out, member_name);
    } else {
      return all_or_nothing(out, [&] {return write_elements<Kind>(array, N, out, member_name);});
    }
  }
  template<class T, size_t N>
  [[nodiscard]] static bool read(MessageStream & in, T (&array)[N], const char * member_name)
  {
    return read_elements<Kind>(in, array, N, member_name);
  }
  template<class T, size_t N>
  static size_t size(const T (&array)[N], size_t c) {return size_elements<Kind>(array, N, c);}
  template<class V>
  static size_t max(bool & full_bounded, size_t c)
  {
    return max_elements<Kind, std::remove_extent_t<V>>(full_bounded, std::extent_v<V>, c);
  }
};

// Before a received count is allocated: whether the stream still holds `bytes`, so that a
// count the payload cannot hold never allocates for it.
inline bool holds(Cdr & cdr, size_t bytes)
{
  Cdr::state here(cdr);
  const bool held = cdr.jump(bytes);
  cdr.setState(here);
  return held;
}

// T[] (Bound kUnbounded) or T[<=N] of any element kind: a uint32 count at a multiple of 4,
// then the elements. A count beyond the bound is refused both ways.
template<class Kind = Plain, size_t Bound = kUnbounded>
struct Sequence
{
  template<class S>
  using Element = std::remove_pointer_t<decltype(S::data)>;

  template<class S>
  [[nodiscard]] static bool write(const S & s, MessageStream & out, const char * member_name)
  {
    if (s.size > Bound) {
      report_field("sequence longer than its bound in field ", member_name);
      return false;
    }
    if (s.size >= std::numeric_limits<uint32_t>::max()) {
      report_field("sequence too long for CDR in field ", member_name);
      return false;
    }
    if (s.size > 0 && s.data == nullptr) {
      report_field("sequence without data in field ", member_name);
      return false;
    }
    return all_or_nothing(out, [&] {
        out.cdr() << static_cast<uint32_t>(s.size);
        return write_elements<Kind>(s.data, s.size, out, member_name);
      });
  }

  template<class S>
  [[nodiscard]] static bool read(MessageStream & in, S & s, const char * member_name)
  {
    const size_t before = in.mark();
    uint32_t count = 0;
    try {
      in.cdr() >> count;
      if (count > Bound) {
        report_field("sequence longer than its bound in field ", member_name);
        return false;
      }
    } catch (...) {
      in.rewind_to(before);
      throw;
    }
    // A payload that ends early is the stream's exception, as for every other member; told
    // from the count, before a hostile count allocates anything.
    if (!holds(in.cdr(), count * Kind::template kMinWireSize<Element<S>>)) {
      in.rewind_to(before);
      throw eprosima::fastcdr::exception::NotEnoughMemoryException(
              eprosima::fastcdr::exception::NotEnoughMemoryException::
              NOT_ENOUGH_MEMORY_MESSAGE_DEFAULT);
    }
    if (count > s.capacity || (count > 0 && s.data == nullptr)) {
      Kind::fini_sequence(&s);
      if (!Kind::init_sequence(&s, count)) {
        report_field("failed to allocate sequence for field ", member_name);
        return false;
      }
    }
    s.size = count;
    return read_elements<Kind>(in, s.data, count, member_name);
  }

  template<class S>
  static size_t size(const S & s, size_t c)
  {
    const size_t count = kSequenceCountField + Cdr::alignment(c, kSequenceCountField);
    return count + size_elements<Kind>(s.data, s.size, c + count);
  }

  template<class S>
  static size_t max(bool & full_bounded, size_t c)
  {
    const size_t count = kSequenceCountField + Cdr::alignment(c, kSequenceCountField);
    if constexpr (Bound == kUnbounded) {
      full_bounded = false;
      return count;
    } else {
      return count + max_elements<Kind, Element<S>>(full_bounded, Bound, c + count);
    }
  }
};

template<class Kind, size_t N>
using BoundedSequence = Sequence<Kind, N>;

}  // namespace
}  // namespace kovel_camera_msgs_rules

#endif  // KOVEL_CAMERA_MSGS__DETAIL__MEMBER_RULES_HPP_
