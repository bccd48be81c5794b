#include "commands/echo_format.hpp"

#include <map>
#include <set>
#include <sstream>
#include <string>

#include <yaml-cpp/yaml.h>
#include <nlohmann/json.hpp>

#include "codec/json_codec.hpp"
#include "commands/messages.hpp"

namespace kovel_cdr
{

using nlohmann::ordered_json;

const char kEchoFormatOptions[] =
  "  --field FIELD       print only this member, a path as header.stamp\n"
  "  --csv               one line per message, the values separated by commas\n"
  "  --flow-style        each message as YAML on one line, {name: K1, vid: 3}\n"
  "  --no-arr            arrays and sequences as '<sequence type: T, length: N>'\n"
  "  --no-str            strings as '<string length: <N>>'\n"
  "  -l N, --truncate-length N\n"
  "                      strings and arrays cut after N characters or elements, then\n"
  "                      '...' (unlike ros2, which cuts at 128 by default, echo prints\n"
  "                      them whole unless asked)\n"
  "  -f, --full-length   print strings and arrays whole (the default)\n"
  "  -i, -v, --include-message-info\n"
  "                      also print each message's source_timestamp and\n"
  "                      received_timestamp (nanoseconds)\n";

const std::set<std::string> kEchoFormatValues = {"field", "truncate-length"};
const std::set<std::string> kEchoFormatFlags = {
  "csv", "flow-style", "no-arr", "no-str", "full-length", "include-message-info"};

bool EchoFormat::plain() const
{
  return field.empty() && !csv && !flow && !no_arr && !no_str && !info && !truncate;
}

EchoFormat echo_format(const Arguments & arguments)
{
  EchoFormat format;
  format.json = arguments.has("json");
  format.csv = arguments.has("csv");
  format.flow = arguments.has("flow-style");
  format.no_arr = arguments.has("no-arr");
  format.no_str = arguments.has("no-str");
  format.info = arguments.has("include-message-info");
  if (arguments.values.count("truncate-length") > 0) {
    if (arguments.has("full-length")) {
      throw UsageError("--truncate-length and --full-length exclude each other");
    }
    format.truncate = arguments.whole_number("truncate-length", 0, 0, 1e9);
  }
  auto field = arguments.values.find("field");
  if (field != arguments.values.end()) {
    std::istringstream path(field->second);
    for (std::string name; std::getline(path, name, '.'); ) {
      format.field.push_back(name);
    }
    if (format.field.empty()) {
      throw UsageError("--field: expected a member path as header.stamp");
    }
  }
  if (format.csv + format.flow + format.json > 1) {
    throw UsageError("--csv, --flow-style and --json exclude each other");
  }
  if (format.json && (format.no_arr || format.no_str || format.truncate || format.info)) {
    throw UsageError("--json prints every value whole: it excludes --no-arr, --no-str, "
            "--truncate-length and --include-message-info");
  }
  return format;
}

// The member at the end of the field path (nullptr for the whole message).
static const Member * field_member(const EchoFormat & format, const MessageType & type)
{
  const MessageType * within = &type;
  const Member * found = nullptr;
  std::string path = type.name;
  for (const std::string & name : format.field) {
    if (within == nullptr) {
      throw UsageError("--field: " + path + " has no members");
    }
    found = nullptr;
    for (const Member & member : within->members) {
      found = name == member.name ? &member : found;
    }
    if (found == nullptr) {
      throw UsageError("--field: " + within->full_name() + " has no member '" + name + "'");
    }
    path += "." + name;
    within = found->kind == Kind::nested && found->shape == Shape::single ? found->nested :
      nullptr;
  }
  return found;
}

void check_field(const EchoFormat & format, const MessageType & type)
{
  field_member(format, type);
}

namespace
{

// Type names as rosidl_runtime_py writes them: the IDL's for the few it renames.
std::string element_type_name(const Member & member)
{
  if (member.kind == Kind::nested) {
    return member.nested->full_name();
  }
  static const std::map<std::string, std::string> idl = {
    {"bool", "boolean"}, {"byte", "octet"}, {"char", "uint8"}, {"float32", "float"},
    {"float64", "double"}};
  const std::string name = member_kind(member).name;
  auto renamed = idl.find(name);
  return renamed == idl.end() ? name : renamed->second;
}

std::string array_placeholder(const Member & member, size_t length)
{
  const std::string type = element_type_name(member);
  if (member.shape == Shape::array) {
    return "<array type: " + type + "[" + std::to_string(member.length) + "]>";
  }
  if (member.length > 0) {
    return "<sequence type: " + type + "[" + std::to_string(member.length) + "], length: " +
           std::to_string(length) + ">";
  }
  return "<sequence type: " + type + ", length: " + std::to_string(length) + ">";
}

// Characters, not bytes, as Python counts them.
size_t characters(const std::string & text)
{
  size_t count = 0;
  for (unsigned char byte : text) {
    count += (byte & 0xC0) != 0x80;
  }
  return count;
}

std::string first_characters(const std::string & text, size_t count)
{
  size_t end = 0;
  for (size_t seen = 0; end < text.size(); ++end) {
    if ((static_cast<unsigned char>(text[end]) & 0xC0) != 0x80 && seen++ == count) {
      break;
    }
  }
  return text.substr(0, end);
}

class Printer
{
public:
  explicit Printer(const EchoFormat & format)
  : format_(format) {}

