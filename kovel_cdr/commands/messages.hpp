// How the commands take messages in and write them out: YAML or JSON text, hex and payloads.
#ifndef KOVEL_CDR__COMMANDS__MESSAGES_HPP_
#define KOVEL_CDR__COMMANDS__MESSAGES_HPP_

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/command_line.hpp"
#include "codec/record.hpp"
#include "codec/type_catalog.hpp"

namespace kovel_cdr
{

/// The messages of FILE or standard input (positional[1], if any) as records of `type`, in
/// order: one, a list, a YAML stream or JSON Lines (yaml_codec.hpp's messages_from_yaml).
std::vector<Record> records_from_input(const MessageType & type, const Arguments & arguments);

/// The messages of a message argument of `type`, as records_from_input reads them: the YAML
/// or JSON text itself ('{name: K1}', 'name: K1'), "-" for standard input, or else the name
/// of a file that holds them.
std::vector<Record> message_argument(const MessageType & type, const std::string & argument);

/// The message as the command prints it: a YAML document followed by "---", as ROS 2 prints
/// messages, or with --json one line of JSON.
std::string message_text(const Record & record, bool json, bool separator);

/// {"type", "serialized_size" (when `record` is given), "max_serialized_size",
/// "full_bounded"}: what sizes and types print.
nlohmann::ordered_json sizes_of(const MessageType & type, const void * record);

/// "00010000...\n": the bytes as lower-case hex digits and a newline.
std::string to_hex(const std::vector<uint8_t> & bytes);
/// The bytes of hex digits, white space ignored; throws Error for anything else.
std::vector<uint8_t> from_hex(const std::string & text);

}  // namespace kovel_cdr

#endif  // KOVEL_CDR__COMMANDS__MESSAGES_HPP_
