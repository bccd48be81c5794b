// kovel_cdr: kovel_camera_msgs messages between JSON and DDS payloads, through the
// Fast-CDR C type support library, in the habits of the ros2 command line.
#include <cstdio>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "command_line.hpp"
#include "input_limits.hpp"
#include "json_codec.hpp"
#include "payload.hpp"
#include "record.hpp"
#include "standard_streams.hpp"
#include "type_catalog.hpp"
#include "yaml_codec.hpp"

namespace kovel_cdr
{

static Record record_from_input(const MessageType & type, const Arguments & arguments)
{
  return make_record(type, message_from_yaml(type, read_input(arguments.positional, 1), "input"));
}

static std::string to_hex(const std::vector<uint8_t> & bytes)
{
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(bytes.size() * 2 + 1);
  for (uint8_t byte : bytes) {
    hex += digits[byte >> 4];
    hex += digits[byte & 15];
  }
  return hex + "\n";
}

static std::vector<uint8_t> from_hex(const std::string & text)
{
  std::vector<uint8_t> bytes;
  int high = -1;
  for (size_t i = 0; i < text.size(); ++i) {
    char ch = text[i];
    if (ch == ' ' || ch == '\n' || ch == '\t' || ch == '\r') {
      continue;
    }
    int digit = (ch >= '0' && ch <= '9') ? ch - '0' :
      (ch >= 'a' && ch <= 'f') ? ch - 'a' + 10 :
      (ch >= 'A' && ch <= 'F') ? ch - 'A' + 10 : -1;
    if (digit < 0) {
      throw Error("hex input: '" + std::string(1, ch) + "' at offset " + std::to_string(i) +
              " is not a hex digit");
    }
    if (high < 0) {
      high = digit;
    } else {
      bytes.push_back(static_cast<uint8_t>(high << 4 | digit));
      high = -1;
    }
  }
  if (high >= 0) {
    throw Error("hex input: odd number of hex digits");
  }
  return bytes;
}

static int run_encode(const Arguments & arguments)
{
  const MessageType & type = find_message_type(arguments.positional[0]);
  Record record = record_from_input(type, arguments);
  std::vector<uint8_t> payload = encode_payload(type, record.data());
  write_output(arguments.has("hex") ? to_hex(payload) : std::string(payload.begin(), payload.end()));
  return 0;
}

static int run_decode(const Arguments & arguments)
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

static nlohmann::ordered_json sizes_of(const MessageType & type, const void * record)
{
  bool full_bounded = true;
  size_t max = type.codec().max(full_bounded, 0);
  nlohmann::ordered_json sizes;
  sizes["type"] = type.full_name();
  if (record != nullptr) {
    sizes["serialized_size"] = type.codec().size(record, 0);
  }
  sizes["max_serialized_size"] = max;
  sizes["full_bounded"] = full_bounded;
  return sizes;
}

static int run_sizes(const Arguments & arguments)
{
  const MessageType & type = find_message_type(arguments.positional[0]);
  Record record = record_from_input(type, arguments);
  write_output(sizes_of(type, record.data()).dump(2) + "\n");
  return 0;
}

static std::string type_line(const MessageType * type)
{
  if (!type->unsupported.empty()) {
    return type->unsupported + "\n";
  }
  Record empty(*type);
    nlohmann::ordered_json sizes = sizes_of(*type, empty.data());
    char line[256];
    std::snprintf(line, sizeof(line),
      "%-48s empty message %3zu bytes, maximum %3zu bytes, full_bounded %s\n",
      type->full_name().c_str(), sizes["serialized_size"].get<size_t>(),
      sizes["max_serialized_size"].get<size_t>(),
      sizes["full_bounded"].get<bool>() ? "true" : "false");
  return line;
}

static int run_types(const Arguments & arguments)
{
  std::vector<std::string> packages;
  if (arguments.has("all")) {
    packages = interface_packages();
  } else if (!arguments.positional.empty()) {
    packages = {arguments.positional[0]};
  }
  std::string text;
  if (packages.empty()) {
    for (const MessageType * type : message_types()) {
      text += type_line(type);
    }
  }
  for (const std::string & package : packages) {
    for (const std::string & name : package_type_names(package)) {
      try {
        text += type_line(&find_message_type(name));
      } catch (const Error & e) {
        // A type that cannot be described is told in its line; the others are listed.
        text += e.what() + std::string("\n");
      }
    }
  }
  write_output(text);
  return 0;
}

static const char kTypeNames[] =
  "TYPE is a message type: a name alone is one of kovel_camera_msgs, as DeviceInfo;\n"
  "PACKAGE/NAME or PACKAGE/msg/NAME is one of any interface package installed on\n"
  "AMENT_PREFIX_PATH, as kovel_camera_msgs/DeviceInfo or std_msgs/msg/String; a service's\n"
  "request and response are GetString_Request or kovel_camera_msgs/srv/GetString_Response.\n"
  "'kovel_cdr types' lists those of kovel_camera_msgs, 'kovel_cdr types PACKAGE' those of\n"
  "a package, 'kovel_cdr types --all' every one.\n\n"
  "Exit status: 0 done, 1 failed (one line on stderr), 2 usage, 130 interrupted by\n"
  "SIGINT, SIGTERM or SIGHUP, 141 standard output closed.\n";

static std::vector<Command> all_commands()
{
  static const std::string encode_help = std::string(
    "Reads the message as YAML ('{name: Kovel, vid: 3}' or block style) or JSON from FILE\n"
    "or standard input. A member left out takes its default (0, false, ''); floats also\n"
    "take .nan, .inf, -.inf (or \"nan\", \"inf\", \"-inf\"). Writes the\n"
    "4-byte encapsulation header 00 01 00 00 and the CDR body, as binary or, with --hex,\n"
    "as hex digits.\n") + kInputSizeHelp + kMessageLimitsHelp;
  static const std::string decode_help = std::string(
    "Reads a payload (binary, or hex digits with --hex) from FILE or standard input and\n"
    "prints the message as YAML, as ros2 topic echo does, or as JSON with --json (on one\n"
    "line with --compact). A payload that ends early or has bytes left over is refused;\n"
    "padding is not left over: up to 3 bytes that round the payload up to a multiple of\n"
    "4, or as many as its header declares (the last two bits of its options).\n"
    "A text that is not UTF-8 is refused, as YAML and JSON cannot print it.\n") +
    kInputSizeHelp;
  static const std::string sizes_help = std::string(
    "Reads the message as YAML or JSON and prints its serialized size, the type's\n"
    "maximum size and whether that maximum is a true bound (full_bounded).\n") +
    kInputSizeHelp + kMessageLimitsHelp;
  std::vector<Command> commands{
    {"encode", "TYPE [FILE] [--hex]", "a message as YAML or JSON to a DDS payload",
      encode_help.c_str(), 1, 2, {}, {"hex"}, run_encode},
    {"decode", "TYPE [FILE] [--hex] [--json] [--compact]", "a DDS payload to YAML or JSON",
      decode_help.c_str(), 1, 2, {}, {"hex", "json", "compact"}, run_decode},
    {"sizes", "TYPE [FILE]", "a message's serialized size and the type's maximum",
      sizes_help.c_str(), 1, 2, {}, {}, run_sizes},
    {"types", "[PACKAGE] [--all]", "message types with their sizes",
      "Lists the message types of kovel_camera_msgs, of PACKAGE, or with --all of every\n"
      "interface package on AMENT_PREFIX_PATH, with the size of the empty message, the\n"
      "maximum size and full_bounded. A type kovel_cdr cannot handle is listed with why.\n",
      0, 1, {}, {"all"}, run_types},
    show_command(),
  };
  for (Command & command : middleware_commands()) {
    commands.push_back(command);
  }
  return commands;
}

static std::string usage(const std::vector<Command> & commands)
{
  std::string text = "usage: kovel_cdr COMMAND ...\n\ncommands:\n";
  for (const Command & command : commands) {
    char line[256];
    std::snprintf(line, sizeof(line), "  %-8s %s\n", command.name, command.summary);
    text += line;
  }
  return text + "\n'kovel_cdr COMMAND --help' tells more.\n\n" + kTypeNames;
}

}  // namespace kovel_cdr

int main(int argc, char ** argv)
{
  using namespace kovel_cdr;  // NOLINT
  if (!standard_streams_open()) {
    return kClosedPipeExit;
  }
  std::vector<Command> commands = all_commands();
  if (argc < 2) {
    std::fputs(usage(commands).c_str(), stderr);
    return 2;
  }
  std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    // As a command, so that its output is written and fails as every command's.
    const Command help{"help", "", "", "", 0, 0, {}, {}, [](const Arguments &) {
        write_output(usage(all_commands()));
        return 0;
      }};
    return run_command("kovel_cdr", help, {});
  }
  for (const Command & command : commands) {
    if (name != command.name) {
      continue;
    }
    return run_command(std::string("kovel_cdr ") + command.name, command,
             std::vector<std::string>(argv + 2, argv + argc), kTypeNames);
  }
  std::fprintf(stderr, "kovel_cdr: unknown command '%s' ('kovel_cdr --help' lists them)\n",
    name.c_str());
  return 2;
}
