// Messages as YAML, the form ROS 2 users type and read: `{name: K1, vid: 3}` (flow) or
// block style, JSON included (JSON is YAML). Input is read by yaml-cpp and turned into the
// JSON form json_codec fills records from, guided by the type, so that a plain scalar takes
// the kind of its member (`name: 123` is the text "123"). Output is block YAML as
// `ros2 topic echo` prints it, with floats exact and .nan/.inf spelled as YAML does.
#ifndef KOVEL_CDR__CODEC__YAML_CODEC_HPP_
#define KOVEL_CDR__CODEC__YAML_CODEC_HPP_

#include <string>

#include <nlohmann/json.hpp>

#include "codec/type_catalog.hpp"

namespace kovel_cdr
{

/// A message of `type` from YAML or JSON text: the JSON form record_from_json takes.
/// A list of messages (a YAML sequence) gives a JSON array of them. Throws Error naming
/// `what` for text that is neither, and the member's path for a scalar its member cannot
/// hold ("DeviceInfo.vid: 1e400 is out of range for int32").
nlohmann::json message_from_yaml(const MessageType & type, const std::string & text,
  const std::string & what);

/// The message of `type` (record_to_json's form) as block YAML, members in record order,
/// ending in a newline.
std::string message_to_yaml(const MessageType & type, const nlohmann::ordered_json & message);

}  // namespace kovel_cdr

#endif  // KOVEL_CDR__CODEC__YAML_CODEC_HPP_
