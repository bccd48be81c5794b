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
#include "std_msgs/msg/detail/header__rosidl_typesupport_fastrtps_c.h"
#include "../../detail/type_support_frame.hpp"

using namespace kovel_camera_msgs_rules;  // NOLINT
using _DeviceInfo__ros_msg_type = kovel_camera_msgs__msg__DeviceInfo;

static constexpr NestedType kHeader = {
  rosidl_typesupport_fastrtps_c__get_message_type_support_handle__std_msgs__msg__Header,
  get_serialized_size_std_msgs__msg__Header,
  max_serialized_size_std_msgs__msg__Header};

static bool _DeviceInfo__cdr_serialize(
  const void * untyped_ros_message, eprosima::fastcdr::Cdr & cdr)
{
  auto * m = record_or_report<const _DeviceInfo__ros_msg_type>(untyped_ros_message);
  MessageStream out(cdr);
  return m &&
         write_nested(kHeader, &m->header, out) &&
         write_string(m->name, out) &&
         write_int32(m->vid, out) &&
         write_int32(m->pid, out) &&
         write_string(m->serial_number, out) &&
         write_string(m->firmware_version, out) &&
         write_string(m->supported_min_sdk_version, out) &&
         write_string(m->hardware_version, out);
}

static bool _DeviceInfo__cdr_deserialize(
  eprosima::fastcdr::Cdr & cdr, void * untyped_ros_message)
{
  auto * m = record_or_report<_DeviceInfo__ros_msg_type>(untyped_ros_message);
  MessageStream in(cdr);
  return m &&
         read_nested(kHeader, in, &m->header) &&
         read_string(in, m->name, "name") &&
         read_int32(in, m->vid) &&
         read_int32(in, m->pid) &&
         read_string(in, m->serial_number, "serial_number") &&
         read_string(in, m->firmware_version, "firmware_version") &&
         read_string(in, m->supported_min_sdk_version, "supported_min_sdk_version") &&
         read_string(in, m->hardware_version, "hardware_version");
}

size_t get_serialized_size_kovel_camera_msgs__msg__DeviceInfo(
  const void * untyped_ros_message, size_t current_alignment)
{
  auto * m = static_cast<const _DeviceInfo__ros_msg_type *>(untyped_ros_message);
  size_t c = current_alignment;
  c += size_nested(kHeader, &m->header, c);
  c += size_string(m->name, c);
  c += size_int32(c);  // vid
  c += size_int32(c);  // pid
  c += size_string(m->serial_number, c);
  c += size_string(m->firmware_version, c);
  c += size_string(m->supported_min_sdk_version, c);
  c += size_string(m->hardware_version, c);
  return c - current_alignment;
}

size_t max_serialized_size_kovel_camera_msgs__msg__DeviceInfo(
  bool & full_bounded, size_t current_alignment)
{
  size_t c = current_alignment;
  c += max_nested(kHeader, full_bounded, c);
  c += max_string(full_bounded, c);  // name
  c += max_int32(c);  // vid
  c += max_int32(c);  // pid
  c += max_string(full_bounded, c);  // serial_number
  c += max_string(full_bounded, c);  // firmware_version
  c += max_string(full_bounded, c);  // supported_min_sdk_version
  c += max_string(full_bounded, c);  // hardware_version
  return c - current_alignment;
}

ROSIDL_FASTRTPS_C_MESSAGE_FRAME(kovel_camera_msgs, msg, DeviceInfo)

static const struct BindDeviceInfo
{
  BindDeviceInfo()
  {
    _DeviceInfo__type_support.typesupport_identifier = rosidl_typesupport_fastrtps_c__identifier;
  }
} bind_device_info;
