#include "yaml_codec.hpp"

#include <string>

#include <yaml-cpp/yaml.h>

#include "json_codec.hpp"

namespace kovel_cdr
{

namespace
{

using nlohmann::json;
using nlohmann::ordered_json;

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
  const MemberKind & kind = member_kind(member.kind);
  // The tag "!" marks a quoted scalar ('3', "true"): a text to integer and boolean members.
  if (kind.shape == Shape::single) {
    return node.IsScalar() ? kind.from_yaml(node.Scalar(), node.Tag() == "!", path) : untyped(node);
  }
  if (!node.IsSequence()) {
    return untyped(node);
  }
  json elements = json::array();
  for (size_t i = 0; i < node.size(); ++i) {
    const YAML::Node element = node[i];
    const std::string element_path = path + "[" + std::to_string(i) + "]";
    elements.push_back(element.IsScalar() ?
      kind.from_yaml(element.Scalar(), element.Tag() == "!", element_path) : untyped(element));
  }
  return elements;
}

// ---- Output ----

void emit_message(YAML::Emitter & out, const MessageType & type, const ordered_json & message);

void emit_member(YAML::Emitter & out, const Member & member, const ordered_json & value)
{
  if (member.kind == Kind::nested) {
    emit_message(out, *member.nested, value);
    return;
  }
  const MemberKind & kind = member_kind(member.kind);
  if (kind.shape == Shape::single) {
    kind.to_yaml(out, value);
  } else if (value.empty()) {
    out << YAML::Flow << YAML::BeginSeq << YAML::EndSeq;
  } else {
    out << YAML::BeginSeq;
    for (const ordered_json & element : value) {
      kind.to_yaml(out, element);
    }
    out << YAML::EndSeq;
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
