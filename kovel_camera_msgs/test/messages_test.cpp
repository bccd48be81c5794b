// Metadata and Extrinsics: the filler after headers of every length, texts up to 1 MiB,
// fixed double arrays carried bit for bit, and refusals of the header.
#include <cmath>
#include <cstring>
#include <limits>

#include "kovel_camera_msgs/msg/detail/extrinsics__rosidl_typesupport_fastrtps_c.h"
#include "kovel_camera_msgs/msg/detail/extrinsics__struct.h"
#include "kovel_camera_msgs/msg/detail/metadata__rosidl_typesupport_fastrtps_c.h"
#include "kovel_camera_msgs/msg/detail/metadata__struct.h"
#include "std_msgs/msg/detail/header__rosidl_typesupport_fastrtps_c.h"
#include "support.hpp"

using kovel_test::Record;
using kovel_test::Stream;
using kovel_test::as;
using kovel_test::set;
using kovel_test::stderr_of;
using kovel_test::text;
using Metadata = kovel_camera_msgs__msg__Metadata;
using Extrinsics = kovel_camera_msgs__msg__Extrinsics;

namespace
{

size_t filler(size_t position, size_t width)
{
  return (width - position % width) % width;
}

template<class Message>
size_t written_from(const char * type_name, const Message & m, size_t position)
{
  Stream stream(4 << 20);
  stream.skip_to(position);
  EXPECT_TRUE(kovel_test::callbacks(kovel_test::type(type_name)).cdr_serialize(&m, stream.cdr));
  return stream.length() - position;
}

}  // namespace

TEST(Metadata, FillerBeforeTheTextDependsOnWhereTheHeaderEnds)
{
  Record record(kovel_test::type("Metadata"));
  auto & m = as<Metadata>(record);
  // frame_id of 0, 2 and 3 characters make headers of 13, 15 and 16 bytes.
  for (const char * frame_id : {"", "ab", "abc"}) {
    set(m.header.frame_id, frame_id);
    EXPECT_EQ(get_serialized_size_kovel_camera_msgs__msg__Metadata(&m, 0), 21u) << frame_id;
  }
  set(m.json_data, "{}");
  EXPECT_EQ(get_serialized_size_kovel_camera_msgs__msg__Metadata(&m, 0), 23u);

  for (size_t frame_length = 0; frame_length < 8; ++frame_length) {
    set(m.header.frame_id, std::string(frame_length, 'f'));
    for (size_t position = 0; position < 4; ++position) {
      size_t header = get_serialized_size_std_msgs__msg__Header(&m.header, position);
      size_t expected = header + filler(position + header, 4) + 5 + 2;
      EXPECT_EQ(get_serialized_size_kovel_camera_msgs__msg__Metadata(&m, position), expected);
      EXPECT_EQ(written_from("Metadata", m, position), expected);
    }
  }
}

TEST(Metadata, MaximumCountsAnEmptyTextAndIsNoBound)
{
  bool full_bounded = true;
  EXPECT_EQ(max_serialized_size_kovel_camera_msgs__msg__Metadata(full_bounded, 0), 21u);
  EXPECT_FALSE(full_bounded);
  EXPECT_EQ(max_serialized_size_kovel_camera_msgs__msg__Metadata(full_bounded, 1), 24u);
}

TEST(Metadata, OneMebibyteTextRoundTripsAndReplacesTheReceiversText)
{
  Record sent(kovel_test::type("Metadata"));
  std::string big(1 << 20, 'x');
  for (size_t i = 0; i < big.size(); i += 97) {
    big[i] = static_cast<char>('a' + i % 26);
  }
  set(as<Metadata>(sent).json_data, big);
  Stream stream(2 << 20);
  ASSERT_TRUE(kovel_test::callbacks(kovel_test::type("Metadata")).cdr_serialize(
      sent.data(), stream.cdr));
  EXPECT_EQ(stream.length(), 21u + big.size());

  Record received(kovel_test::type("Metadata"));
  set(as<Metadata>(received).json_data, "an older, longer text that must go");
  Stream reader(stream.written());
  ASSERT_TRUE(kovel_test::callbacks(kovel_test::type("Metadata")).cdr_deserialize(
      reader.cdr, received.data()));
  EXPECT_EQ(text(as<Metadata>(received).json_data), big);
}