  // A string member's text as the format shows it, or nothing to leave it as it is.
  std::optional<std::string> string_text(const ordered_json & value) const
  {
    const std::string & text = value.get_ref<const std::string &>();
    if (format_.no_str) {
      return "<string length: <" + std::to_string(characters(text)) + ">>";
    }
    if (format_.truncate && characters(text) > *format_.truncate) {
      return first_characters(text, *format_.truncate) + "...";
    }
    return std::nullopt;
  }

  bool truncated(const ordered_json & elements) const
  {
    return format_.truncate && elements.size() > *format_.truncate;
  }

  void yaml_message(YAML::Emitter & out, const MessageType & type, const ordered_json & message)
  const
  {
    out << YAML::BeginMap;
    for (const Member & member : type.members) {
      out << YAML::Key << member.name << YAML::Value;
      yaml_member(out, member, message.at(member.name), false);
    }
    out << YAML::EndMap;
  }

  void yaml_member(
    YAML::Emitter & out, const Member & member, const ordered_json & value, bool element) const
  {
    if (member.shape != Shape::single && !element) {
      if (format_.no_arr) {
        out << YAML::SingleQuoted << array_placeholder(member, value.size());
        return;
      }
      if (value.empty()) {
        out << YAML::Flow << YAML::BeginSeq << YAML::EndSeq;
        return;
      }
      out << YAML::BeginSeq;
      const size_t shown = truncated(value) ? *format_.truncate : value.size();
      for (size_t i = 0; i < shown; ++i) {
        yaml_member(out, member, value[i], true);
      }
      if (shown < value.size()) {
        out << YAML::SingleQuoted << "...";
      }
      out << YAML::EndSeq;
    } else if (member.kind == Kind::nested) {
      yaml_message(out, *member.nested, value);
    } else if (member.kind == Kind::string) {
      std::optional<std::string> text = string_text(value);
      if (text && format_.no_str) {
        out << YAML::SingleQuoted << *text;
      } else {
        member_kind(member).to_yaml(out, text ? ordered_json(*text) : value);
      }
    } else {
      member_kind(member).to_yaml(out, value);
    }
  }

  std::string csv_message(const MessageType & type, const ordered_json & message) const
  {
    std::string line;
    for (const Member & member : type.members) {
      line += (line.empty() ? "" : ",") + csv_member(member, message.at(member.name), false);
    }
    return line;
  }

  std::string csv_member(const Member & member, const ordered_json & value, bool element) const
  {
    if (member.shape != Shape::single && !element) {
      if (format_.no_arr) {
        return array_placeholder(member, value.size());
      }
      std::string line;
      for (size_t i = 0; i < value.size(); ++i) {
        line += i == 0 ? "" : ",";
        if (format_.truncate && i >= *format_.truncate) {
          return line + "...";
        }
        line += csv_member(member, value[i], true);
      }
      return line;
    }
    if (member.kind == Kind::nested) {
      return csv_message(*member.nested, value);
    }
    if (value.is_string()) {
      if (member.kind == Kind::string) {
        return string_text(value).value_or(value.get<std::string>());
      }
      return value.get<std::string>();  // "nan", "inf", "-inf"
    }
    if (value.is_boolean()) {
      return value.get<bool>() ? "True" : "False";
    }
    return value.dump();
  }

private:
  const EchoFormat & format_;
};

}  // namespace

std::string echo_text(const EchoFormat & format, const Record & message, const MessageInfo & info)
{
  const MessageType & type = message.type();
  const Member * member = field_member(format, type);
  ordered_json value = record_to_json(type, message.data());
  for (const std::string & name : format.field) {
    value = ordered_json(value.at(name));
  }
  if (format.json) {
    return value.dump();
  }
  if (format.plain()) {
    return message_text(message, false, true);
  }
  Printer printer(format);
  if (format.csv) {
    std::string line = member == nullptr ? printer.csv_message(type, value) :
      printer.csv_member(*member, value, false);
    if (format.info) {
      line = std::to_string(info.source_ns) + "," + std::to_string(info.received_ns) + "," + line;
    }
    return line;
  }
  YAML::Emitter out;
  out.SetIndent(2);
  if (format.flow) {
    out << YAML::Flow;
  }
  if (member == nullptr) {
    printer.yaml_message(out, type, value);
  } else if (member->shape != Shape::single) {
    out << YAML::Flow;
    printer.yaml_member(out, *member, value, false);
  } else {
    printer.yaml_member(out, *member, value, false);
  }
  if (!out.good()) {
    throw Error("cannot write " + type.name + " as YAML: " + out.GetLastError());
  }
  std::string text = std::string(out.c_str(), out.size()) + "\n---";
  if (format.info) {
    // As yaml.dump writes the message info: keys sorted.
    text = "received_timestamp: " + std::to_string(info.received_ns) + "\nsource_timestamp: " +
      std::to_string(info.source_ns) + "\n---\n" + text;
  }
  return text;
}

}  // namespace kovel_cdr
