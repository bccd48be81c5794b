// kovel_cdr decode: a DDS payload to YAML or JSON.
#include <algorithm>
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

Record decoded(const MessageType & type, const std::vector<uint8_t> & payload)
{
  Record record(type);
  decode_payload(type, payload.data(), payload.size(), record.data());
  return record;
}

// The payloads of hex input: one, which may be wrapped over lines as xxd -p writes it, or
// else one a line. An input whose first line is no payload of its own meant one payload,
// and is told that payload's fault.
std::vector<Record> from_hex_lines(const MessageType & type, const std::string & input)
{
  std::vector<Record> records;
  try {
    records.push_back(decoded(type, from_hex(input)));
    return records;
  } catch (const Error & whole) {
    size_t number = 0;
    for (size_t start = 0; start < input.size(); ) {
      const size_t end = std::min(input.find('\n', start), input.size());
      const std::string line = input.substr(start, end - start);
      start = end + 1;
      ++number;
      if (line.find_first_not_of(" \t\r") == std::string::npos) {
        continue;
      }
      try {
        records.push_back(decoded(type, from_hex(line)));
      } catch (const Error & e) {
        if (records.empty()) {
          throw whole;
        }
        throw Error("input, line " + std::to_string(number) + ": " + e.what());
      }
    }
    if (records.size() < 2) {
      throw;
    }
  }
  return records;
}

int run_decode(const Arguments & arguments)
{
  const MessageType & type = find_message_type(arguments.positional[0]);
  std::string input = read_input(arguments.positional, 1);
  std::vector<Record> records;
  if (arguments.has("hex")) {
    records = from_hex_lines(type, input);
  } else {
    records.push_back(decoded(type, std::vector<uint8_t>(input.begin(), input.end())));
  }
  // Several messages as echo prints them: YAML documents each ending in "---", or JSON.
  const bool several = records.size() > 1;
  std::string text;
  for (const Record & record : records) {
    nlohmann::ordered_json message = record_to_json(type, record.data());
    if (arguments.has("json") || arguments.has("compact")) {
      text += message.dump(arguments.has("compact") ? -1 : 2) + "\n";
    } else {
      text += message_to_yaml(type, message) + (several ? "---\n" : "");
    }
  }
  write_output(text);
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
    "A text that is not UTF-8 is refused, as YAML and JSON cannot print it.\n"
    "With --hex the input may hold several payloads, one a line (as encode --hex writes\n"
    "them), printed in order as YAML documents each ending in '---' (as echo prints them)\n"
    "or as JSON; one payload may also be wrapped over lines, as xxd -p writes it.\n") +
    kInputSizeHelp;
  return {"decode", "TYPE [FILE] [--hex] [--json] [--compact]", "a DDS payload to YAML or JSON",
    help.c_str(), 1, 2, {}, {"hex", "json", "compact"}, run_decode};
}

}  // namespace kovel_cdr
