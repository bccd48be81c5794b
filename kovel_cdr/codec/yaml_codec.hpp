// Messages as YAML, the form ROS 2 users type and read: `{name: K1, vid: 3}` (flow) or
// block style, JSON included (JSON is YAML). Input is read by yaml-cpp and turned into the
// JSON form json_codec fills records from, guided by the type, so that a plain scalar takes
// the kind of its member (`name: 123` is the text "123"). Output is block YAML as
// `ros2 topic echo` prints it, with floats exact and .nan/.inf spelled as YAML does.
#ifndef KOVEL_CDR__CODEC__YAML_CODEC_HPP_
#define KOVEL_CDR__CODEC__YAML_CODEC_HPP_

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "codec/record.hpp"
#include "codec/type_catalog.hpp"

namespace kovel_cdr
{

/// One message of an input: record_from_json's form, the path its errors start with
/// ("DeviceInfo", "DeviceInfo[2]" in a list) and, for a message after the input's first
/// document, the line it starts on (0 in the first document, whose errors read as those of
/// an input of one message always have).
struct InputMessage
{
  nlohmann::json message;
  std::string path;
  size_t line = 0;
};

/// The messages of `type` in YAML or JSON text, in order: one document (a message, or a list
/// of messages), a YAML stream (documents separated by "---", as echo prints them; empty
/// documents are skipped) or JSON Lines (as echo --json prints them). Anything else left
/// over throws Error naming `what` and its line, as does a scalar its member cannot hold
/// ("DeviceInfo.vid: 1e400 is out of range for int32"); the input's values count together
/// against kMaxValues. An input without a message is an error when it holds an empty list;
/// one of no document at all gives one null message, which record_from_json refuses as ever.
std::vector<InputMessage> messages_from_yaml(const MessageType & type, const std::string & text,
  const std::string & what);

/// The message as a new record (make_record), its errors named as messages_from_yaml's.
Record record_of(const MessageType & type, const InputMessage & message, const std::string & what);

/// The message of `type` (record_to_json's form) as block YAML, members in record order,
/// ending in a newline.
std::string message_to_yaml(const MessageType & type, const nlohmann::ordered_json & message);

}  // namespace kovel_cdr

#endif  // KOVEL_CDR__CODEC__YAML_CODEC_HPP_
