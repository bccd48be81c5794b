#include "yaml_codec.hpp"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <regex>
#include <string>

#include <yaml-cpp/yaml.h>

#include "json_codec.hpp"

namespace kovel_cdr
{

namespace
{

using nlohmann::json;
using nlohmann::ordered_json;

[[noreturn]] void fail(const std::string & path, const std::string & what)
{
  throw Error(path + ": " + what);
}

// A node of no known member: its shape kept, every scalar a text, so that record_from_json
// reports it against the member it meets.
json untyped(const YAML::Node & node)
{
  switch (node.Type()) {
    case YAML::NodeType::Map: {
        json object = json::object();
        for (const auto & entry : node) {
          object[entry.first.Scalar()] = untyped(entry.second);
        }
        return object;
      }
    case YAML::NodeType::Sequence: {
        json array = json::array();
        for (const auto & element : node) {
          array.push_back(untyped(element));
        }
        return array;
      }
    case YAML::NodeType::Scalar:
      return node.Scalar();
    default:
      return nullptr;
  }
}

// The YAML 1.2 core schema's spellings, read as ROS 2's YAML readers read them.
const std::regex kInteger("[-+]?([0-9]+|0o[0-7]+|0x[0-9a-fA-F]+)");
const std::regex kFloat("[-+]?(\\.[0-9]+|[0-9]+(\\.[0-9]*)?)([eE][-+]?[0-9]+)?");
const std::regex kNan("\\.nan|\\.NaN|\\.NAN|nan");
const std::regex kInfinity("\\+?(\\.inf|\\.Inf|\\.INF|inf)");
const std::regex kNegativeInfinity("-(\\.inf|\\.Inf|\\.INF|inf)");
const std::regex kTrue("true|True|TRUE");
const std::regex kFalse("false|False|FALSE");

const char * kind_name(Kind kind)
{
  switch (kind) {
    case Kind::int32: return "int32";
    case Kind::uint32: return "uint32";
    case Kind::octet: return "uint8";
    default: return "float64";
  }
}

json integer_from_yaml(const std::string & text, Kind kind, const std::string & path)
{
  if (std::regex_match(text, kInteger)) {
    const bool negative = text[0] == '-';
    std::string digits = text.substr(text[0] == '-' || text[0] == '+' ? 1 : 0);
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'o' || digits[1] == 'x')) {
      base = digits[1] == 'o' ? 8 : 16;
      digits = digits.substr(2);
    }
    errno = 0;
    const unsigned long long magnitude = std::strtoull(digits.c_str(), nullptr, base);  // NOLINT
    if (errno == ERANGE || magnitude > static_cast<uint64_t>(INT64_MAX) + (negative ? 1 : 0)) {
      fail(path, text + " is out of range for " + kind_name(kind));
    }
    // record_from_json checks the member's own range and names it.
    return negative ? json(static_cast<int64_t>(0 - magnitude)) : json(static_cast<uint64_t>(magnitude));
  }
  if (std::regex_match(text, kFloat) || std::regex_match(text, kInfinity) ||
    std::regex_match(text, kNegativeInfinity))
  {
    const double value = std::strtod(text.c_str(), nullptr);
    if (!std::isfinite(value) || std::fabs(value) > 9.3e18) {
      fail(path, text + " is out of range for " + kind_name(kind));
    }
    fail(path, "expected an integer, got " + text);
  }
  return text;
}

json float_from_yaml(const std::string & text, const std::string & path)
{
  if (std::regex_match(text, kNan)) {
    return "nan";
  }
  if (std::regex_match(text, kInfinity)) {
    return "inf";
  }
  if (std::regex_match(text, kNegativeInfinity)) {
    return "-inf";
  }
  if (std::regex_match(text, kInteger) || std::regex_match(text, kFloat)) {
    const double value = std::strtod(text.c_str(), nullptr);
    if (!std::isfinite(value)) {
      fail(path, text + " is out of range for float64");
    }
    return value;
  }
  return text;
}

json member_from_yaml(const YAML::Node & node, const Member & member, const std::string & path);

json message_node(const YAML::Node & node, const MessageType & type, const std::string & path)
{
  if (!node.IsMap()) {
    return untyped(node);
  }
  json object = json::object();
  for (const auto & entry : node) {
    const std::string name = entry.first.Scalar();
    const Member * found = nullptr;
    for (const Member & candidate : type.members) {
      if (name == candidate.name) {
        found = &candidate;
      }
    }
    object[name] = found == nullptr ? untyped(entry.second) :
      member_from_yaml(entry.second, *found, path + "." + name);
  }
  return object;
}

