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

static bool _GetString_Response__cdr_serialize(
  const void * untyped_ros_message, eprosima::fastcdr::Cdr & cdr)
{
  auto * m = record_or_report<const _GetString_Response__ros_msg_type>(untyped_ros_message);
  MessageStream out(cdr);
  return m &&
         write_string(m->data, out) &&
         write_boolean(m->success, out) &&
         write_string(m->message, out);
}

static bool _GetString_Response__cdr_deserialize(
  eprosima::fastcdr::Cdr & cdr, void * untyped_ros_message)
{
  auto * m = record_or_report<_GetString_Response__ros_msg_type>(untyped_ros_message);
  MessageStream in(cdr);
  return m &&
         read_string(in, m->data, "data") &&
         read_boolean(in, m->success) &&
         read_string(in, m->message, "message");
}

size_t get_serialized_size_kovel_camera_msgs__srv__GetString_Response(
  const void * untyped_ros_message, size_t current_alignment)
{
  auto * m = static_cast<const _GetString_Response__ros_msg_type *>(untyped_ros_message);
  size_t c = current_alignment;
  c += size_string(m->data, c);
  c += size_boolean(c);  // success
  c += size_string(m->message, c);
  return c - current_alignment;
}

size_t max_serialized_size_kovel_camera_msgs__srv__GetString_Response(
  bool & full_bounded, size_t current_alignment)
{
  size_t c = current_alignment;
  c += max_string(full_bounded, c);  // data
  c += max_boolean(c);  // success
  c += max_string(full_bounded, c);  // message
  return c - current_alignment;
}

ROSIDL_FASTRTPS_C_MESSAGE_FRAME(kovel_camera_msgs, srv, GetString_Response)

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
