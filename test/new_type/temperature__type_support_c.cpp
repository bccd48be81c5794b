// Fast-CDR C type support of kovel_camera_msgs/msg/Temperature.
//
//   header       nested std_msgs/Header
//   celsius      float64, aligned to 8
//   sensor_name  string
//   sensor_id    int32
//   calibration  float32[4]
#include "kovel_camera_msgs/msg/detail/temperature__rosidl_typesupport_fastrtps_c.h"
#include "kovel_camera_msgs/msg/detail/temperature__struct.h"
#include "../../detail/nested_types.hpp"
#include "../../detail/type_support_frame.hpp"

using namespace kovel_camera_msgs_rules;  // NOLINT
using _Temperature__ros_msg_type = kovel_camera_msgs__msg__Temperature;

static constexpr auto _Temperature__members = std::make_tuple(
  ROSIDL_FASTRTPS_C_MEMBER(Temperature, header, StdMsgsHeader),
  ROSIDL_FASTRTPS_C_MEMBER(Temperature, celsius, Plain),
  ROSIDL_FASTRTPS_C_MEMBER(Temperature, sensor_name, String),
  ROSIDL_FASTRTPS_C_MEMBER(Temperature, sensor_id, Plain),
  ROSIDL_FASTRTPS_C_MEMBER(Temperature, calibration, Array<>));

ROSIDL_FASTRTPS_C_MESSAGE(kovel_camera_msgs, msg, Temperature, _Temperature__members)

static const struct BindTemperature
{
  BindTemperature()
  {
    _Temperature__type_support.typesupport_identifier = rosidl_typesupport_fastrtps_c__identifier;
  }
} bind_temperature;
