// The stand-ins for std_msgs and sensor_msgs follow the standard definitions: a Header of
// 13 bytes, a CameraInfo whose distortion sequence never trusts its received count.
#include <fastcdr/exceptions/NotEnoughMemoryException.h>

#include "rosidl_runtime_c/primitives_sequence_functions.h"
#include "sensor_msgs/msg/detail/camera_info__rosidl_typesupport_fastrtps_c.h"
#include "sensor_msgs/msg/detail/camera_info__struct.h"
#include "std_msgs/msg/detail/header__rosidl_typesupport_fastrtps_c.h"
#include "std_msgs/msg/detail/header__struct.h"
#include "support.hpp"

using kovel_test::Stream;
using kovel_test::le32;
using Bytes = std::vector<uint8_t>;

TEST(StandIns, HeaderIsThirteenBytesAndUnbounded)
{
  std_msgs__msg__Header header{};
  rosidl_runtime_c__String__init(&header.frame_id);
  EXPECT_EQ(get_serialized_size_std_msgs__msg__Header(&header, 0), 13u);
  bool full_bounded = true;
  EXPECT_EQ(max_serialized_size_std_msgs__msg__Header(full_bounded, 0), 13u);
  EXPECT_FALSE(full_bounded);
  rosidl_runtime_c__String__fini(&header.frame_id);
}

TEST(StandIns, CameraInfoSizeMatchesItsBytesForEveryDistortionLength)
{
  kovel_test::Record record(kovel_test::type("GetCameraInfo_Response"));
  auto & info = kovel_test::as<sensor_msgs__msg__CameraInfo>(record);  // first member
  for (size_t count : {0u, 1u, 5u, 8u}) {
    rosidl_runtime_c__double__Sequence__fini(&info.d);
    ASSERT_TRUE(rosidl_runtime_c__double__Sequence__init(&info.d, count));
    for (size_t position = 0; position < 8; ++position) {
      Stream stream;
      stream.skip_to(position);
      const auto * callbacks = static_cast<const message_type_support_callbacks_t *>(
        rosidl_typesupport_fastrtps_c__get_message_type_support_handle__sensor_msgs__msg__CameraInfo()
        ->data);
      ASSERT_TRUE(callbacks->cdr_serialize(&info, stream.cdr));
      EXPECT_EQ(
        stream.length() - position,
        get_serialized_size_sensor_msgs__msg__CameraInfo(&info, position)) << count;
    }
  }
}

TEST(StandIns, ACountThePayloadCannotHoldThrowsAndKeepsTheSequence)
{
  // An empty header, height, width, an empty distortion_model, then d claiming 2^32 - 1
  // elements with only 16 bytes behind it.
  Bytes payload;
  for (const Bytes & part : {le32(0), le32(1), Bytes{0, 0, 0, 0}, le32(640), le32(480),
      le32(1), Bytes{0, 0, 0, 0}, le32(0xffffffff), Bytes(16, 0)})
  {
    payload.insert(payload.end(), part.begin(), part.end());
  }
  kovel_test::Record record(kovel_test::type("GetCameraInfo_Response"));
  auto & info = kovel_test::as<sensor_msgs__msg__CameraInfo>(record);
  ASSERT_TRUE(rosidl_runtime_c__double__Sequence__init(&info.d, 2));
  info.d.data[0] = 42;
  const auto * callbacks = static_cast<const message_type_support_callbacks_t *>(
    rosidl_typesupport_fastrtps_c__get_message_type_support_handle__sensor_msgs__msg__CameraInfo()
    ->data);
  Stream reader(payload);
  EXPECT_THROW(
    (void)callbacks->cdr_deserialize(reader.cdr, &info),
    eprosima::fastcdr::exception::NotEnoughMemoryException);
  EXPECT_EQ(info.height, 640u);
  EXPECT_EQ(info.width, 480u);
  ASSERT_EQ(info.d.size, 2u);
  EXPECT_EQ(info.d.data[0], 42);
}

TEST(StandIns, DistortionThatFitsItsBufferIsReadInPlaceAndAShortPayloadLeavesIt)
{
  kovel_test::Record record(kovel_test::type("GetCameraInfo_Response"));
  auto & info = kovel_test::as<sensor_msgs__msg__CameraInfo>(record);
  ASSERT_TRUE(rosidl_runtime_c__double__Sequence__init(&info.d, 5));
  for (size_t i = 0; i < 5; ++i) {
    info.d.data[i] = 0.5 * static_cast<double>(i);
  }
  const auto * callbacks = static_cast<const message_type_support_callbacks_t *>(
    rosidl_typesupport_fastrtps_c__get_message_type_support_handle__sensor_msgs__msg__CameraInfo()
    ->data);
  Stream writer;
  ASSERT_TRUE(callbacks->cdr_serialize(&info, writer.cdr));
  const Bytes five = writer.written();

  kovel_test::Record into_record(kovel_test::type("GetCameraInfo_Response"));
  auto & into = kovel_test::as<sensor_msgs__msg__CameraInfo>(into_record);
  ASSERT_TRUE(rosidl_runtime_c__double__Sequence__init(&into.d, 8));
  const double * buffer = into.d.data;
  Stream reader(five);
  ASSERT_TRUE(callbacks->cdr_deserialize(reader.cdr, &into));
  EXPECT_EQ(into.d.data, buffer);
  ASSERT_EQ(into.d.size, 5u);
  EXPECT_EQ(into.d.capacity, 8u);
  EXPECT_EQ(into.d.data[4], 2.0);
  EXPECT_EQ(reader.length(), five.size());

  // Cut inside the last element (k, r, p, binning and roi take the final 265 bytes): the
  // stream throws and the sequence keeps what it held.
  Bytes cut(five.begin(), five.end() - 265 - 4);
  Stream short_reader(cut);
  into.d.data[0] = 42;
  EXPECT_THROW(
    (void)callbacks->cdr_deserialize(short_reader.cdr, &into),
    eprosima::fastcdr::exception::NotEnoughMemoryException);
  ASSERT_EQ(into.d.size, 5u);
  EXPECT_EQ(into.d.data[0], 42);
}
