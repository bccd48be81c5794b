// Exported entry points of the kovel_camera_msgs/msg/Temperature Fast-CDR C type support.
#ifndef KOVEL_CAMERA_MSGS__MSG__DETAIL__TEMPERATURE__ROSIDL_TYPESUPPORT_FASTRTPS_C_H_
#define KOVEL_CAMERA_MSGS__MSG__DETAIL__TEMPERATURE__ROSIDL_TYPESUPPORT_FASTRTPS_C_H_

#include <stddef.h>

#include "rosidl_runtime_c/message_type_support_struct.h"
#include "rosidl_typesupport_interface/macros.h"
#include "kovel_camera_msgs/msg/rosidl_typesupport_fastrtps_c__visibility_control.h"

#ifdef __cplusplus
extern "C"
{
#endif

/// Bytes the message occupies in CDR when it starts at stream position current_alignment.
ROSIDL_TYPESUPPORT_FASTRTPS_C_PUBLIC_kovel_camera_msgs
size_t get_serialized_size_kovel_camera_msgs__msg__Temperature(
  const void * untyped_ros_message,
  size_t current_alignment);

/// Largest size of any message of the type from current_alignment; clears full_bounded
/// when the type has no bound, never sets it.
ROSIDL_TYPESUPPORT_FASTRTPS_C_PUBLIC_kovel_camera_msgs
size_t max_serialized_size_kovel_camera_msgs__msg__Temperature(
  bool & full_bounded,
  size_t current_alignment);

/// The type's handle; its data is the type's message_type_support_callbacks_t.
ROSIDL_TYPESUPPORT_FASTRTPS_C_PUBLIC_kovel_camera_msgs
const rosidl_message_type_support_t *
ROSIDL_TYPESUPPORT_INTERFACE__MESSAGE_SYMBOL_NAME(rosidl_typesupport_fastrtps_c, kovel_camera_msgs, msg, Temperature)();

#ifdef __cplusplus
}
#endif

#endif  // KOVEL_CAMERA_MSGS__MSG__DETAIL__TEMPERATURE__ROSIDL_TYPESUPPORT_FASTRTPS_C_H_
