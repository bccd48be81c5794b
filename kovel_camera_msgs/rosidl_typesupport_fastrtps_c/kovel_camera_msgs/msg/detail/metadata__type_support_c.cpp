// Fast-CDR C type support of kovel_camera_msgs/msg/Metadata.
//
//   header     nested std_msgs/Header
//   json_data  string (opaque text, never parsed)
#include "kovel_camera_msgs/msg/detail/metadata__rosidl_typesupport_fastrtps_c.h"
#include "kovel_camera_msgs/msg/detail/metadata__struct.h"
#include "../../detail/nested_types.hpp"
#include "../../detail/type_support_frame.hpp"

using namespace kovel_camera_msgs_rules;  // NOLINT
using _Metadata__ros_msg_type = kovel_camera_msgs__msg__Metadata;

static constexpr auto _Metadata__members = std::make_tuple(
  ROSIDL_FASTRTPS_C_MEMBER(Metadata, header, StdMsgsHeader),
  ROSIDL_FASTRTPS_C_MEMBER(Metadata, json_data, String));

ROSIDL_FASTRTPS_C_MESSAGE(kovel_camera_msgs, msg, Metadata, _Metadata__members)

static const struct BindMetadata
{
  BindMetadata()
  {
    _Metadata__type_support.typesupport_identifier = rosidl_typesupport_fastrtps_c__identifier;
  }
} bind_metadata;
