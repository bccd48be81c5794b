// Fast-CDR C type support of sensor_msgs/msg/CameraInfo:
//
//   header              nested std_msgs/Header
//   height, width       uint32
//   distortion_model    string
//   d                   float64[]: a 4-byte count, then the elements aligned to 8
//   k, r, p             float64[9], float64[9], float64[12]
//   binning_x, _y       uint32
//   roi                 nested sensor_msgs/RegionOfInterest
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include <fastcdr/Cdr.h>

#include "rosidl_runtime_c/primitives_sequence_functions.h"
#include "rosidl_runtime_c/string_functions.h"
#include "rosidl_typesupport_fastrtps_c/identifier.h"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"
#include "sensor_msgs/msg/detail/camera_info__rosidl_typesupport_fastrtps_c.h"
#include "sensor_msgs/msg/detail/camera_info__struct.h"
#include "sensor_msgs/msg/detail/region_of_interest__rosidl_typesupport_fastrtps_c.h"
#include "std_msgs/msg/detail/header__rosidl_typesupport_fastrtps_c.h"

using eprosima::fastcdr::Cdr;

namespace
{

using CameraInfo = sensor_msgs__msg__CameraInfo;

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

const message_type_support_callbacks_t * header_callbacks()
{
  return static_cast<const message_type_support_callbacks_t *>(
    ROSIDL_TYPESUPPORT_INTERFACE__MESSAGE_SYMBOL_NAME(
      rosidl_typesupport_fastrtps_c, std_msgs, msg, Header)()->data);
}

const message_type_support_callbacks_t * region_of_interest_callbacks()
{
  return static_cast<const message_type_support_callbacks_t *>(
    ROSIDL_TYPESUPPORT_INTERFACE__MESSAGE_SYMBOL_NAME(
      rosidl_typesupport_fastrtps_c, sensor_msgs, msg, RegionOfInterest)()->data);
}

// Back to a saved state after a throw, unless a growing buffer has moved since (the state
// would point into freed memory).
void restore(Cdr & cdr, Cdr::state & before, const char * buffer)
{
  if (cdr.getBufferPointer() == buffer) {
    cdr.setState(before);
  }
}

// The length counts the NUL; exactly `size` characters and the NUL are written, so an inner
// NUL is carried and the bytes match the computed size. A throw leaves the stream where the
// string began.
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
    restore(cdr, before, buffer);
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

// A 4-byte count, then the elements. A throw leaves the stream where the count began.
bool write_double_sequence(const rosidl_runtime_c__double__Sequence & d, Cdr & cdr)
{
  if (d.size > UINT32_MAX) {
    report("sequence too long for CDR\n");
    return false;
  }
  if (d.size > 0 && d.data == nullptr) {
    report("sequence data is null\n");
    return false;
  }
  Cdr::state before(cdr);
  const char * buffer = cdr.getBufferPointer();
  try {
    cdr << static_cast<uint32_t>(d.size);
    if (d.size > 0) {
      cdr.serializeArray(d.data, d.size);
    }
  } catch (...) {
    restore(cdr, before, buffer);
    throw;
  }
  return true;
}

// The received count is not trusted. Elements that fit the sequence's buffer are read
// straight into it, all or nothing; more are read in bounded chunks, so a count the payload
// cannot hold throws when the payload runs out instead of allocating first. A throw leaves
// the stream where the count began and the sequence unchanged.
bool read_double_sequence(Cdr & cdr, rosidl_runtime_c__double__Sequence & d)
{
  constexpr size_t kChunk = 4096;
  // Grown by hand rather than in a std::vector, whose out-of-line growth would be exported.
  std::unique_ptr<double[]> values;
  size_t read = 0;
  Cdr::state before(cdr);
  try {
    uint32_t count = 0;
    cdr >> count;
    if (d.data != nullptr && count <= d.capacity) {
      if (count > 0) {
        cdr.deserializeArray(d.data, count);
      }
      d.size = count;
      return true;
    }
    size_t allocated = 0;
    while (read < count) {
      if (read == allocated) {
        allocated = std::min<size_t>(count, std::max(kChunk, 2 * allocated));
        std::unique_ptr<double[]> grown(new double[allocated]);
        std::copy_n(values.get(), read, grown.get());
        values = std::move(grown);
      }
      const size_t n = std::min(kChunk, allocated - read);
      cdr.deserializeArray(values.get() + read, n);
      read += n;
    }
  } catch (...) {
    cdr.setState(before);
    throw;
  }
  rosidl_runtime_c__double__Sequence__fini(&d);
  if (!rosidl_runtime_c__double__Sequence__init(&d, read)) {
    report("failed to allocate sequence 'd'\n");
    return false;
  }
  if (read > 0) {
    memcpy(d.data, values.get(), read * sizeof(double));
  }
  return true;
}

bool cdr_serialize(const void * untyped_ros_message, Cdr & cdr)
{
  if (untyped_ros_message == nullptr) {
    report("ros message handle is null\n");
    return false;
  }
  const auto * m = static_cast<const CameraInfo *>(untyped_ros_message);
  if (!header_callbacks()->cdr_serialize(&m->header, cdr)) {
    return false;
  }
  cdr << m->height;
  cdr << m->width;
  if (!write_string(m->distortion_model, cdr) || !write_double_sequence(m->d, cdr)) {
    return false;
  }
  cdr.serializeArray(m->k, 9);
  cdr.serializeArray(m->r, 9);
  cdr.serializeArray(m->p, 12);
  cdr << m->binning_x;
  cdr << m->binning_y;
  return region_of_interest_callbacks()->cdr_serialize(&m->roi, cdr);
}

bool cdr_deserialize(Cdr & cdr, void * untyped_ros_message)
{
  if (untyped_ros_message == nullptr) {
    report("ros message handle is null\n");
    return false;
  }
  auto * m = static_cast<CameraInfo *>(untyped_ros_message);
  if (!header_callbacks()->cdr_deserialize(cdr, &m->header)) {
    return false;
  }
  cdr >> m->height;
  cdr >> m->width;
  if (!read_string(cdr, m->distortion_model, "distortion_model") ||
    !read_double_sequence(cdr, m->d))
  {
    return false;
  }
  cdr.deserializeArray(m->k, 9);
  cdr.deserializeArray(m->r, 9);
  cdr.deserializeArray(m->p, 12);
  cdr >> m->binning_x;
  cdr >> m->binning_y;
  return region_of_interest_callbacks()->cdr_deserialize(cdr, &m->roi);
}

}  // namespace