json member_from_yaml(const YAML::Node & node, const Member & member, const std::string & path)
{
  if (member.kind == Kind::nested) {
    return message_node(node, *member.nested, path);
  }
  const bool array = member.kind == Kind::float32_array || member.kind == Kind::float64_array ||
    member.kind == Kind::float64_sequence;
  if (array) {
    if (!node.IsSequence()) {
      return untyped(node);
    }
    json elements = json::array();
    for (size_t i = 0; i < node.size(); ++i) {
      const YAML::Node element = node[i];
      const std::string element_path = path + "[" + std::to_string(i) + "]";
      elements.push_back(element.IsScalar() ?
        float_from_yaml(element.Scalar(), element_path) : untyped(element));
    }
    return elements;
  }
  if (!node.IsScalar()) {
    return untyped(node);
  }
  const std::string & text = node.Scalar();
  // A quoted scalar ('3', "true") is a text whatever it spells.
  const bool quoted = node.Tag() == "!";
  switch (member.kind) {
    case Kind::string:
      return text;
    case Kind::boolean:
      if (!quoted && std::regex_match(text, kTrue)) {
        return true;
      }
      if (!quoted && std::regex_match(text, kFalse)) {
        return false;
      }
      return text;
    default:
      return quoted ? json(text) : integer_from_yaml(text, member.kind, path);
  }
}

// ---- Output ----

bool needs_quotes(const std::string & text)
{
  static const std::regex kNull("~|null|Null|NULL");
  return text.empty() || std::regex_match(text, kInteger) || std::regex_match(text, kFloat) ||
         std::regex_match(text, kNan) || std::regex_match(text, kInfinity) ||
         std::regex_match(text, kNegativeInfinity) || std::regex_match(text, kTrue) ||
         std::regex_match(text, kFalse) || std::regex_match(text, kNull) ||
         text.front() == ' ' || text.back() == ' ';
}

void emit_float(YAML::Emitter & out, const ordered_json & value)
{
  if (value.is_string()) {
    const std::string & text = value.get_ref<const std::string &>();
    out << (text == "nan" ? ".nan" : text == "inf" ? ".inf" : "-.inf");
  } else {
    // The shortest text that reads back as the same value, as the JSON form has it.
    out << value.dump();
  }
}

void emit_message(YAML::Emitter & out, const MessageType & type, const ordered_json & message);

void emit_member(YAML::Emitter & out, const Member & member, const ordered_json & value)
{
  switch (member.kind) {
    case Kind::nested:
      emit_message(out, *member.nested, value);
      return;
    case Kind::string: {
        const std::string & text = value.get_ref<const std::string &>();
        // Control characters (an inner NUL, a newline) only survive double quotes, escaped.
        const bool control = std::any_of(text.begin(), text.end(),
            [](char c) {return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;});
        if (control) {
          out << YAML::DoubleQuoted;
        } else if (needs_quotes(text)) {
          out << YAML::SingleQuoted;
        }
        out << text;
        return;
      }
    case Kind::float32_array:
    case Kind::float64_array:
    case Kind::float64_sequence:
      if (value.empty()) {
        out << YAML::Flow << YAML::BeginSeq << YAML::EndSeq;
        return;
      }
      out << YAML::BeginSeq;
      for (const ordered_json & element : value) {
        emit_float(out, element);
      }
      out << YAML::EndSeq;
      return;
    case Kind::boolean:
      out << (value.get<bool>() ? "true" : "false");
      return;
    default:
      out << value.dump();
      return;
  }
}

void emit_message(YAML::Emitter & out, const MessageType & type, const ordered_json & message)
{
  out << YAML::BeginMap;
  for (const Member & member : type.members) {
    out << YAML::Key << member.name << YAML::Value;
    emit_member(out, member, message.at(member.name));
  }
  out << YAML::EndMap;
}

}  // namespace

json message_from_yaml(const MessageType & type, const std::string & text, const std::string & what)
{
  // JSON as it always was read; YAML (and JSON that nlohmann refuses, as 1e400) by yaml-cpp.
  try {
    return json::parse(text);
  } catch (const json::exception &) {
  }
  YAML::Node node;
  try {
    node = YAML::Load(text);
  } catch (const YAML::Exception & e) {
    throw Error(what + " is not valid YAML or JSON: " + e.what());
  }
  if (node.IsSequence()) {
    json messages = json::array();
    for (size_t i = 0; i < node.size(); ++i) {
      messages.push_back(message_node(node[i], type, type.name + "[" + std::to_string(i) + "]"));
    }
    return messages;
  }
  return message_node(node, type, type.name);
}

std::string message_to_yaml(const MessageType & type, const nlohmann::ordered_json & message)
{
  YAML::Emitter out;
  out.SetIndent(2);
  emit_message(out, type, message);
  if (!out.good()) {
    throw Error("cannot write " + type.name + " as YAML: " + out.GetLastError());
  }
  return std::string(out.c_str(), out.size()) + "\n";
}

}  // namespace kovel_cdr
