// Fast-CDR C type support of the service kovel_camera_msgs/srv/GetDeviceInfo.
//
// Request: empty (one placeholder octet).
// Response:
//   info     nested kovel_camera_msgs/DeviceInfo, through its exported entry points
//   success  boolean
//   message  string
#include "kovel_camera_msgs/srv/detail/get_device_info__rosidl_typesupport_fastrtps_c.h"
#include "kovel_camera_msgs/srv/detail/get_device_info__struct.h"
#include "../../detail/nested_types.hpp"
#include "../../detail/type_support_frame.hpp"

using namespace kovel_camera_msgs_rules;  // NOLINT

ROSIDL_FASTRTPS_C_EMPTY_REQUEST(kovel_camera_msgs, GetDeviceInfo)

using _GetDeviceInfo_Response__ros_msg_type = kovel_camera_msgs__srv__GetDeviceInfo_Response;

static constexpr auto _GetDeviceInfo_Response__members = std::make_tuple(
  ROSIDL_FASTRTPS_C_MEMBER(GetDeviceInfo_Response, info, KovelDeviceInfo),
  ROSIDL_FASTRTPS_C_MEMBER(GetDeviceInfo_Response, success, Plain),
  ROSIDL_FASTRTPS_C_MEMBER(GetDeviceInfo_Response, message, String));

ROSIDL_FASTRTPS_C_MESSAGE(
  kovel_camera_msgs, srv, GetDeviceInfo_Response, _GetDeviceInfo_Response__members)

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
