// Fast-CDR C type support of the service kovel_camera_msgs/srv/GetCameraParams.
//
// Request: empty (one placeholder octet).
// Response (six float32 arrays, then the result):
//   l_intr_p float32[4], r_intr_p float32[4], r2l_r float32[9], r2l_t float32[3],
//   l_k float32[5], r_k float32[5]
//   success  boolean
//   message  string
#include "kovel_camera_msgs/srv/detail/get_camera_params__rosidl_typesupport_fastrtps_c.h"
#include "kovel_camera_msgs/srv/detail/get_camera_params__struct.h"
#include "../../detail/type_support_frame.hpp"

using namespace kovel_camera_msgs_rules;  // NOLINT

ROSIDL_FASTRTPS_C_EMPTY_REQUEST(kovel_camera_msgs, GetCameraParams)

using _GetCameraParams_Response__ros_msg_type = kovel_camera_msgs__srv__GetCameraParams_Response;

static constexpr auto _GetCameraParams_Response__members = std::make_tuple(
  ROSIDL_FASTRTPS_C_MEMBER(GetCameraParams_Response, l_intr_p, Array<>),
  ROSIDL_FASTRTPS_C_MEMBER(GetCameraParams_Response, r_intr_p, Array<>),
  ROSIDL_FASTRTPS_C_MEMBER(GetCameraParams_Response, r2l_r, Array<>),
  ROSIDL_FASTRTPS_C_MEMBER(GetCameraParams_Response, r2l_t, Array<>),
  ROSIDL_FASTRTPS_C_MEMBER(GetCameraParams_Response, l_k, Array<>),
  ROSIDL_FASTRTPS_C_MEMBER(GetCameraParams_Response, r_k, Array<>),
  ROSIDL_FASTRTPS_C_MEMBER(GetCameraParams_Response, success, Plain),
  ROSIDL_FASTRTPS_C_MEMBER(GetCameraParams_Response, message, String));

ROSIDL_FASTRTPS_C_MESSAGE(
  kovel_camera_msgs, srv, GetCameraParams_Response, _GetCameraParams_Response__members)

ROSIDL_FASTRTPS_C_SERVICE_FRAME(kovel_camera_msgs, GetCameraParams)

static const struct BindGetCameraParams
{
  BindGetCameraParams()
  {
    bind_service(
      _GetCameraParams_Request__type_support, _GetCameraParams_Response__type_support,
      GetCameraParams__callbacks, GetCameraParams__handle,
      rosidl_typesupport_fastrtps_c__get_message_type_support_handle__kovel_camera_msgs__srv__GetCameraParams_Request,
      rosidl_typesupport_fastrtps_c__get_message_type_support_handle__kovel_camera_msgs__srv__GetCameraParams_Response);
  }
} bind_get_camera_params;
