// The four services: the empty requests, the response byte maps and sizes at every start
// position, refusals and where they leave the stream, and the nested types' lookups.
#include <dlfcn.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "kovel_camera_msgs/srv/detail/get_camera_info__rosidl_typesupport_fastrtps_c.h"
#include "kovel_camera_msgs/srv/detail/get_camera_info__struct.h"
#include "kovel_camera_msgs/srv/detail/get_camera_params__rosidl_typesupport_fastrtps_c.h"
#include "kovel_camera_msgs/srv/detail/get_camera_params__struct.h"
#include "kovel_camera_msgs/srv/detail/get_device_info__rosidl_typesupport_fastrtps_c.h"
#include "kovel_camera_msgs/srv/detail/get_device_info__struct.h"
#include "kovel_camera_msgs/srv/detail/get_string__rosidl_typesupport_fastrtps_c.h"
#include "kovel_camera_msgs/srv/detail/get_string__struct.h"
#include "rosidl_runtime_c/primitives_sequence_functions.h"
#include "sensor_msgs/msg/detail/camera_info__rosidl_typesupport_fastrtps_c.h"
#include "support.hpp"

using kovel_test::Record;
using kovel_test::Stream;
using kovel_test::as;
using kovel_test::le32;
using kovel_test::refusal;
using kovel_test::refused;
using kovel_test::set;
using kovel_test::stderr_of;
using kovel_test::text;
using Bytes = std::vector<uint8_t>;

// Counts the lookups of the CameraInfo handle: this definition in the test executable
// takes the place of sensor_msgs' own for the whole process and forwards to it.
static int camera_info_lookups = 0;
extern "C" const rosidl_message_type_support_t *
rosidl_typesupport_fastrtps_c__get_message_type_support_handle__sensor_msgs__msg__CameraInfo()
{
  using Getter = const rosidl_message_type_support_t * (*)();
  static auto real = reinterpret_cast<Getter>(dlsym(
      RTLD_NEXT,
      "rosidl_typesupport_fastrtps_c__get_message_type_support_handle__sensor_msgs__msg__CameraInfo"));
  ++camera_info_lookups;
  return real();
}

namespace
{

const message_type_support_callbacks_t & callbacks(const char * type_name)
{
  return kovel_test::callbacks(kovel_test::type(type_name));
}

size_t size_at(const char * type_name, const void * m, size_t position)
{
  return kovel_test::type(type_name).size(m, position);
}

// Serializes from `position` and returns the bytes the message wrote.
Bytes write_from(const char * type_name, const void * m, size_t position = 0)
{
  Stream stream(1 << 16);
  stream.skip_to(position);
  EXPECT_TRUE(callbacks(type_name).cdr_serialize(m, stream.cdr)) << type_name;
  return stream.written(position);
}

}  // namespace

TEST(Requests, AreOnePlaceholderByteAnywhereAndFullyBounded)
{
  for (const std::string & service : kovel_test::service_names()) {
    const std::string request_type = service + "_Request";
    const char * name = request_type.c_str();
    Record request(kovel_test::type(name));
    *static_cast<uint8_t *>(request.data()) = 7;
    for (size_t position = 0; position < 4; ++position) {
      EXPECT_EQ(size_at(name, request.data(), position), 1u) << name;
      EXPECT_EQ(write_from(name, request.data(), position), Bytes{7}) << name;
      for (bool flag : {true, false}) {
        bool full_bounded = flag;
        EXPECT_EQ(kovel_test::type(name).max(full_bounded, position), 1u) << name;
        EXPECT_EQ(full_bounded, flag) << name;
      }
    }
    Stream reader(Bytes{7});
    Record back(kovel_test::type(name));
    ASSERT_TRUE(callbacks(name).cdr_deserialize(reader.cdr, back.data()));
    EXPECT_EQ(*static_cast<uint8_t *>(back.data()), 7) << name;
  }
}

