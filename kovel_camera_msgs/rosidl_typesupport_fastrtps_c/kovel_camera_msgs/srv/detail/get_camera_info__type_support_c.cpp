// Fast-CDR C type support of the service kovel_camera_msgs/srv/GetCameraInfo.
//
// Request: empty (one placeholder octet).
// Response:
//   info     nested sensor_msgs/CameraInfo, through sensor_msgs' own type support; its
//            handle is looked up on every serialize and deserialize
//   success  boolean
//   message  string
#include "kovel_camera_msgs/srv/detail/get_camera_info__rosidl_typesupport_fastrtps_c.h"
#include "kovel_camera_msgs/srv/detail/get_camera_info__struct.h"
#include "sensor_msgs/msg/detail/camera_info__rosidl_typesupport_fastrtps_c.h"
#include "../../detail/type_support_frame.hpp"

using namespace kovel_camera_msgs_rules;  // NOLINT

ROSIDL_FASTRTPS_C_EMPTY_REQUEST(kovel_camera_msgs, GetCameraInfo)

using _GetCameraInfo_Response__ros_msg_type = kovel_camera_msgs__srv__GetCameraInfo_Response;

static constexpr NestedType kCameraInfo = {
  rosidl_typesupport_fastrtps_c__get_message_type_support_handle__sensor_msgs__msg__CameraInfo,
  get_serialized_size_sensor_msgs__msg__CameraInfo,
  max_serialized_size_sensor_msgs__msg__CameraInfo};

static bool _GetCameraInfo_Response__cdr_serialize(
  const void * untyped_ros_message, eprosima::fastcdr::Cdr & cdr)
{
  auto * m = record_or_report<const _GetCameraInfo_Response__ros_msg_type>(untyped_ros_message);
  MessageStream out(cdr);
  return m &&
         write_nested(kCameraInfo, &m->info, out) &&
         write_boolean(m->success, out) &&
         write_string(m->message, out);
}

static bool _GetCameraInfo_Response__cdr_deserialize(
  eprosima::fastcdr::Cdr & cdr, void * untyped_ros_message)
{
  auto * m = record_or_report<_GetCameraInfo_Response__ros_msg_type>(untyped_ros_message);
  MessageStream in(cdr);
  return m &&
         read_nested(kCameraInfo, in, &m->info) &&
         read_boolean(in, m->success) &&
         read_string(in, m->message, "message");
}

size_t get_serialized_size_kovel_camera_msgs__srv__GetCameraInfo_Response(
  const void * untyped_ros_message, size_t current_alignment)
{
  auto * m = static_cast<const _GetCameraInfo_Response__ros_msg_type *>(untyped_ros_message);
  size_t c = current_alignment;
  c += size_nested(kCameraInfo, &m->info, c);
  c += size_boolean(c);  // success
  c += size_string(m->message, c);
  return c - current_alignment;
}

size_t max_serialized_size_kovel_camera_msgs__srv__GetCameraInfo_Response(
  bool & full_bounded, size_t current_alignment)
{
  size_t c = current_alignment;
  c += max_nested(kCameraInfo, full_bounded, c);
  c += max_boolean(c);  // success
  c += max_string(full_bounded, c);  // message
  return c - current_alignment;
}

ROSIDL_FASTRTPS_C_MESSAGE_FRAME(kovel_camera_msgs, srv, GetCameraInfo_Response)

ROSIDL_FASTRTPS_C_SERVICE_FRAME(kovel_camera_msgs, GetCameraInfo)

static const struct BindGetCameraInfo
{
  BindGetCameraInfo()
  {
    bind_service(
      _GetCameraInfo_Request__type_support, _GetCameraInfo_Response__type_support,
      GetCameraInfo__callbacks, GetCameraInfo__handle,
      rosidl_typesupport_fastrtps_c__get_message_type_support_handle__kovel_camera_msgs__srv__GetCameraInfo_Request,
      rosidl_typesupport_fastrtps_c__get_message_type_support_handle__kovel_camera_msgs__srv__GetCameraInfo_Response);
  }
} bind_get_camera_info;
