// Test support: streams over zeroed buffers, records with owned strings, stderr capture.
#ifndef KOVEL_TEST__SUPPORT_HPP_
#define KOVEL_TEST__SUPPORT_HPP_

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <fastcdr/Cdr.h>
#include <fastcdr/FastBuffer.h>

#include "record.hpp"
#include "rosidl_runtime_c/string_functions.h"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"
#include "type_catalog.hpp"

namespace kovel_test
{

using eprosima::fastcdr::Cdr;
using eprosima::fastcdr::FastBuffer;

/// A little-endian CDR stream over a zeroed buffer; positions count from its first byte.
struct Stream
{
  explicit Stream(size_t capacity = 4096)
  : bytes(capacity, 0), buffer(bytes.data(), bytes.size()),
    cdr(buffer, Cdr::LITTLE_ENDIANNESS, Cdr::CORBA_CDR) {}

  /// A stream that reads the given bytes.
  explicit Stream(const std::vector<uint8_t> & content)
  : bytes(content.begin(), content.end()), buffer(bytes.data(), bytes.size()),
    cdr(buffer, Cdr::LITTLE_ENDIANNESS, Cdr::CORBA_CDR) {}

  /// Moves to `position` with filler octets, so that what follows starts there.
  void skip_to(size_t position)
  {
    for (size_t i = 0; i < position; ++i) {
      cdr << static_cast<uint8_t>(0);
    }
  }

  size_t length() const {return cdr.getSerializedDataLength();}

  /// The bytes from `from` up to the current position.
  std::vector<uint8_t> written(size_t from = 0) const
  {
    return std::vector<uint8_t>(bytes.begin() + from, bytes.begin() + length());
  }

  std::vector<char> bytes;
  FastBuffer buffer;
  Cdr cdr;
};

inline const message_type_support_callbacks_t & callbacks(const kovel_cdr::MessageType & type)
{
  return *static_cast<const message_type_support_callbacks_t *>(type.handle()->data);
}

inline const kovel_cdr::MessageType & type(const char * name)
{
  return kovel_cdr::find_message_type(name);
}

/// Stores text (inner NULs included) into an initialised string.
inline void set(rosidl_runtime_c__String & s, const std::string & text)
{
  ASSERT_TRUE(rosidl_runtime_c__String__assignn(&s, text.data(), text.size()));
}

inline std::string text(const rosidl_runtime_c__String & s)
{
  return s.data == nullptr ? std::string() : std::string(s.data, s.size);
}

/// The typed record behind a kovel_cdr::Record.
template<class T>
T & as(kovel_cdr::Record & record)
{
  return *static_cast<T *>(record.data());
}

/// Runs `action` and returns what it wrote to stderr.
template<class Action>
std::string stderr_of(Action && action)
{
  testing::internal::CaptureStderr();
  action();
  return testing::internal::GetCapturedStderr();
}

/// Serializes a message the type support must refuse: returns the stderr text and the
/// number of bytes the stream holds afterwards.
inline std::pair<std::string, size_t> refusal(const char * type_name, const void * message)
{
  Stream stream;
  bool written = true;
  std::string text = stderr_of(
    [&] {written = callbacks(type(type_name)).cdr_serialize(message, stream.cdr);});
  EXPECT_FALSE(written) << type_name;
  return {text, stream.length()};
}

inline std::pair<std::string, size_t> refused(const char * text, size_t bytes_left)
{
  return {text, bytes_left};
}

/// Little-endian bytes of a 32-bit value.
inline std::vector<uint8_t> le32(uint32_t value)
{
  return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
    static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

}  // namespace kovel_test

#endif  // KOVEL_TEST__SUPPORT_HPP_
