// What the hand-written Fast-CDR C type supports of the message stand-ins share: the string
// write and read, the stream restore after a throw, the error reports, and the callbacks and
// handle of a message. Internal to the stand-ins, which link Fast-CDR, the rosidl runtime and
// the rosidl_typesupport_fastrtps_cpp stand-in (kovel_standin_fastrtps_c_library does).
#ifndef ROSIDL_TYPESUPPORT_FASTRTPS_C__STANDIN_TYPE_SUPPORT_HPP_
#define ROSIDL_TYPESUPPORT_FASTRTPS_C__STANDIN_TYPE_SUPPORT_HPP_

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include <fastcdr/Cdr.h>

#include "rosidl_runtime_c/string_functions.h"
#include "rosidl_typesupport_fastrtps_c/identifier.h"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"

namespace rosidl_typesupport_fastrtps_c_standin
{

using eprosima::fastcdr::Cdr;

// One write, so that lines of concurrent callers never interleave.
inline void report(const char * text)
{
  fwrite(text, 1, strlen(text), stderr);
}

inline void report_assign_failure(const char * member_name)
{
  char text[128];
  const int n = snprintf(
    text, sizeof(text), "failed to assign string into field '%s'\n", member_name);
  if (n > 0) {
    fwrite(text, 1, std::min(static_cast<size_t>(n), sizeof(text) - 1), stderr);
  }
}

// Back to a saved state after a throw, unless a growing buffer has moved since (the state
// would point into freed memory).
inline void restore(Cdr & cdr, Cdr::state & before, const char * buffer)
{
  if (cdr.getBufferPointer() == buffer) {
    cdr.setState(before);
  }
}

// The length counts the NUL; exactly `size` characters and the NUL are written, so an inner
// NUL is carried and the bytes match the computed size. A throw leaves the stream where the
// string began.
inline bool write_string(const rosidl_runtime_c__String & s, Cdr & cdr)
{
  if (s.capacity == 0 || s.capacity <= s.size) {
    report("string capacity not greater than size\n");
    return false;
  }
  if (s.size >= UINT32_MAX) {
    report("string too long for CDR\n");
    return false;
  }
  if (s.data == nullptr || s.data[s.size] != '\0') {
    report("string not null-terminated\n");
    return false;
  }
  Cdr::state before(cdr);
  const char * buffer = cdr.getBufferPointer();
  try {
    cdr << static_cast<uint32_t>(s.size + 1);
    cdr.serializeArray(s.data, s.size + 1);
  } catch (...) {
    restore(cdr, before, buffer);
    throw;
  }
  return true;
}

// As Fast-CDR's own string read: inner NULs kept, a final one dropped, the stream unmoved
// when it throws. A longer text is assigned through the runtime, which grows the buffer.
inline bool read_string(Cdr & cdr, rosidl_runtime_c__String & s, const char * member_name)
{
  // A text that fits the buffer with room for its NUL is read straight into it; the array
  // read checks that every byte is there before it copies any.
  Cdr::state before(cdr);
  uint32_t length = 0;
  cdr >> length;
  if (s.data != nullptr && length > 0 && length <= s.capacity) {
    try {
      cdr.deserializeArray(s.data, length);
    } catch (...) {
      cdr.setState(before);
      throw;
    }
    const size_t size = s.data[length - 1] == '\0' ? length - 1 : length;
    if (size < s.capacity) {
      s.data[size] = '\0';
      s.size = size;
      return true;
    }
    // No room for the NUL: left valid (empty) while the runtime grows it below.
    s.data[0] = '\0';
    s.size = 0;
  }
  cdr.setState(before);
  std::string text;
  cdr >> text;
  if (s.data == nullptr) {
    rosidl_runtime_c__String__init(&s);
  }
  if (!rosidl_runtime_c__String__assignn(&s, text.data(), text.size())) {
    report_assign_failure(member_name);
    return false;
  }
  return true;
}

// The callbacks' whole-message sizes over a message's size functions, from alignment 0.
template<size_t (*SerializedSize)(const void *, size_t)>
uint32_t get_serialized_size(const void * untyped_ros_message)
{
  const size_t size = SerializedSize(untyped_ros_message, 0);
  return size < UINT32_MAX ? static_cast<uint32_t>(size) : UINT32_MAX;
}

template<size_t (*MaxSerializedSize)(bool &, size_t)>
size_t max_serialized_size(bool & full_bounded)
{
  return MaxSerializedSize(full_bounded, 0);
}

}  // namespace rosidl_typesupport_fastrtps_c_standin

// The callbacks and handle of PACKAGE/msg/NAME, made of the unit's cdr_serialize and
// cdr_deserialize and of get_/max_serialized_size_PACKAGE__msg__NAME, and the exported
// function that returns the handle. The identifier lives in another library: the handle
// takes it when this one is loaded.
#define ROSIDL_TYPESUPPORT_FASTRTPS_C_STANDIN_MESSAGE(PACKAGE, NAME) \
  namespace \
  { \
  const message_type_support_callbacks_t callbacks = { \
    #PACKAGE "::msg", #NAME, cdr_serialize, cdr_deserialize, \
    rosidl_typesupport_fastrtps_c_standin::get_serialized_size< \
      get_serialized_size_ ## PACKAGE ## __msg__ ## NAME>, \
    rosidl_typesupport_fastrtps_c_standin::max_serialized_size< \
      max_serialized_size_ ## PACKAGE ## __msg__ ## NAME>}; \
  rosidl_message_type_support_t type_support = { \
    rosidl_typesupport_fastrtps_c__identifier, &callbacks, \
    get_message_typesupport_handle_function}; \
  } \
  const rosidl_message_type_support_t * \
  ROSIDL_TYPESUPPORT_INTERFACE__MESSAGE_SYMBOL_NAME( \
    rosidl_typesupport_fastrtps_c, PACKAGE, msg, NAME)() \
  { \
    return &type_support; \
  }

#endif  // ROSIDL_TYPESUPPORT_FASTRTPS_C__STANDIN_TYPE_SUPPORT_HPP_
