// kovel_cdr decode: a DDS payload to YAML or JSON.
#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/standard_streams.hpp"
#include "codec/input_limits.hpp"
#include "codec/json_codec.hpp"
#include "codec/payload.hpp"
#include "codec/yaml_codec.hpp"
#include "commands/commands.hpp"
#include "commands/messages.hpp"

namespace kovel_cdr
{

namespace
{

int run_decode(const Arguments & arguments)
{
  const MessageType & type = find_message_type(arguments.positional[0]);
  std::string input = read_input(arguments.positional, 1);
  std::vector<uint8_t> payload = arguments.has("hex") ?
    from_hex(input) : std::vector<uint8_t>(input.begin(), input.end());
  Record record(type);
  decode_payload(type, payload.data(), payload.size(), record.data());
  nlohmann::ordered_json message = record_to_json(type, record.data());
  if (arguments.has("json") || arguments.has("compact")) {
    write_output(message.dump(arguments.has("compact") ? -1 : 2) + "\n");
  } else {
    write_output(message_to_yaml(type, message));
  }
  return 0;
}

}  // namespace

Command decode_command()
{
  static const std::string help = std::string(
    "Reads a payload (binary, or hex digits with --hex) from FILE or standard input and\n"
    "prints the message as YAML, as ros2 topic echo does, or as JSON with --json (on one\n"
    "line with --compact). A payload that ends early or has bytes left over is refused;\n"
    "padding is not left over: up to 3 bytes that round the payload up to a multiple of\n"
    "4, or as many as its header declares (the last two bits of its options).\n"
    "A text that is not UTF-8 is refused, as YAML and JSON cannot print it.\n") +
    kInputSizeHelp;
  return {"decode", "TYPE [FILE] [--hex] [--json] [--compact]", "a DDS payload to YAML or JSON",
    help.c_str(), 1, 2, {}, {"hex", "json", "compact"}, run_decode};
}

}  // namespace kovel_cdr
