// The message types that the package's types nest, each once for the whole library: the
// nested kind of each, over that type's own exported entry points.
//
// Internal to the type supports: installed nowhere.
#ifndef KOVEL_CAMERA_MSGS__DETAIL__NESTED_TYPES_HPP_
#define KOVEL_CAMERA_MSGS__DETAIL__NESTED_TYPES_HPP_

#include "kovel_camera_msgs/msg/detail/device_info__rosidl_typesupport_fastrtps_c.h"
#include "sensor_msgs/msg/detail/camera_info__rosidl_typesupport_fastrtps_c.h"
#include "std_msgs/msg/detail/header__rosidl_typesupport_fastrtps_c.h"

#include "member_rules.hpp"

namespace kovel_camera_msgs_rules
{
namespace
{

using StdMsgsHeader = Nested<
  rosidl_typesupport_fastrtps_c__get_message_type_support_handle__std_msgs__msg__Header,
  get_serialized_size_std_msgs__msg__Header,
  max_serialized_size_std_msgs__msg__Header>;

using SensorMsgsCameraInfo = Nested<
  rosidl_typesupport_fastrtps_c__get_message_type_support_handle__sensor_msgs__msg__CameraInfo,
  get_serialized_size_sensor_msgs__msg__CameraInfo,
  max_serialized_size_sensor_msgs__msg__CameraInfo>;

using KovelDeviceInfo = Nested<
  rosidl_typesupport_fastrtps_c__get_message_type_support_handle__kovel_camera_msgs__msg__DeviceInfo,
  get_serialized_size_kovel_camera_msgs__msg__DeviceInfo,
  max_serialized_size_kovel_camera_msgs__msg__DeviceInfo>;

}  // namespace
}  // namespace kovel_camera_msgs_rules

#endif  // KOVEL_CAMERA_MSGS__DETAIL__NESTED_TYPES_HPP_
