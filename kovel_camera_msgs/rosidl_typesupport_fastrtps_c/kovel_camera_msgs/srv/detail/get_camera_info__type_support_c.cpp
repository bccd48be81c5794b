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
#include "../../detail/nested_types.hpp"
#include "../../detail/type_support_frame.hpp"

using namespace kovel_camera_msgs_rules;  // NOLINT

ROSIDL_FASTRTPS_C_EMPTY_REQUEST(kovel_camera_msgs, GetCameraInfo)

using _GetCameraInfo_Response__ros_msg_type = kovel_camera_msgs__srv__GetCameraInfo_Response;

static constexpr auto _GetCameraInfo_Response__members = std::make_tuple(
  ROSIDL_FASTRTPS_C_MEMBER(GetCameraInfo_Response, info, SensorMsgsCameraInfo),
  ROSIDL_FASTRTPS_C_MEMBER(GetCameraInfo_Response, success, Plain),
  ROSIDL_FASTRTPS_C_MEMBER(GetCameraInfo_Response, message, String));

ROSIDL_FASTRTPS_C_MESSAGE(
  kovel_camera_msgs, srv, GetCameraInfo_Response, _GetCameraInfo_Response__members)

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
