// Fast-CDR C type support of std_msgs/msg/Header: builtin_interfaces/Time stamp, string
// frame_id.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include <fastcdr/Cdr.h>

#include "builtin_interfaces/msg/detail/time__rosidl_typesupport_fastrtps_c.h"
#include "rosidl_runtime_c/string_functions.h"
#include "rosidl_typesupport_fastrtps_c/identifier.h"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"
#include "std_msgs/msg/detail/header__rosidl_typesupport_fastrtps_c.h"
#include "std_msgs/msg/detail/header__struct.h"

using eprosima::fastcdr::Cdr;

namespace
{

using Header = std_msgs__msg__Header;

// One write, so that lines of concurrent callers never interleave.
void report(const char * text)
{
  fwrite(text, 1, strlen(text), stderr);
}

void report_assign_failure(const char * member_name)
{
  char text[128];
  const int n = snprintf(
    text, sizeof(text), "failed to assign string into field '%s'\n", member_name);
  if (n > 0) {
    fwrite(text, 1, std::min(static_cast<size_t>(n), sizeof(text) - 1), stderr);
  }
}

const message_type_support_callbacks_t * time_callbacks()
{
  return static_cast<const message_type_support_callbacks_t *>(
    ROSIDL_TYPESUPPORT_INTERFACE__MESSAGE_SYMBOL_NAME(
      rosidl_typesupport_fastrtps_c, builtin_interfaces, msg, Time)()->data);
}

// The length counts the NUL; exactly `size` characters and the NUL are written, so an inner
// NUL is carried and the bytes match the computed size. A throw leaves the stream where the
// string began, unless a growing buffer has moved (the saved state would point into freed
// memory).
bool write_string(const rosidl_runtime_c__String & s, Cdr & cdr)
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
    if (cdr.getBufferPointer() == buffer) {
      cdr.setState(before);
    }
    throw;
  }
  return true;
}

// As Fast-CDR's own string read: inner NULs kept, a final one dropped, the stream unmoved
// when it throws. A longer text is assigned through the runtime, which grows the buffer.
bool read_string(Cdr & cdr, rosidl_runtime_c__String & s, const char * member_name)
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

bool cdr_serialize(const void * untyped_ros_message, Cdr & cdr)
{
  if (untyped_ros_message == nullptr) {
    report("ros message handle is null\n");
    return false;
  }
  const auto * m = static_cast<const Header *>(untyped_ros_message);
  return time_callbacks()->cdr_serialize(&m->stamp, cdr) && write_string(m->frame_id, cdr);
}

bool cdr_deserialize(Cdr & cdr, void * untyped_ros_message)
{
  if (untyped_ros_message == nullptr) {
    report("ros message handle is null\n");
    return false;
  }
  auto * m = static_cast<Header *>(untyped_ros_message);
  return time_callbacks()->cdr_deserialize(cdr, &m->stamp) &&
         read_string(cdr, m->frame_id, "frame_id");
}

}  // namespace

size_t get_serialized_size_std_msgs__msg__Header(
  const void * untyped_ros_message, size_t current_alignment)
{
  const auto * m = static_cast<const Header *>(untyped_ros_message);
  size_t c = current_alignment;
  c += get_serialized_size_builtin_interfaces__msg__Time(&m->stamp, c);
  c += 4 + Cdr::alignment(c, 4) + m->frame_id.size + 1;
  return c - current_alignment;
}

size_t max_serialized_size_std_msgs__msg__Header(bool & full_bounded, size_t current_alignment)
{
  size_t c = current_alignment;
  c += max_serialized_size_builtin_interfaces__msg__Time(full_bounded, c);
  full_bounded = false;  // frame_id is unbounded: counted empty
  c += 4 + Cdr::alignment(c, 4) + 1;
  return c - current_alignment;
}

namespace
{

uint32_t get_serialized_size(const void * untyped_ros_message)
{
  const size_t size = get_serialized_size_std_msgs__msg__Header(untyped_ros_message, 0);
  return size < UINT32_MAX ? static_cast<uint32_t>(size) : UINT32_MAX;
}

size_t max_serialized_size(bool & full_bounded)
{
  return max_serialized_size_std_msgs__msg__Header(full_bounded, 0);
}

const message_type_support_callbacks_t callbacks = {
  "std_msgs::msg", "Header",
  cdr_serialize, cdr_deserialize, get_serialized_size, max_serialized_size};

// The identifier lives in another library: the handle takes it when this one is loaded.
rosidl_message_type_support_t type_support = {
  rosidl_typesupport_fastrtps_c__identifier, &callbacks, get_message_typesupport_handle_function};

}  // namespace

const rosidl_message_type_support_t *
ROSIDL_TYPESUPPORT_INTERFACE__MESSAGE_SYMBOL_NAME(
  rosidl_typesupport_fastrtps_c, std_msgs, msg, Header)()
{
  return &type_support;
}
