// kovel_cdr encode: a message as YAML or JSON to a DDS payload.
#include <cstdint>
#include <string>
#include <vector>

#include "cli/standard_streams.hpp"
#include "codec/input_limits.hpp"
#include "codec/payload.hpp"
#include "commands/commands.hpp"
#include "commands/messages.hpp"

namespace kovel_cdr
{

namespace
{

int run_encode(const Arguments & arguments)
{
  const MessageType & type = find_message_type(arguments.positional[0]);
  std::vector<Record> records = records_from_input(type, arguments);
  if (!arguments.has("hex")) {
    // Payloads written one after the other could not be told apart again.
    if (records.size() > 1) {
      throw Error("input holds " + std::to_string(records.size()) + " messages, and binary " +
              "output is one payload: give --hex for one line of hex digits per message");
    }
    std::vector<uint8_t> payload = encode_payload(type, records[0].data());
    write_output(std::string(payload.begin(), payload.end()));
    return 0;
  }
  std::string hex;
  for (const Record & record : records) {
    hex += to_hex(encode_payload(type, record.data()));
  }
  write_output(hex);
  return 0;
}

}  // namespace

Command encode_command()
{
  static const std::string help = std::string(
    "Reads the message as YAML ('{name: Kovel, vid: 3}' or block style) or JSON from FILE\n"
    "or standard input. A member left out takes its default (0, false, ''); floats also\n"
    "take .nan, .inf, -.inf (or \"nan\", \"inf\", \"-inf\"). Writes the\n"
    "4-byte encapsulation header 00 01 00 00 and the CDR body, as binary or, with --hex,\n"
    "as hex digits.\n"
    "Several messages (a list, YAML documents separated by '---', JSON Lines) need --hex:\n"
    "one line of hex digits each, in order.\n") + kInputSizeHelp + kMessageLimitsHelp;
  return {"encode", "TYPE [FILE] [--hex]", "a message as YAML or JSON to a DDS payload",
    help.c_str(), 1, 2, {}, {"hex"}, run_encode};
}

}  // namespace kovel_cdr
