// Fast-CDR C type support of the service kovel_camera_msgs/srv/GetString.
//
// Request: empty (one placeholder octet).
// Response:
//   data     string
//   success  boolean
//   message  string
#include "kovel_camera_msgs/srv/detail/get_string__rosidl_typesupport_fastrtps_c.h"
#include "kovel_camera_msgs/srv/detail/get_string__struct.h"
#include "../../detail/type_support_frame.hpp"

using namespace kovel_camera_msgs_rules;  // NOLINT

ROSIDL_FASTRTPS_C_EMPTY_REQUEST(kovel_camera_msgs, GetString)

using _GetString_Response__ros_msg_type = kovel_camera_msgs__srv__GetString_Response;

static constexpr auto _GetString_Response__members = std::make_tuple(
  ROSIDL_FASTRTPS_C_MEMBER(GetString_Response, data, String),
  ROSIDL_FASTRTPS_C_MEMBER(GetString_Response, success, Plain),
  ROSIDL_FASTRTPS_C_MEMBER(GetString_Response, message, String));

ROSIDL_FASTRTPS_C_MESSAGE(
  kovel_camera_msgs, srv, GetString_Response, _GetString_Response__members)

ROSIDL_FASTRTPS_C_SERVICE_FRAME(kovel_camera_msgs, GetString)

static const struct BindGetString
{
  BindGetString()
  {
    bind_service(
      _GetString_Request__type_support, _GetString_Response__type_support,
      GetString__callbacks, GetString__handle,
      rosidl_typesupport_fastrtps_c__get_message_type_support_handle__kovel_camera_msgs__srv__GetString_Request,
      rosidl_typesupport_fastrtps_c__get_message_type_support_handle__kovel_camera_msgs__srv__GetString_Response);
  }
} bind_get_string;
