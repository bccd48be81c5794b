#include "type_catalog.hpp"

#include <cstddef>

#include "builtin_interfaces/msg/detail/time__rosidl_typesupport_fastrtps_c.h"
#include "kovel_camera_msgs/msg/detail/device_info__rosidl_typesupport_fastrtps_c.h"
#include "kovel_camera_msgs/msg/detail/device_info__struct.h"
#include "kovel_camera_msgs/msg/detail/extrinsics__rosidl_typesupport_fastrtps_c.h"
#include "kovel_camera_msgs/msg/detail/extrinsics__struct.h"
#include "kovel_camera_msgs/msg/detail/metadata__rosidl_typesupport_fastrtps_c.h"
#include "kovel_camera_msgs/msg/detail/metadata__struct.h"
#include "kovel_camera_msgs/srv/detail/get_camera_info__rosidl_typesupport_fastrtps_c.h"
#include "kovel_camera_msgs/srv/detail/get_camera_info__struct.h"
#include "kovel_camera_msgs/srv/detail/get_camera_params__rosidl_typesupport_fastrtps_c.h"
#include "kovel_camera_msgs/srv/detail/get_camera_params__struct.h"
#include "kovel_camera_msgs/srv/detail/get_device_info__rosidl_typesupport_fastrtps_c.h"
#include "kovel_camera_msgs/srv/detail/get_device_info__struct.h"
#include "kovel_camera_msgs/srv/detail/get_string__rosidl_typesupport_fastrtps_c.h"
#include "kovel_camera_msgs/srv/detail/get_string__struct.h"
#include "sensor_msgs/msg/detail/camera_info__rosidl_typesupport_fastrtps_c.h"
#include "sensor_msgs/msg/detail/region_of_interest__rosidl_typesupport_fastrtps_c.h"
#include "std_msgs/msg/detail/header__rosidl_typesupport_fastrtps_c.h"