size_t get_serialized_size_sensor_msgs__msg__CameraInfo(
  const void * untyped_ros_message, size_t current_alignment)
{
  const auto * m = static_cast<const CameraInfo *>(untyped_ros_message);
  size_t c = current_alignment;
  c += get_serialized_size_std_msgs__msg__Header(&m->header, c);
  c += 4 + Cdr::alignment(c, 4);  // height
  c += 4 + Cdr::alignment(c, 4);  // width
  c += 4 + Cdr::alignment(c, 4) + m->distortion_model.size + 1;
  c += 4 + Cdr::alignment(c, 4);  // d's count
  if (m->d.size > 0) {  // an empty sequence is its count alone, as it is written
    c += m->d.size * sizeof(double) + Cdr::alignment(c, sizeof(double));
  }
  c += 9 * sizeof(double) + Cdr::alignment(c, sizeof(double));  // k
  c += 9 * sizeof(double) + Cdr::alignment(c, sizeof(double));  // r
  c += 12 * sizeof(double) + Cdr::alignment(c, sizeof(double));  // p
  c += 4 + Cdr::alignment(c, 4);  // binning_x
  c += 4 + Cdr::alignment(c, 4);  // binning_y
  c += get_serialized_size_sensor_msgs__msg__RegionOfInterest(&m->roi, c);
  return c - current_alignment;
}

// distortion_model and d are unbounded: each is counted empty and clears full_bounded.
size_t max_serialized_size_sensor_msgs__msg__CameraInfo(
  bool & full_bounded, size_t current_alignment)
{
  size_t c = current_alignment;
  c += max_serialized_size_std_msgs__msg__Header(full_bounded, c);
  c += 4 + Cdr::alignment(c, 4);  // height
  c += 4 + Cdr::alignment(c, 4);  // width
  full_bounded = false;
  c += 4 + Cdr::alignment(c, 4) + 1;  // distortion_model
  c += 4 + Cdr::alignment(c, 4);  // d
  c += 9 * sizeof(double) + Cdr::alignment(c, sizeof(double));  // k
  c += 9 * sizeof(double) + Cdr::alignment(c, sizeof(double));  // r
  c += 12 * sizeof(double) + Cdr::alignment(c, sizeof(double));  // p
  c += 4 + Cdr::alignment(c, 4);  // binning_x
  c += 4 + Cdr::alignment(c, 4);  // binning_y
  c += max_serialized_size_sensor_msgs__msg__RegionOfInterest(full_bounded, c);
  return c - current_alignment;
}

namespace
{

uint32_t get_serialized_size(const void * untyped_ros_message)
{
  const size_t size = get_serialized_size_sensor_msgs__msg__CameraInfo(untyped_ros_message, 0);
  return size < UINT32_MAX ? static_cast<uint32_t>(size) : UINT32_MAX;
}

size_t max_serialized_size(bool & full_bounded)
{
  return max_serialized_size_sensor_msgs__msg__CameraInfo(full_bounded, 0);
}

const message_type_support_callbacks_t callbacks = {
  "sensor_msgs::msg", "CameraInfo",
  cdr_serialize, cdr_deserialize, get_serialized_size, max_serialized_size};

// The identifier lives in another library: the handle takes it when this one is loaded.
rosidl_message_type_support_t type_support = {
  rosidl_typesupport_fastrtps_c__identifier, &callbacks, get_message_typesupport_handle_function};

}  // namespace

const rosidl_message_type_support_t *
ROSIDL_TYPESUPPORT_INTERFACE__MESSAGE_SYMBOL_NAME(
  rosidl_typesupport_fastrtps_c, sensor_msgs, msg, CameraInfo)()
{
  return &type_support;
}