TEST(GetDeviceInfo, SuccessFollowsInfoWithoutFillerAndTheTextAlignsAfterIt)
{
  using Response = kovel_camera_msgs__srv__GetDeviceInfo_Response;
  Record record(kovel_test::type("GetDeviceInfo_Response"));
  auto & m = as<Response>(record);
  m.success = true;
  // info of 61 bytes: success at 61, filler 62-63, length 64-67, NUL 68.
  Bytes bytes = write_from("GetDeviceInfo_Response", &m);
  ASSERT_EQ(bytes.size(), 69u);
  EXPECT_EQ(Bytes(bytes.begin() + 61, bytes.end()), (Bytes{1, 0, 0, 1, 0, 0, 0, 0}));
  // info of 63 bytes: success at 63, length at once at 64.
  set(m.info.hardware_version, "hw");
  bytes = write_from("GetDeviceInfo_Response", &m);
  ASSERT_EQ(bytes.size(), 69u);
  EXPECT_EQ(Bytes(bytes.begin() + 63, bytes.end()), (Bytes{1, 1, 0, 0, 0, 0}));
  for (size_t position = 0; position < 8; ++position) {
    EXPECT_EQ(
      write_from("GetDeviceInfo_Response", &m, position).size(),
      size_at("GetDeviceInfo_Response", &m, position));
  }
  bool full_bounded = true;
  EXPECT_EQ(callbacks("GetDeviceInfo_Response").max_serialized_size(full_bounded), 69u);
  EXPECT_FALSE(full_bounded);
}

TEST(GetDeviceInfo, SuccessByteTwoGoesOutAsOneAndComesBackTrue)
{
  using Response = kovel_camera_msgs__srv__GetDeviceInfo_Response;
  Record record(kovel_test::type("GetDeviceInfo_Response"));
  const uint8_t two = 2;
  std::memcpy(&as<Response>(record).success, &two, 1);
  EXPECT_EQ(write_from("GetDeviceInfo_Response", record.data())[61], 1);

  Bytes received = write_from("GetDeviceInfo_Response", record.data());
  received[61] = 2;
  Stream reader(received);
  Record back(kovel_test::type("GetDeviceInfo_Response"));
  ASSERT_TRUE(callbacks("GetDeviceInfo_Response").cdr_deserialize(reader.cdr, back.data()));
  uint8_t stored = 0;
  std::memcpy(&stored, &as<Response>(back).success, 1);
  EXPECT_EQ(stored, 1);
}

TEST(GetDeviceInfo, RefusalsInsideInfoAndInTheTextLeaveWhatCameBefore)
{
  using Response = kovel_camera_msgs__srv__GetDeviceInfo_Response;
  Record record(kovel_test::type("GetDeviceInfo_Response"));
  auto & m = as<Response>(record);
  m.info.name.capacity = 0;
  EXPECT_EQ(
    refusal("GetDeviceInfo_Response", &m),
    refused("string capacity not greater than size\n", 13));
  m.info.name.capacity = 1;
  m.message.capacity = m.message.size;
  EXPECT_EQ(
    refusal("GetDeviceInfo_Response", &m),
    refused("string capacity not greater than size\n", 62));
  m.message.capacity = 1;
}

TEST(GetCameraParams, ResponseIsAlignedArraysThenResultFromEveryPosition)
{
  using Response = kovel_camera_msgs__srv__GetCameraParams_Response;
  Record record(kovel_test::type("GetCameraParams_Response"));
  auto & m = as<Response>(record);
  const size_t expected[] = {129, 132, 131, 130, 129};
  for (size_t position = 0; position < 5; ++position) {
    EXPECT_EQ(size_at("GetCameraParams_Response", &m, position), expected[position]);
    EXPECT_EQ(write_from("GetCameraParams_Response", &m, position).size(), expected[position]);
  }
  set(m.message, "0123456789");
  EXPECT_EQ(size_at("GetCameraParams_Response", &m, 0), 139u);
  bool full_bounded = true;
  EXPECT_EQ(callbacks("GetCameraParams_Response").max_serialized_size(full_bounded), 129u);
  EXPECT_FALSE(full_bounded);
}