TEST(Metadata, MalformedTextIsRefusedAfterTheHeader)
{
  Record record(kovel_test::type("Metadata"));
  auto & m = as<Metadata>(record);
  m.json_data.capacity = m.json_data.size;
  EXPECT_EQ(
    kovel_test::refusal("Metadata", &m),
    kovel_test::refused("string capacity not greater than size\n", 13));
  m.json_data.capacity = 1;
}

TEST(Extrinsics, RotationStartsAtTheNextMultipleOfEight)
{
  Record record(kovel_test::type("Extrinsics"));
  auto & m = as<Extrinsics>(record);
  struct Case
  {
    const char * frame_id;
    size_t position;
    size_t size;
  } cases[] = {
    {"", 0, 112},     // 13-byte header, 3 filler bytes
    {"abc", 0, 112},  // 16-byte header, no filler
    {"", 4, 116},     // header ends at 17, 7 filler bytes
    {"abc", 4, 116},  // header ends at 20, 4 filler bytes
  };
  for (const Case & c : cases) {
    set(m.header.frame_id, c.frame_id);
    EXPECT_EQ(get_serialized_size_kovel_camera_msgs__msg__Extrinsics(&m, c.position), c.size);
    EXPECT_EQ(written_from("Extrinsics", m, c.position), c.size);
  }
  m.rotation[0] = 1e300;
  m.translation[2] = -4.5;
  EXPECT_EQ(get_serialized_size_kovel_camera_msgs__msg__Extrinsics(&m, 4), 116u);
}

TEST(Extrinsics, ArraysTravelBitForBitWithNoFillerBetweenThem)
{
  Record sent(kovel_test::type("Extrinsics"));
  auto & m = as<Extrinsics>(sent);
  const uint64_t nan_payload = 0x7ff4000000000123ULL;  // a signalling NaN with a payload
  std::memcpy(&m.rotation[0], &nan_payload, 8);
  m.rotation[1] = -0.0;
  m.rotation[2] = std::numeric_limits<double>::infinity();
  m.rotation[8] = std::numeric_limits<double>::denorm_min();
  m.translation[0] = 1.5;
  m.translation[2] = -std::numeric_limits<double>::max();
  Stream stream;
  ASSERT_TRUE(kovel_test::callbacks(kovel_test::type("Extrinsics")).cdr_serialize(&m, stream.cdr));
  double on_wire[12];
  std::memcpy(on_wire, stream.bytes.data() + 16, sizeof(on_wire));
  EXPECT_EQ(std::memcmp(on_wire, m.rotation, 72), 0);
  EXPECT_EQ(std::memcmp(on_wire + 9, m.translation, 24), 0);

  Extrinsics zero_filled{};
  Stream reader(stream.written());
  ASSERT_TRUE(kovel_test::callbacks(kovel_test::type("Extrinsics")).cdr_deserialize(
      reader.cdr, &zero_filled));
  EXPECT_EQ(std::memcmp(zero_filled.rotation, m.rotation, 72), 0);
  EXPECT_EQ(std::memcmp(zero_filled.translation, m.translation, 24), 0);
  kovel_test::fini(kovel_test::type("Extrinsics"), &zero_filled);
}

TEST(Extrinsics, HeaderRefusalWritesNoArrayAndMaximumFollowsTheHeader)
{
  Record record(kovel_test::type("Extrinsics"));
  auto & m = as<Extrinsics>(record);
  m.header.frame_id.capacity = 0;
  EXPECT_EQ(
    kovel_test::refusal("Extrinsics", &m),
    kovel_test::refused("string capacity not greater than size\n", 8));
  m.header.frame_id.capacity = 1;

  bool full_bounded = true;
  EXPECT_EQ(max_serialized_size_kovel_camera_msgs__msg__Extrinsics(full_bounded, 0), 112u);
  EXPECT_FALSE(full_bounded);  // the header's frame_id is unbounded
  EXPECT_EQ(max_serialized_size_kovel_camera_msgs__msg__Extrinsics(full_bounded, 4), 116u);
}
