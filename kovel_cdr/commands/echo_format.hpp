// How echo prints a message when asked as ros2 topic echo is asked: one member (--field),
// comma-separated (--csv), on one line (--flow-style), arrays and strings abbreviated
// (--no-arr, --no-str) or truncated (--truncate-length), with the message's timestamps
// (--include-message-info). The texts are those of ROS 2's rosidl_runtime_py.
#ifndef KOVEL_CDR__COMMANDS__ECHO_FORMAT_HPP_
#define KOVEL_CDR__COMMANDS__ECHO_FORMAT_HPP_

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cli/command_line.hpp"
#include "codec/record.hpp"
#include "codec/type_catalog.hpp"

namespace kovel_cdr
{

struct EchoFormat
{
  std::vector<std::string> field;  // the member path, empty for the whole message
  bool json = false;
  bool csv = false;
  bool flow = false;
  bool no_arr = false;
  bool no_str = false;
  bool info = false;
  std::optional<size_t> truncate;

  /// The message as message_text prints it, nothing asked.
  bool plain() const;
};

/// The options that shape echo's output; the help of those options; and their names.
EchoFormat echo_format(const Arguments & arguments);
extern const char kEchoFormatOptions[];
extern const std::set<std::string> kEchoFormatValues;
extern const std::set<std::string> kEchoFormatFlags;

/// Throws UsageError when `format.field` is not a member path of `type`.
void check_field(const EchoFormat & format, const MessageType & type);

struct MessageInfo
{
  int64_t source_ns;
  int64_t received_ns;
};

/// The message as echo prints it in `format`, without the final newline.
std::string echo_text(const EchoFormat & format, const Record & message, const MessageInfo & info);

}  // namespace kovel_cdr

#endif  // KOVEL_CDR__COMMANDS__ECHO_FORMAT_HPP_
