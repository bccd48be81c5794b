// DeviceInfo: its byte map, sizes and maximums at several start positions, refusals with
// the stream state they leave, zero-filled records and round trips.
#include <limits>

#include "kovel_camera_msgs/msg/detail/device_info__rosidl_typesupport_fastrtps_c.h"
#include "kovel_camera_msgs/msg/detail/device_info__struct.h"
#include "support.hpp"

using kovel_test::Record;
using kovel_test::Stream;
using kovel_test::as;
using kovel_test::le32;
using kovel_test::set;
using kovel_test::stderr_of;
using kovel_test::text;
using Bytes = std::vector<uint8_t>;
using DeviceInfo = kovel_camera_msgs__msg__DeviceInfo;

namespace
{

const message_type_support_callbacks_t & device_info_callbacks()
{
  return kovel_test::callbacks(kovel_test::type("DeviceInfo"));
}

size_t size_at(const DeviceInfo & m, size_t position)
{
  return get_serialized_size_kovel_camera_msgs__msg__DeviceInfo(&m, position);
}

void fill(DeviceInfo & m)
{
  m.header.stamp.sec = 1765200000;
  m.header.stamp.nanosec = 999999999;
  set(m.header.frame_id, "camera_link");
  set(m.name, "Kovel K1");
  m.vid = std::numeric_limits<int32_t>::min();
  m.pid = std::numeric_limits<int32_t>::max();
  set(m.serial_number, "KV-0001");
  set(m.firmware_version, "2.4.10");
  set(m.supported_min_sdk_version, "1.0");
  set(m.hardware_version, "rev B \xc3\xa9");
}

Bytes operator+(Bytes a, const Bytes & b)
{
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const Bytes kFiller3{0, 0, 0};
const Bytes kEmptyString = le32(1) + Bytes{0};

}  // namespace

TEST(DeviceInfo, EmptyStringsGiveTheSixtyOneByteMap)
{
  Record record(kovel_test::type("DeviceInfo"));
  auto & m = as<DeviceInfo>(record);
  m.header.stamp.sec = 1;
  m.header.stamp.nanosec = 2;
  m.vid = -1;
  m.pid = 0x01020304;
  Stream stream;
  ASSERT_TRUE(device_info_callbacks().cdr_serialize(&m, stream.cdr));

  const Bytes header = le32(1) + le32(2) + kEmptyString;  // bytes 0-12
  const Bytes expected = header + kFiller3 + kEmptyString + kFiller3 + le32(0xffffffff) +
    le32(0x01020304) + kEmptyString + kFiller3 + kEmptyString + kFiller3 + kEmptyString +
    kFiller3 + kEmptyString;
  ASSERT_EQ(expected.size(), 61u);
  EXPECT_EQ(stream.written(), expected);
  EXPECT_EQ(device_info_callbacks().get_serialized_size(&m), 61u);
}

TEST(DeviceInfo, SizeFollowsTheAlignmentBeforeTheIntegers)
{
  Record record(kovel_test::type("DeviceInfo"));
  auto & m = as<DeviceInfo>(record);
  EXPECT_EQ(size_at(m, 0), 61u);
  set(m.name, "abc");
  EXPECT_EQ(size_at(m, 0), 61u);  // the filler before vid absorbs it
  set(m.name, "abcd");
  EXPECT_EQ(size_at(m, 0), 65u);
}

TEST(DeviceInfo, SizeEqualsTheBytesWrittenFromEveryStartPosition)
{
  Record record(kovel_test::type("DeviceInfo"));
  auto & m = as<DeviceInfo>(record);
  fill(m);
  for (size_t position = 0; position < 8; ++position) {
    Stream stream;
    stream.skip_to(position);
    ASSERT_TRUE(device_info_callbacks().cdr_serialize(&m, stream.cdr));
    EXPECT_EQ(stream.length() - position, size_at(m, position)) << "from " << position;
  }
}

TEST(DeviceInfo, MaximumIsTheEmptyMessageAndNeverABound)
{
  Record record(kovel_test::type("DeviceInfo"));
  for (size_t position = 0; position < 8; ++position) {
    bool full_bounded = true;
    EXPECT_EQ(
      max_serialized_size_kovel_camera_msgs__msg__DeviceInfo(full_bounded, position),
      size_at(as<DeviceInfo>(record), position)) << "from " << position;
    EXPECT_FALSE(full_bounded);
  }
  bool full_bounded = true;
  EXPECT_EQ(device_info_callbacks().max_serialized_size(full_bounded), 61u);
  EXPECT_FALSE(full_bounded);
}

TEST(DeviceInfo, RoundTripKeepsEveryMember)
{
  Record sent(kovel_test::type("DeviceInfo"));
  fill(as<DeviceInfo>(sent));
  Stream stream;
  ASSERT_TRUE(device_info_callbacks().cdr_serialize(sent.data(), stream.cdr));

  Stream reader(stream.written());
  Record received(kovel_test::type("DeviceInfo"));
  ASSERT_TRUE(device_info_callbacks().cdr_deserialize(reader.cdr, received.data()));
  EXPECT_EQ(reader.length(), stream.length());
  const auto & a = as<DeviceInfo>(sent);
  const auto & b = as<DeviceInfo>(received);
  EXPECT_EQ(b.header.stamp.sec, a.header.stamp.sec);
  EXPECT_EQ(b.header.stamp.nanosec, a.header.stamp.nanosec);
  EXPECT_EQ(text(b.header.frame_id), "camera_link");
  EXPECT_EQ(text(b.name), "Kovel K1");
  EXPECT_EQ(b.vid, std::numeric_limits<int32_t>::min());
  EXPECT_EQ(b.pid, std::numeric_limits<int32_t>::max());
  EXPECT_EQ(text(b.serial_number), "KV-0001");
  EXPECT_EQ(text(b.firmware_version), "2.4.10");
  EXPECT_EQ(text(b.supported_min_sdk_version), "1.0");
  EXPECT_EQ(text(b.hardware_version), "rev B \xc3\xa9");
}

TEST(DeviceInfo, ZeroFilledRecordIsInitialisedStringByString)
{
  Record sent(kovel_test::type("DeviceInfo"));
  fill(as<DeviceInfo>(sent));
  Stream stream;
  ASSERT_TRUE(device_info_callbacks().cdr_serialize(sent.data(), stream.cdr));

  DeviceInfo zero_filled{};
  Stream reader(stream.written());
  ASSERT_TRUE(device_info_callbacks().cdr_deserialize(reader.cdr, &zero_filled));
  EXPECT_EQ(text(zero_filled.name), "Kovel K1");
  EXPECT_EQ(text(zero_filled.hardware_version), "rev B \xc3\xa9");
  kovel_test::fini(kovel_test::type("DeviceInfo"), &zero_filled);
}

TEST(DeviceInfo, MalformedLastStringIsFoundAfterTheSevenMembersBeforeIt)
{
  Record record(kovel_test::type("DeviceInfo"));
  auto & m = as<DeviceInfo>(record);
  m.hardware_version.capacity = m.hardware_version.size;
  // Refused after the NUL of supported_min_sdk_version, at byte 53.
  EXPECT_EQ(
    kovel_test::refusal("DeviceInfo", &m),
    kovel_test::refused("string capacity not greater than size\n", 53));
  m.hardware_version.capacity = 1;
}

TEST(DeviceInfo, HeaderRefusalWritesNothingAfterTheHeader)
{
  Record record(kovel_test::type("DeviceInfo"));
  auto & m = as<DeviceInfo>(record);
  m.header.frame_id.capacity = 0;
  set(m.name, "never written");
  // The stamp's 8 bytes only.
  EXPECT_EQ(
    kovel_test::refusal("DeviceInfo", &m),
    kovel_test::refused("string capacity not greater than size\n", 8));
  m.header.frame_id.capacity = 1;
}

TEST(DeviceInfo, NullMessageIsRefusedOnBothWays)
{
  Stream stream;
  bool result = true;
  EXPECT_EQ(
    stderr_of([&] {result = device_info_callbacks().cdr_serialize(nullptr, stream.cdr);}),
    "ros message handle is null\n");
  EXPECT_FALSE(result);
  EXPECT_EQ(
    stderr_of([&] {result = device_info_callbacks().cdr_deserialize(stream.cdr, nullptr);}),
    "ros message handle is null\n");
  EXPECT_FALSE(result);
  EXPECT_EQ(stream.length(), 0u);
}

TEST(DeviceInfo, CallbackSizeSaturatesWhereTheExactSizeDoesNotFitThirtyTwoBits)
{
  Record record(kovel_test::type("DeviceInfo"));
  auto & m = as<DeviceInfo>(record);
  rosidl_runtime_c__String real_name = m.name;
  m.name.size = 5000000000ULL;  // sized only: the size functions never read the characters
  EXPECT_EQ(size_at(m, 0), 5000000000ULL + 61);
  EXPECT_EQ(device_info_callbacks().get_serialized_size(&m), 4294967295u);
  m.name = real_name;
}