TEST(GetCameraParams, ThirtyFloatsTravelBitForBitInMemberOrder)
{
  using Response = kovel_camera_msgs__srv__GetCameraParams_Response;
  Record record(kovel_test::type("GetCameraParams_Response"));
  auto & m = as<Response>(record);
  float * arrays[] = {m.l_intr_p, m.r_intr_p, m.r2l_r, m.r2l_t, m.l_k, m.r_k};
  const size_t lengths[] = {4, 4, 9, 3, 5, 5};
  std::vector<float> all;
  for (size_t a = 0; a < 6; ++a) {
    for (size_t i = 0; i < lengths[a]; ++i) {
      arrays[a][i] = static_cast<float>(all.size()) * 1.25f - 7.0f;
      all.push_back(arrays[a][i]);
    }
  }
  const uint32_t nan_payload = 0x7fa00001u;
  std::memcpy(&m.r2l_r[4], &nan_payload, 4);
  std::memcpy(&all[12], &nan_payload, 4);
  m.l_k[0] = -0.0f;
  all[20] = -0.0f;
  m.success = true;

  Bytes bytes = write_from("GetCameraParams_Response", &m);
  ASSERT_EQ(bytes.size(), 129u);
  EXPECT_EQ(std::memcmp(bytes.data(), all.data(), 120), 0);
  EXPECT_EQ(Bytes(bytes.begin() + 120, bytes.end()), (Bytes{1, 0, 0, 0, 1, 0, 0, 0, 0}));

  Response zero_filled{};
  Stream reader(bytes);
  ASSERT_TRUE(callbacks("GetCameraParams_Response").cdr_deserialize(reader.cdr, &zero_filled));
  EXPECT_EQ(std::memcmp(zero_filled.l_intr_p, m.l_intr_p, 120), 0);
  EXPECT_TRUE(zero_filled.success);
  EXPECT_EQ(text(zero_filled.message), "");
  kovel_test::fini(kovel_test::type("GetCameraParams_Response"), &zero_filled);

  m.message.capacity = 0;
  EXPECT_EQ(
    refusal("GetCameraParams_Response", &m),
    refused("string capacity not greater than size\n", 121));
  m.message.capacity = 1;
}

TEST(GetString, FillerBeforeTheMessageFollowsTheLengthOfData)
{
  using Response = kovel_camera_msgs__srv__GetString_Response;
  Record record(kovel_test::type("GetString_Response"));
  auto & m = as<Response>(record);
  m.success = true;
  EXPECT_EQ(
    write_from("GetString_Response", &m),
    (Bytes{1, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0}));
  const size_t by_data_length[] = {13, 13, 13, 17, 17, 17, 17, 21};
  for (size_t d = 0; d < 8; ++d) {
    set(m.data, std::string(d, 'd'));
    EXPECT_EQ(size_at("GetString_Response", &m, 0), by_data_length[d]) << d;
    for (size_t position = 0; position < 4; ++position) {
      EXPECT_EQ(
        write_from("GetString_Response", &m, position).size(),
        size_at("GetString_Response", &m, position));
    }
  }
  set(m.data, "abc");
  set(m.message, "xyz");
  EXPECT_EQ(size_at("GetString_Response", &m, 0), 20u);

  const size_t maximum[] = {13, 16, 15, 14};
  for (size_t position = 0; position < 4; ++position) {
    bool full_bounded = true;
    EXPECT_EQ(
      max_serialized_size_kovel_camera_msgs__srv__GetString_Response(full_bounded, position),
      maximum[position]);
    EXPECT_FALSE(full_bounded);
  }
}

TEST(GetString, EachTextIsRefusedWhereItStands)
{
  using Response = kovel_camera_msgs__srv__GetString_Response;
  Record record(kovel_test::type("GetString_Response"));
  auto & m = as<Response>(record);
  m.data.capacity = 0;
  EXPECT_EQ(
    refusal("GetString_Response", &m),
    refused("string capacity not greater than size\n", 0));
  m.data.capacity = 1;
  m.message.data[0] = 'x';
  EXPECT_EQ(
    refusal("GetString_Response", &m),
    refused("string not null-terminated\n", 6));
  m.message.data[0] = '\0';

  Response zero_filled{};
  Stream reader(write_from("GetString_Response", &m));
  ASSERT_TRUE(callbacks("GetString_Response").cdr_deserialize(reader.cdr, &zero_filled));
  EXPECT_NE(zero_filled.data.data, nullptr);
  EXPECT_NE(zero_filled.message.data, nullptr);
  kovel_test::fini(kovel_test::type("GetString_Response"), &zero_filled);
}

