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

static bool _GetCameraParams_Response__cdr_serialize(
  const void * untyped_ros_message, eprosima::fastcdr::Cdr & cdr)
{
  auto * m = record_or_report<const _GetCameraParams_Response__ros_msg_type>(untyped_ros_message);
  MessageStream out(cdr);
  return m &&
         write_array(m->l_intr_p, out) &&
         write_array(m->r_intr_p, out) &&
         write_array(m->r2l_r, out) &&
         write_array(m->r2l_t, out) &&
         write_array(m->l_k, out) &&
         write_array(m->r_k, out) &&
         write_boolean(m->success, out) &&
         write_string(m->message, out);
}

static bool _GetCameraParams_Response__cdr_deserialize(
  eprosima::fastcdr::Cdr & cdr, void * untyped_ros_message)
{
  auto * m = record_or_report<_GetCameraParams_Response__ros_msg_type>(untyped_ros_message);
  MessageStream in(cdr);
  return m &&
         read_array(in, m->l_intr_p) &&
         read_array(in, m->r_intr_p) &&
         read_array(in, m->r2l_r) &&
         read_array(in, m->r2l_t) &&
         read_array(in, m->l_k) &&
         read_array(in, m->r_k) &&
         read_boolean(in, m->success) &&
         read_string(in, m->message, "message");
}

size_t get_serialized_size_kovel_camera_msgs__srv__GetCameraParams_Response(
  const void * untyped_ros_message, size_t current_alignment)
{
  auto * m = static_cast<const _GetCameraParams_Response__ros_msg_type *>(untyped_ros_message);
  size_t c = current_alignment;
  c += size_array(m->l_intr_p, c);
  c += size_array(m->r_intr_p, c);
  c += size_array(m->r2l_r, c);
  c += size_array(m->r2l_t, c);
  c += size_array(m->l_k, c);
  c += size_array(m->r_k, c);
  c += size_boolean(c);  // success
  c += size_string(m->message, c);
  return c - current_alignment;
}

size_t max_serialized_size_kovel_camera_msgs__srv__GetCameraParams_Response(
  bool & full_bounded, size_t current_alignment)
{
  size_t c = current_alignment;
  c += max_array<float, 4>(c);  // l_intr_p
  c += max_array<float, 4>(c);  // r_intr_p
  c += max_array<float, 9>(c);  // r2l_r
  c += max_array<float, 3>(c);  // r2l_t
  c += max_array<float, 5>(c);  // l_k
  c += max_array<float, 5>(c);  // r_k
  c += max_boolean(c);  // success
  c += max_string(full_bounded, c);  // message
  return c - current_alignment;
}

ROSIDL_FASTRTPS_C_MESSAGE_FRAME(kovel_camera_msgs, srv, GetCameraParams_Response)

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
