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
#include <cstring>
#include <memory>
#include <utility>

#include <fastcdr/Cdr.h>

#include "rosidl_runtime_c/primitives_sequence_functions.h"
#include "rosidl_typesupport_fastrtps_c/standin_type_support.hpp"
#include "sensor_msgs/msg/detail/camera_info__rosidl_typesupport_fastrtps_c.h"
#include "sensor_msgs/msg/detail/camera_info__struct.h"
#include "sensor_msgs/msg/detail/region_of_interest__rosidl_typesupport_fastrtps_c.h"
#include "std_msgs/msg/detail/header__rosidl_typesupport_fastrtps_c.h"

using eprosima::fastcdr::Cdr;
using rosidl_typesupport_fastrtps_c_standin::read_string;
using rosidl_typesupport_fastrtps_c_standin::report;
using rosidl_typesupport_fastrtps_c_standin::restore;
using rosidl_typesupport_fastrtps_c_standin::write_string;

namespace
{

using CameraInfo = sensor_msgs__msg__CameraInfo;

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

ROSIDL_TYPESUPPORT_FASTRTPS_C_STANDIN_MESSAGE(sensor_msgs, CameraInfo)
