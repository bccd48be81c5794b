// Fast-CDR C type support of the service kovel_camera_msgs/srv/GetDeviceInfo.
//
// Request: empty (one placeholder octet).
// Response:
//   info     nested kovel_camera_msgs/DeviceInfo, through its exported entry points
//   success  boolean
//   message  string
#include "kovel_camera_msgs/msg/detail/device_info__rosidl_typesupport_fastrtps_c.h"
#include "kovel_camera_msgs/srv/detail/get_device_info__rosidl_typesupport_fastrtps_c.h"
#include "kovel_camera_msgs/srv/detail/get_device_info__struct.h"
#include "../../detail/type_support_frame.hpp"

using namespace kovel_camera_msgs_rules;  // NOLINT

ROSIDL_FASTRTPS_C_EMPTY_REQUEST(kovel_camera_msgs, GetDeviceInfo)

using _GetDeviceInfo_Response__ros_msg_type = kovel_camera_msgs__srv__GetDeviceInfo_Response;

static constexpr NestedType kDeviceInfo = {
  rosidl_typesupport_fastrtps_c__get_message_type_support_handle__kovel_camera_msgs__msg__DeviceInfo,
  get_serialized_size_kovel_camera_msgs__msg__DeviceInfo,
  max_serialized_size_kovel_camera_msgs__msg__DeviceInfo};

static bool _GetDeviceInfo_Response__cdr_serialize(
  const void * untyped_ros_message, eprosima::fastcdr::Cdr & cdr)
{
  auto * m = record_or_report<const _GetDeviceInfo_Response__ros_msg_type>(untyped_ros_message);
  MessageStream out(cdr);
  return m &&
         write_nested(kDeviceInfo, &m->info, out) &&
         write_boolean(m->success, out) &&
         write_string(m->message, out);
}

static bool _GetDeviceInfo_Response__cdr_deserialize(
  eprosima::fastcdr::Cdr & cdr, void * untyped_ros_message)
{
  auto * m = record_or_report<_GetDeviceInfo_Response__ros_msg_type>(untyped_ros_message);
  MessageStream in(cdr);
  return m &&
         read_nested(kDeviceInfo, in, &m->info) &&
         read_boolean(in, m->success) &&
         read_string(in, m->message, "message");
}

size_t get_serialized_size_kovel_camera_msgs__srv__GetDeviceInfo_Response(
  const void * untyped_ros_message, size_t current_alignment)
{
  auto * m = static_cast<const _GetDeviceInfo_Response__ros_msg_type *>(untyped_ros_message);
  size_t c = current_alignment;
  c += size_nested(kDeviceInfo, &m->info, c);
  c += size_boolean(c);  // success
  c += size_string(m->message, c);
  return c - current_alignment;
}

size_t max_serialized_size_kovel_camera_msgs__srv__GetDeviceInfo_Response(
  bool & full_bounded, size_t current_alignment)
{
  size_t c = current_alignment;
  c += max_nested(kDeviceInfo, full_bounded, c);
  c += max_boolean(c);  // success
  c += max_string(full_bounded, c);  // message
  return c - current_alignment;
}

ROSIDL_FASTRTPS_C_MESSAGE_FRAME(kovel_camera_msgs, srv, GetDeviceInfo_Response)

ROSIDL_FASTRTPS_C_SERVICE_FRAME(kovel_camera_msgs, GetDeviceInfo)

static const struct BindGetDeviceInfo
{
  BindGetDeviceInfo()
  {
    bind_service(
      _GetDeviceInfo_Request__type_support, _GetDeviceInfo_Response__type_support,
      GetDeviceInfo__callbacks, GetDeviceInfo__handle,
      rosidl_typesupport_fastrtps_c__get_message_type_support_handle__kovel_camera_msgs__srv__GetDeviceInfo_Request,
      rosidl_typesupport_fastrtps_c__get_message_type_support_handle__kovel_camera_msgs__srv__GetDeviceInfo_Response);
  }
} bind_get_device_info;