TEST(GetCameraInfo, ResponseSizeFollowsWhereCameraInfoEnds)
{
  using Response = kovel_camera_msgs__srv__GetCameraInfo_Response;
  Record record(kovel_test::type("GetCameraInfo_Response"));
  auto & m = as<Response>(record);
  size_t s = get_serialized_size_sensor_msgs__msg__CameraInfo(&m.info, 0);
  ASSERT_EQ(s % 4, 1u);
  EXPECT_EQ(size_at("GetCameraInfo_Response", &m, 0), s + 8);
  set(m.message, "abc");
  EXPECT_EQ(size_at("GetCameraInfo_Response", &m, 0), s + 11);
  // Start positions 0 to 7 put CameraInfo's end on every residue modulo 4.
  for (size_t position = 0; position < 8; ++position) {
    size_t info = get_serialized_size_sensor_msgs__msg__CameraInfo(&m.info, position);
    size_t after_success = position + info + 1;
    size_t expected = info + 1 + (4 - after_success % 4) % 4 + 4 + 3 + 1;
    EXPECT_EQ(size_at("GetCameraInfo_Response", &m, position), expected) << position;
    EXPECT_EQ(write_from("GetCameraInfo_Response", &m, position).size(), expected) << position;
  }
  bool full_bounded = true;
  bool info_bounded = true;
  EXPECT_EQ(
    callbacks("GetCameraInfo_Response").max_serialized_size(full_bounded),
    max_serialized_size_sensor_msgs__msg__CameraInfo(info_bounded, 0) + 8);
  EXPECT_FALSE(full_bounded);
}

TEST(GetCameraInfo, DistortionOfZeroFiveAndEightElementsRoundTrips)
{
  using Response = kovel_camera_msgs__srv__GetCameraInfo_Response;
  for (size_t count : {0u, 5u, 8u}) {
    Record sent(kovel_test::type("GetCameraInfo_Response"));
    auto & m = as<Response>(sent);
    ASSERT_TRUE(rosidl_runtime_c__double__Sequence__init(&m.info.d, count));
    for (size_t i = 0; i < count; ++i) {
      m.info.d.data[i] = 0.5 * static_cast<double>(i) - 1;
    }
    m.info.k[8] = 1;
    m.info.roi.do_rectify = true;
    set(m.message, "calibrated");
    Bytes bytes = write_from("GetCameraInfo_Response", &m);
    EXPECT_EQ(bytes.size(), size_at("GetCameraInfo_Response", &m, 0));

    Record back(kovel_test::type("GetCameraInfo_Response"));
    Stream reader(bytes);
    ASSERT_TRUE(callbacks("GetCameraInfo_Response").cdr_deserialize(reader.cdr, back.data()));
    const auto & b = as<Response>(back);
    ASSERT_EQ(b.info.d.size, count);
    for (size_t i = 0; i < count; ++i) {
      EXPECT_EQ(b.info.d.data[i], m.info.d.data[i]);
    }
    EXPECT_EQ(b.info.k[8], 1);
    EXPECT_TRUE(b.info.roi.do_rectify);
    EXPECT_EQ(text(b.message), "calibrated");
  }
}

TEST(GetCameraInfo, CameraInfoIsLookedUpOnEveryWriteAndReadAndRefusalsStopThere)
{
  using Response = kovel_camera_msgs__srv__GetCameraInfo_Response;
  Record record(kovel_test::type("GetCameraInfo_Response"));
  auto & m = as<Response>(record);
  const auto & ops = callbacks("GetCameraInfo_Response");

  camera_info_lookups = 0;
  Bytes bytes = write_from("GetCameraInfo_Response", &m);
  EXPECT_EQ(camera_info_lookups, 1);
  Stream reader(bytes);
  ASSERT_TRUE(ops.cdr_deserialize(reader.cdr, record.data()));
  EXPECT_EQ(camera_info_lookups, 2);
  bool full_bounded = true;
  (void)ops.get_serialized_size(&m);
  (void)ops.max_serialized_size(full_bounded);
  stderr_of([&] {(void)ops.cdr_serialize(nullptr, reader.cdr);});
  EXPECT_EQ(camera_info_lookups, 2);

  m.info.distortion_model.capacity = 0;
  m.success = true;
  EXPECT_EQ(
    refusal("GetCameraInfo_Response", &m),
    refused("string capacity not greater than size\n", 24));
  m.info.distortion_model.capacity = 1;
}
