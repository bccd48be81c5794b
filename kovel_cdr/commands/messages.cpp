#include "commands/messages.hpp"

#include <filesystem>

#include "codec/json_codec.hpp"
#include "codec/yaml_codec.hpp"

namespace kovel_cdr
{

static std::vector<Record> records_of(
  const MessageType & type, const std::string & text, const std::string & what)
{
  std::vector<Record> records;
  for (const InputMessage & message : messages_from_yaml(type, text, what)) {
    records.push_back(record_of(type, message, what));
  }
  return records;
}

std::vector<Record> records_from_input(const MessageType & type, const Arguments & arguments)
{
  return records_of(type, read_input(arguments.positional, 1), "input");
}

std::vector<Record> message_argument(const MessageType & type, const std::string & argument)
{
  size_t first = argument.find_first_not_of(" \t\r\n");
  std::error_code error;
  bool inline_text = first != std::string::npos &&
    (argument[first] == '{' || argument[first] == '[' ||
    (argument.find(':') != std::string::npos && argument != "-" &&
    !std::filesystem::exists(argument, error)));
  std::string text = inline_text ? argument : read_input({argument}, 0);
  return records_of(type, text, "the message");
}

std::string message_text(const Record & record, bool json, bool separator)
{
  nlohmann::ordered_json message = record_to_json(record.type(), record.data());
  if (json) {
    return message.dump();
  }
  std::string yaml = message_to_yaml(record.type(), message);
  return separator ? yaml + "---" : yaml.substr(0, yaml.size() - 1);
}

std::string to_hex(const std::vector<uint8_t> & bytes)
{
  const char digits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(bytes.size() * 2 + 1);
  for (uint8_t byte : bytes) {
    hex += digits[byte >> 4];
    hex += digits[byte & 15];
  }
  return hex + "\n";
}

std::vector<uint8_t> from_hex(const std::string & text)
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

nlohmann::ordered_json sizes_of(const MessageType & type, const void * record)
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

}  // namespace kovel_cdr
