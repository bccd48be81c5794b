// Fast-CDR C type support of kovel_camera_msgs/msg/Extrinsics.
//
//   header       nested std_msgs/Header
//   rotation     float64[9], aligned to 8
//   translation  float64[3]
#include "kovel_camera_msgs/msg/detail/extrinsics__rosidl_typesupport_fastrtps_c.h"
#include "kovel_camera_msgs/msg/detail/extrinsics__struct.h"
#include "../../detail/nested_types.hpp"
#include "../../detail/type_support_frame.hpp"

using namespace kovel_camera_msgs_rules;  // NOLINT
using _Extrinsics__ros_msg_type = kovel_camera_msgs__msg__Extrinsics;

static constexpr auto _Extrinsics__members = std::make_tuple(
  ROSIDL_FASTRTPS_C_MEMBER(Extrinsics, header, StdMsgsHeader),
  ROSIDL_FASTRTPS_C_MEMBER(Extrinsics, rotation, Array<>),
  ROSIDL_FASTRTPS_C_MEMBER(Extrinsics, translation, Array<>));

ROSIDL_FASTRTPS_C_MESSAGE(kovel_camera_msgs, msg, Extrinsics, _Extrinsics__members)

static const struct BindExtrinsics
{
  BindExtrinsics()
  {
    _Extrinsics__type_support.typesupport_identifier = rosidl_typesupport_fastrtps_c__identifier;
  }
} bind_extrinsics;