namespace kovel_cdr
{

std::string MessageType::full_name() const
{
  return std::string(package) + "/" + kind + "/" + name;
}

// Members of record R: MEMBER(R, name, kind) and friends.
#define MEMBER(R, field, kind) Member{#field, Kind::kind, offsetof(R, field)}
#define ARRAY(R, field, kind) \
  Member{#field, Kind::kind, offsetof(R, field), sizeof(R::field) / sizeof(R::field[0])}
#define NESTED(R, field, type) Member{#field, Kind::nested, offsetof(R, field), 0, &type}

// The entry points of type T of package PKG, kind KIND.
#define ENTRY_POINTS(PKG, KIND, T) \
  rosidl_typesupport_fastrtps_c__get_message_type_support_handle__ ## PKG ## __ ## KIND ## __ ## T, \
  get_serialized_size_ ## PKG ## __ ## KIND ## __ ## T, \
  max_serialized_size_ ## PKG ## __ ## KIND ## __ ## T
#define TYPE(PKG, KIND, T) #PKG, #KIND, #T, sizeof(PKG ## __ ## KIND ## __ ## T)

// ---- Standard types the package nests ----

using Time = builtin_interfaces__msg__Time;
static const MessageType kTime{
  TYPE(builtin_interfaces, msg, Time),
  {MEMBER(Time, sec, int32), MEMBER(Time, nanosec, uint32)},
  ENTRY_POINTS(builtin_interfaces, msg, Time)};

using Header = std_msgs__msg__Header;
static const MessageType kHeader{
  TYPE(std_msgs, msg, Header),
  {NESTED(Header, stamp, kTime), MEMBER(Header, frame_id, string)},
  ENTRY_POINTS(std_msgs, msg, Header)};

using RegionOfInterest = sensor_msgs__msg__RegionOfInterest;
static const MessageType kRegionOfInterest{
  TYPE(sensor_msgs, msg, RegionOfInterest),
  {MEMBER(RegionOfInterest, x_offset, uint32), MEMBER(RegionOfInterest, y_offset, uint32),
    MEMBER(RegionOfInterest, height, uint32), MEMBER(RegionOfInterest, width, uint32),
    MEMBER(RegionOfInterest, do_rectify, boolean)},
  ENTRY_POINTS(sensor_msgs, msg, RegionOfInterest)};

using CameraInfo = sensor_msgs__msg__CameraInfo;
static const MessageType kCameraInfo{
  TYPE(sensor_msgs, msg, CameraInfo),
  {NESTED(CameraInfo, header, kHeader), MEMBER(CameraInfo, height, uint32),
    MEMBER(CameraInfo, width, uint32), MEMBER(CameraInfo, distortion_model, string),
    MEMBER(CameraInfo, d, float64_sequence), ARRAY(CameraInfo, k, float64_array),
    ARRAY(CameraInfo, r, float64_array), ARRAY(CameraInfo, p, float64_array),
    MEMBER(CameraInfo, binning_x, uint32), MEMBER(CameraInfo, binning_y, uint32),
    NESTED(CameraInfo, roi, kRegionOfInterest)},
  ENTRY_POINTS(sensor_msgs, msg, CameraInfo)};

// ---- kovel_camera_msgs ----

using DeviceInfo = kovel_camera_msgs__msg__DeviceInfo;
static const MessageType kDeviceInfo{
  TYPE(kovel_camera_msgs, msg, DeviceInfo),
  {NESTED(DeviceInfo, header, kHeader), MEMBER(DeviceInfo, name, string),
    MEMBER(DeviceInfo, vid, int32), MEMBER(DeviceInfo, pid, int32),
    MEMBER(DeviceInfo, serial_number, string), MEMBER(DeviceInfo, firmware_version, string),
    MEMBER(DeviceInfo, supported_min_sdk_version, string),
    MEMBER(DeviceInfo, hardware_version, string)},
  ENTRY_POINTS(kovel_camera_msgs, msg, DeviceInfo)};

using Metadata = kovel_camera_msgs__msg__Metadata;
static const MessageType kMetadata{
  TYPE(kovel_camera_msgs, msg, Metadata),
  {NESTED(Metadata, header, kHeader), MEMBER(Metadata, json_data, string)},
  ENTRY_POINTS(kovel_camera_msgs, msg, Metadata)};

using Extrinsics = kovel_camera_msgs__msg__Extrinsics;
static const MessageType kExtrinsics{
  TYPE(kovel_camera_msgs, msg, Extrinsics),
  {NESTED(Extrinsics, header, kHeader), ARRAY(Extrinsics, rotation, float64_array),
    ARRAY(Extrinsics, translation, float64_array)},
  ENTRY_POINTS(kovel_camera_msgs, msg, Extrinsics)};

// Every request is the same empty record: one placeholder octet.
#define EMPTY_REQUEST(S) \
  static const MessageType k ## S ## _Request{ \
    TYPE(kovel_camera_msgs, srv, S ## _Request), \
    {MEMBER(kovel_camera_msgs__srv__ ## S ## _Request, structure_needs_at_least_one_member, \
      octet)}, \
    ENTRY_POINTS(kovel_camera_msgs, srv, S ## _Request)};

EMPTY_REQUEST(GetDeviceInfo)
EMPTY_REQUEST(GetCameraInfo)
EMPTY_REQUEST(GetCameraParams)
EMPTY_REQUEST(GetString)

using GetDeviceInfo_Response = kovel_camera_msgs__srv__GetDeviceInfo_Response;
static const MessageType kGetDeviceInfo_Response{
  TYPE(kovel_camera_msgs, srv, GetDeviceInfo_Response),
  {NESTED(GetDeviceInfo_Response, info, kDeviceInfo),
    MEMBER(GetDeviceInfo_Response, success, boolean),
    MEMBER(GetDeviceInfo_Response, message, string)},
  ENTRY_POINTS(kovel_camera_msgs, srv, GetDeviceInfo_Response)};

using GetCameraInfo_Response = kovel_camera_msgs__srv__GetCameraInfo_Response;
static const MessageType kGetCameraInfo_Response{
  TYPE(kovel_camera_msgs, srv, GetCameraInfo_Response),
  {NESTED(GetCameraInfo_Response, info, kCameraInfo),
    MEMBER(GetCameraInfo_Response, success, boolean),
    MEMBER(GetCameraInfo_Response, message, string)},
  ENTRY_POINTS(kovel_camera_msgs, srv, GetCameraInfo_Response)};

using GetCameraParams_Response = kovel_camera_msgs__srv__GetCameraParams_Response;
static const MessageType kGetCameraParams_Response{
  TYPE(kovel_camera_msgs, srv, GetCameraParams_Response),
  {ARRAY(GetCameraParams_Response, l_intr_p, float32_array),
    ARRAY(GetCameraParams_Response, r_intr_p, float32_array),
    ARRAY(GetCameraParams_Response, r2l_r, float32_array),
    ARRAY(GetCameraParams_Response, r2l_t, float32_array),
    ARRAY(GetCameraParams_Response, l_k, float32_array),
    ARRAY(GetCameraParams_Response, r_k, float32_array),
    MEMBER(GetCameraParams_Response, success, boolean),
    MEMBER(GetCameraParams_Response, message, string)},
  ENTRY_POINTS(kovel_camera_msgs, srv, GetCameraParams_Response)};

using GetString_Response = kovel_camera_msgs__srv__GetString_Response;
static const MessageType kGetString_Response{
  TYPE(kovel_camera_msgs, srv, GetString_Response),
  {MEMBER(GetString_Response, data, string), MEMBER(GetString_Response, success, boolean),
    MEMBER(GetString_Response, message, string)},
  ENTRY_POINTS(kovel_camera_msgs, srv, GetString_Response)};

#define SERVICE(S) \
  static const ServiceType k ## S{#S, &k ## S ## _Request, &k ## S ## _Response, \
    rosidl_typesupport_fastrtps_c__get_service_type_support_handle__kovel_camera_msgs__srv__ ## S};

SERVICE(GetDeviceInfo)
SERVICE(GetCameraInfo)
SERVICE(GetCameraParams)
SERVICE(GetString)

const std::vector<const MessageType *> & message_types()
{
  static const std::vector<const MessageType *> types{
    &kDeviceInfo, &kMetadata, &kExtrinsics,
    &kGetDeviceInfo_Request, &kGetDeviceInfo_Response,
    &kGetCameraInfo_Request, &kGetCameraInfo_Response,
    &kGetCameraParams_Request, &kGetCameraParams_Response,
    &kGetString_Request, &kGetString_Response};
  return types;
}

const std::vector<const ServiceType *> & service_types()
{
  static const std::vector<const ServiceType *> services{
    &kGetDeviceInfo, &kGetCameraInfo, &kGetCameraParams, &kGetString};
  return services;
}

static std::string_view without_prefix(std::string_view name, std::string_view prefix)
{
  if (name.substr(0, prefix.size()) == prefix) {
    name.remove_prefix(prefix.size());
  }
  return name;
}

const MessageType & find_message_type(std::string_view name)
{
  std::string_view bare = without_prefix(name, "kovel_camera_msgs/");
  std::string known;
  for (const MessageType * type : message_types()) {
    std::string_view kind_prefix = type->kind[0] == 'm' ? "msg/" : "srv/";
    if (without_prefix(bare, kind_prefix) == type->name) {
      return *type;
    }
    known += known.empty() ? "" : ", ";
    known += type->name;
  }
  throw Error("unknown message type '" + std::string(name) + "' (known: " + known + ")");
}

const ServiceType & find_service_type(std::string_view name)
{
  std::string_view bare = without_prefix(without_prefix(name, "kovel_camera_msgs/"), "srv/");
  std::string known;
  for (const ServiceType * service : service_types()) {
    if (bare == service->name) {
      return *service;
    }
    known += known.empty() ? "" : ", ";
    known += service->name;
  }
  throw Error("unknown service '" + std::string(name) + "' (known: " + known + ")");
}

}  // namespace kovel_cdr
