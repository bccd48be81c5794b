// Exported entry points of the kovel_camera_msgs/srv/GetString Fast-CDR C type support.
#ifndef KOVEL_CAMERA_MSGS__SRV__DETAIL__GET_STRING__ROSIDL_TYPESUPPORT_FASTRTPS_C_H_
#define KOVEL_CAMERA_MSGS__SRV__DETAIL__GET_STRING__ROSIDL_TYPESUPPORT_FASTRTPS_C_H_

#include <stddef.h>

#include "rosidl_runtime_c/message_type_support_struct.h"
#include "rosidl_runtime_c/service_type_support_struct.h"
#include "rosidl_typesupport_interface/macros.h"
#include "kovel_camera_msgs/msg/rosidl_typesupport_fastrtps_c__visibility_control.h"

#ifdef __cplusplus
extern "C"
{
#endif

/// Bytes the request occupies in CDR when it starts at stream position current_alignment.
ROSIDL_TYPESUPPORT_FASTRTPS_C_PUBLIC_kovel_camera_msgs
size_t get_serialized_size_kovel_camera_msgs__srv__GetString_Request(
  const void * untyped_ros_message,
  size_t current_alignment);

/// Largest size of any request from current_alignment; clears full_bounded when the type
/// has no bound, never sets it.
ROSIDL_TYPESUPPORT_FASTRTPS_C_PUBLIC_kovel_camera_msgs
size_t max_serialized_size_kovel_camera_msgs__srv__GetString_Request(
  bool & full_bounded,
  size_t current_alignment);

/// The request's handle; its data is the request's message_type_support_callbacks_t.
ROSIDL_TYPESUPPORT_FASTRTPS_C_PUBLIC_kovel_camera_msgs
const rosidl_message_type_support_t *
ROSIDL_TYPESUPPORT_INTERFACE__MESSAGE_SYMBOL_NAME(rosidl_typesupport_fastrtps_c, kovel_camera_msgs, srv, GetString_Request)();

/// Bytes the response occupies in CDR when it starts at stream position current_alignment.
ROSIDL_TYPESUPPORT_FASTRTPS_C_PUBLIC_kovel_camera_msgs
size_t get_serialized_size_kovel_camera_msgs__srv__GetString_Response(
  const void * untyped_ros_message,
  size_t current_alignment);

/// Largest size of any response from current_alignment; clears full_bounded when the type
/// has no bound, never sets it.
ROSIDL_TYPESUPPORT_FASTRTPS_C_PUBLIC_kovel_camera_msgs
size_t max_serialized_size_kovel_camera_msgs__srv__GetString_Response(
  bool & full_bounded,
  size_t current_alignment);

/// The response's handle; its data is the response's message_type_support_callbacks_t.
ROSIDL_TYPESUPPORT_FASTRTPS_C_PUBLIC_kovel_camera_msgs
const rosidl_message_type_support_t *
ROSIDL_TYPESUPPORT_INTERFACE__MESSAGE_SYMBOL_NAME(rosidl_typesupport_fastrtps_c, kovel_camera_msgs, srv, GetString_Response)();

/// The service's handle; its data is the service_type_support_callbacks_t pairing the
/// request and response handles.
ROSIDL_TYPESUPPORT_FASTRTPS_C_PUBLIC_kovel_camera_msgs
const rosidl_service_type_support_t *
ROSIDL_TYPESUPPORT_INTERFACE__SERVICE_SYMBOL_NAME(rosidl_typesupport_fastrtps_c, kovel_camera_msgs, srv, GetString)();

#ifdef __cplusplus
}
#endif

#endif  // KOVEL_CAMERA_MSGS__SRV__DETAIL__GET_STRING__ROSIDL_TYPESUPPORT_FASTRTPS_C_H_
