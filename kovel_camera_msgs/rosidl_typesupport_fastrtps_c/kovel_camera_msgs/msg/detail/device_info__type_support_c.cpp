// Fast-CDR C type support of kovel_camera_msgs/msg/DeviceInfo.
//
//   header                     nested std_msgs/Header
//   name                       string
//   vid, pid                   int32
//   serial_number              string
//   firmware_version           string
//   supported_min_sdk_version  string
//   hardware_version           string
#include "kovel_camera_msgs/msg/detail/device_info__rosidl_typesupport_fastrtps_c.h"
#include "kovel_camera_msgs/msg/detail/device_info__struct.h"
#include "../../detail/nested_types.hpp"
#include "../../detail/type_support_frame.hpp"

using namespace kovel_camera_msgs_rules;  // NOLINT
using _DeviceInfo__ros_msg_type = kovel_camera_msgs__msg__DeviceInfo;

static constexpr auto _DeviceInfo__members = std::make_tuple(
  ROSIDL_FASTRTPS_C_MEMBER(DeviceInfo, header, StdMsgsHeader),
  ROSIDL_FASTRTPS_C_MEMBER(DeviceInfo, name, String),
  ROSIDL_FASTRTPS_C_MEMBER(DeviceInfo, vid, Plain),
  ROSIDL_FASTRTPS_C_MEMBER(DeviceInfo, pid, Plain),
  ROSIDL_FASTRTPS_C_MEMBER(DeviceInfo, serial_number, String),
  ROSIDL_FASTRTPS_C_MEMBER(DeviceInfo, firmware_version, String),
  ROSIDL_FASTRTPS_C_MEMBER(DeviceInfo, supported_min_sdk_version, String),
  ROSIDL_FASTRTPS_C_MEMBER(DeviceInfo, hardware_version, String));

ROSIDL_FASTRTPS_C_MESSAGE(kovel_camera_msgs, msg, DeviceInfo, _DeviceInfo__members)

static const struct BindDeviceInfo
{
  BindDeviceInfo()
  {
    _DeviceInfo__type_support.typesupport_identifier = rosidl_typesupport_fastrtps_c__identifier;
  }
} bind_device_info;
