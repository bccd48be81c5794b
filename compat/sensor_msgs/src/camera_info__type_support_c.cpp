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
#include <cstring>
#include <vector>

#include "rosidl_runtime_c/primitives_sequence_functions.h"
#include "sensor_msgs/msg/detail/camera_info__rosidl_typesupport_fastrtps_c.h"
#include "sensor_msgs/msg/detail/camera_info__struct.h"
#include "sensor_msgs/msg/detail/region_of_interest__rosidl_typesupport_fastrtps_c.h"
#include "std_msgs/msg/detail/header__rosidl_typesupport_fastrtps_c.h"
#include "type_support_frame.hpp"

using namespace kovel_camera_msgs_rules;  // NOLINT
using _CameraInfo__ros_msg_type = sensor_msgs__msg__CameraInfo;

static constexpr NestedType kHeader = {
  rosidl_typesupport_fastrtps_c__get_message_type_support_handle__std_msgs__msg__Header,
  get_serialized_size_std_msgs__msg__Header,
  max_serialized_size_std_msgs__msg__Header};
static constexpr NestedType kRegionOfInterest = {
  rosidl_typesupport_fastrtps_c__get_message_type_support_handle__sensor_msgs__msg__RegionOfInterest,
  get_serialized_size_sensor_msgs__msg__RegionOfInterest,
  max_serialized_size_sensor_msgs__msg__RegionOfInterest};

// ---- The float64[] member `d`, the only sequence of the package's dependencies. ----

static bool write_double_sequence(const rosidl_runtime_c__double__Sequence & d, MessageStream & out)
{
  if (d.size > std::numeric_limits<uint32_t>::max()) {
    report("sequence too long for CDR\n");
    return false;
  }
  if (d.size > 0 && d.data == nullptr) {
    report("sequence data is null\n");
    return false;
  }
  const size_t before = out.mark();
  try {
    out.cdr() << static_cast<uint32_t>(d.size);
    if (d.size > 0) {
      out.cdr().serializeArray(d.data, d.size);
    }
  } catch (...) {
    out.rewind_to(before);
    throw;
  }
  return true;
}

// The received count is not trusted. Elements that fit the sequence's buffer are read
// straight into it, all or nothing; more are read in bounded chunks, so a count the payload
// cannot hold throws when the payload runs out instead of allocating first.
static bool read_double_sequence(MessageStream & in, rosidl_runtime_c__double__Sequence & d)
{
  constexpr size_t kChunk = 4096;
  Cdr & cdr = in.cdr();
  std::vector<double> values;
  const size_t before = in.mark();
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
    while (values.size() < count) {
      size_t offset = values.size();
      size_t n = std::min<size_t>(kChunk, count - offset);
      values.resize(offset + n);
      cdr.deserializeArray(values.data() + offset, n);
    }
  } catch (...) {
    in.rewind_to(before);
    throw;
  }
  rosidl_runtime_c__double__Sequence__fini(&d);
  if (!rosidl_runtime_c__double__Sequence__init(&d, values.size())) {
    report("failed to allocate sequence 'd'\n");
    return false;
  }
  if (!values.empty()) {
    std::memcpy(d.data, values.data(), values.size() * sizeof(double));
  }
  return true;
}

static size_t size_double_sequence(const rosidl_runtime_c__double__Sequence & d, size_t c)
{
  size_t start = c;
  c += 4 + Cdr::alignment(c, 4);
  if (d.size > 0) {  // an empty sequence is its count alone, as it is written
    c += d.size * sizeof(double) + Cdr::alignment(c, sizeof(double));
  }
  return c - start;
}

static size_t max_double_sequence(bool & full_bounded, size_t c)
{
  full_bounded = false;
  return 4 + Cdr::alignment(c, 4);
}

// ---- The message. ----

static bool _CameraInfo__cdr_serialize(const void * untyped_ros_message, Cdr & cdr)
{
  auto * m = record_or_report<const _CameraInfo__ros_msg_type>(untyped_ros_message);
  MessageStream out(cdr);
  return m &&
         write_nested(kHeader, &m->header, out) &&
         write_int32(m->height, out) &&
         write_int32(m->width, out) &&
         write_string(m->distortion_model, out) &&
         write_double_sequence(m->d, out) &&
         write_array(m->k, out) &&
         write_array(m->r, out) &&
         write_array(m->p, out) &&
         write_int32(m->binning_x, out) &&
         write_int32(m->binning_y, out) &&
         write_nested(kRegionOfInterest, &m->roi, out);
}

static bool _CameraInfo__cdr_deserialize(Cdr & cdr, void * untyped_ros_message)
{
  auto * m = record_or_report<_CameraInfo__ros_msg_type>(untyped_ros_message);
  MessageStream in(cdr);
  return m &&
         read_nested(kHeader, in, &m->header) &&
         read_int32(in, m->height) &&
         read_int32(in, m->width) &&
         read_string(in, m->distortion_model, "distortion_model") &&
         read_double_sequence(in, m->d) &&
         read_array(in, m->k) &&
         read_array(in, m->r) &&
         read_array(in, m->p) &&
         read_int32(in, m->binning_x) &&
         read_int32(in, m->binning_y) &&
         read_nested(kRegionOfInterest, in, &m->roi);
}

size_t get_serialized_size_sensor_msgs__msg__CameraInfo(
  const void * untyped_ros_message, size_t current_alignment)
{
  auto * m = static_cast<const _CameraInfo__ros_msg_type *>(untyped_ros_message);
  size_t c = current_alignment;
  c += size_nested(kHeader, &m->header, c);
  c += size_int32(c);  // height
  c += size_int32(c);  // width
  c += size_string(m->distortion_model, c);
  c += size_double_sequence(m->d, c);
  c += size_array(m->k, c);
  c += size_array(m->r, c);
  c += size_array(m->p, c);
  c += size_int32(c);  // binning_x
  c += size_int32(c);  // binning_y
  c += size_nested(kRegionOfInterest, &m->roi, c);
  return c - current_alignment;
}

size_t max_serialized_size_sensor_msgs__msg__CameraInfo(
  bool & full_bounded, size_t current_alignment)
{
  size_t c = current_alignment;
  c += max_nested(kHeader, full_bounded, c);
  c += max_int32(c);  // height
  c += max_int32(c);  // width
  c += max_string(full_bounded, c);  // distortion_model
  c += max_double_sequence(full_bounded, c);  // d
  c += max_array<double, 9>(c);  // k
  c += max_array<double, 9>(c);  // r
  c += max_array<double, 12>(c);  // p
  c += max_int32(c);  // binning_x
  c += max_int32(c);  // binning_y
  c += max_nested(kRegionOfInterest, full_bounded, c);
  return c - current_alignment;
}

ROSIDL_FASTRTPS_C_MESSAGE_FRAME(sensor_msgs, msg, CameraInfo)

static const struct BindCameraInfo
{
  BindCameraInfo()
  {
    _CameraInfo__type_support.typesupport_identifier = rosidl_typesupport_fastrtps_c__identifier;
  }
} bind_camera_info;
