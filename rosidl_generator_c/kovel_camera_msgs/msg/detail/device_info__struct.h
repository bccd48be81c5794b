// kovel_camera_msgs/msg/DeviceInfo: one camera device.
#ifndef KOVEL_CAMERA_MSGS__MSG__DETAIL__DEVICE_INFO__STRUCT_H_
#define KOVEL_CAMERA_MSGS__MSG__DETAIL__DEVICE_INFO__STRUCT_H_

#include <stdint.h>

#include "rosidl_runtime_c/string.h"
#include "std_msgs/msg/detail/header__struct.h"

typedef struct kovel_camera_msgs__msg__DeviceInfo
{
  std_msgs__msg__Header header;
  rosidl_runtime_c__String name;
  /// Vendor id.
  int32_t vid;
  /// Product id.
  int32_t pid;
  rosidl_runtime_c__String serial_number;
  rosidl_runtime_c__String firmware_version;
  rosidl_runtime_c__String supported_min_sdk_version;
  rosidl_runtime_c__String hardware_version;
} kovel_camera_msgs__msg__DeviceInfo;

#endif  // KOVEL_CAMERA_MSGS__MSG__DETAIL__DEVICE_INFO__STRUCT_H_
