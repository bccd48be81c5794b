#include "codec/yaml_codec.hpp"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <yaml-cpp/eventhandler.h>
#include <yaml-cpp/yaml.h>

#include "codec/input_limits.hpp"
#include "codec/json_codec.hpp"

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
  if (member.kind == Kind::nested && member.shape == Shape::single) {
    return message_node(node, *member.nested, path);
  }
  const MemberKind & kind = member_kind(member);
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
    if (member.kind == Kind::nested) {
      elements.push_back(message_node(element, *member.nested, element_path));
    } else {
      elements.push_back(element.IsScalar() ?
        kind.from_yaml(element.Scalar(), element.Tag() == "!", element_path) : untyped(element));
    }
  }
  return elements;
}

// ---- Output ----

void emit_message(YAML::Emitter & out, const MessageType & type, const ordered_json & message);

void emit_member(YAML::Emitter & out, const Member & member, const ordered_json & value)
{
  if (member.kind == Kind::nested && member.shape == Shape::single) {
    emit_message(out, *member.nested, value);
    return;
  }
  const MemberKind & kind = member_kind(member);
  if (kind.shape == Shape::single) {
    kind.to_yaml(out, value);
  } else if (value.empty()) {
    out << YAML::Flow << YAML::BeginSeq << YAML::EndSeq;
  } else {
    out << YAML::BeginSeq;
    for (const ordered_json & element : value) {
      if (member.kind == Kind::nested) {
        emit_message(out, *member.nested, element);
      } else {
        kind.to_yaml(out, element);
      }
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

// ---- Input checks: what a document may hold, seen before it is built ----

// The lists and maps open at a point of a document, for paths, nesting, duplicate keys and
// the count of values. Both parsers report to it as they go, so a refusal comes before
// anything large is built.
class Outline
{
public:
  Outline(const std::string & root, const std::string & what)
  : root_(root), what_(what) {}

  // A value starts: a scalar, or a list or map (then `open`). In a map, every other one is
  // a key; `key` is its text.
  void value(const std::string & where, const std::string * key = nullptr)
  {
    if (++values_ > kMaxValues) {
      throw Error(what_ + where + ": more than " + std::to_string(kMaxValues) + " values");
    }
    if (frames_.empty()) {
      return;
    }
    Frame & frame = frames_.back();
    if (!frame.map) {
      frame.next = "[" + std::to_string(frame.index++) + "]";
    } else if (frame.expect_key) {
      const std::string text = key != nullptr ? *key : "?";
      frame.next = "." + text;
      if (key != nullptr && !frame.keys.insert(text).second) {
        throw Error(path() + frame.next + ": duplicate key");
      }
      frame.expect_key = false;
    } else {
      frame.expect_key = true;
    }
  }

  void open(bool map, const std::string & where)
  {
    value(where);
    if (frames_.size() >= kMaxNesting) {
      std::string at = path() + frames_.back().next;
      if (at.size() > 80) {
        at = at.substr(0, 77) + "...";
      }
      throw Error(what_ + where + ": lists and maps nested deeper than " +
              std::to_string(kMaxNesting) + " levels, at " + at);
    }
    Frame frame;
    frame.map = map;
    frame.name = frames_.empty() ? std::string() : frames_.back().next;
    frames_.push_back(std::move(frame));
  }

  void close()
  {
    frames_.pop_back();
  }

private:
  struct Frame
  {
    bool map = false;
    bool expect_key = true;
    size_t index = 0;
    std::string name;  // its place in its parent
    std::string next;  // the place of the value being read in it
    std::set<std::string> keys;
  };

  std::string path() const
  {
    std::string path = root_;
    for (const Frame & frame : frames_) {
      path += frame.name;
    }
    return path;
  }

  std::string root_;
  std::string what_;
  std::vector<Frame> frames_;
  size_t values_ = 0;
};

// Raw control characters are neither YAML nor JSON, and yaml-cpp misreads a NUL in a
// plain scalar: an escape ("\0", "\u0000") is the way to write one.
void check_characters(const std::string & text, const std::string & what)
{
  size_t line = 1;
  for (unsigned char ch : text) {
    if (ch == '\n') {
      ++line;
    } else if (ch < 0x20 && ch != '\t' && ch != '\r') {
      char code[8];
      std::snprintf(code, sizeof(code), "0x%02x", ch);
      throw Error(what + ", line " + std::to_string(line) + ": raw control character " + code +
              " (write it escaped in a double-quoted text, as \"\\0\" or \"\\u0000\")");
    }
  }
}

// The documents of a YAML stream as their events come, checked before YAML::LoadAll builds
// them; the values of all of them count together.
class YamlOutline : public YAML::EventHandler
{
public:
  YamlOutline(const std::string & root, const std::string & what)
  : outline_(root, what), what_(what) {}

  /// The line of each document so far, from 1: of its first value, or of its "---".
  const std::vector<size_t> & starts() const {return starts_;}

  void OnDocumentStart(const YAML::Mark & mark) override
  {
    starts_.push_back(static_cast<size_t>(mark.line) + 1);
    first_ = true;
  }
  void OnDocumentEnd() override {}
  void OnNull(const YAML::Mark & mark, YAML::anchor_t) override
  {
    const std::string empty;
    outline_.value(at(mark), &empty);
  }
  void OnAlias(const YAML::Mark & mark, YAML::anchor_t) override
  {
    // An alias repeats a whole subtree: 500 bytes of ten-fold aliases ten deep are ten
    // billion values.
    throw Error(what_ + at(mark) + ": YAML aliases (*name) are not accepted; " +
            "write the value out");
  }
  void OnScalar(const YAML::Mark & mark, const std::string &, YAML::anchor_t,
    const std::string & value) override
  {
    outline_.value(at(mark), &value);
  }
  void OnSequenceStart(const YAML::Mark & mark, const std::string &, YAML::anchor_t,
    YAML::EmitterStyle::value) override
  {
    outline_.open(false, at(mark));
  }
  void OnSequenceEnd() override {outline_.close();}
  void OnMapStart(const YAML::Mark & mark, const std::string &, YAML::anchor_t,
    YAML::EmitterStyle::value) override
  {
    outline_.open(true, at(mark));
  }
  void OnMapEnd() override {outline_.close();}

private:
  std::string at(const YAML::Mark & mark)
  {
    if (first_) {
      starts_.back() = static_cast<size_t>(mark.line) + 1;
      first_ = false;
    }
    return ", line " + std::to_string(mark.line + 1);
  }

  Outline outline_;
  std::string what_;
  std::vector<size_t> starts_;
  bool first_ = false;
};

// JSON, checked as nlohmann's parser goes.
json parse_json(std::string_view text, Outline & outline)
{
  return json::parse(text.begin(), text.end(),
           [&outline](int, json::parse_event_t event, json & parsed) {
             switch (event) {
               case json::parse_event_t::object_start:
                 outline.open(true, "");
                 break;
               case json::parse_event_t::array_start:
                 outline.open(false, "");
                 break;
               case json::parse_event_t::object_end:
               case json::parse_event_t::array_end:
                 outline.close();
                 break;
               case json::parse_event_t::key:
                 outline.value("", &parsed.get_ref<const std::string &>());
                 break;
               case json::parse_event_t::value:
                 outline.value("");
                 break;
             }
             return true;
           });
}

// An error of the document that starts on `line`, named by it; one of the first document
// (line 0), or one that names its line already, stays as it is.
Error in_document(const Error & error, const std::string & what, size_t line)
{
  std::string text = error.what();
  if (line == 0 || text.rfind(what + ", line ", 0) == 0) {
    return error;
  }
  if (text.rfind(what + ": ", 0) == 0) {
    text.erase(0, what.size() + 2);
  }
  return Error(what + ", line " + std::to_string(line) + ": " + text);
}

// Every line a JSON value, as JSON Lines; nothing when one is not.
std::optional<std::vector<std::pair<json, size_t>>> json_lines(
  const std::string & text, const std::string & root, const std::string & what)
{
  std::vector<std::pair<json, size_t>> documents;
  Outline outline(root, what);
  size_t number = 0;
  for (size_t start = 0; start < text.size(); ) {
    size_t end = std::min(text.find('\n', start), text.size());
    std::string_view line(text.data() + start, end - start);
    start = end + 1;
    ++number;
    if (line.find_first_not_of(" \t\r") == std::string_view::npos) {
      continue;
    }
    const size_t named = documents.empty() ? 0 : number;
    try {
      documents.emplace_back(parse_json(line, outline), named);
    } catch (const json::exception &) {
      return std::nullopt;
    } catch (const Error & e) {
      throw in_document(e, what, named);
    }
  }
  return documents;
}

}  // namespace

std::vector<InputMessage> messages_from_yaml(
  const MessageType & type, const std::string & text, const std::string & what)
{
  check_characters(text, what);
  std::vector<InputMessage> messages;
  bool empty_list = false;
  auto list_path = [&](size_t i) {return type.name + "[" + std::to_string(i) + "]";};
  auto add_json = [&](json && document, size_t line) {
      if (!document.is_array()) {
        messages.push_back({std::move(document), type.name, line});
        return;
      }
      empty_list = empty_list || document.empty();
      for (size_t i = 0; i < document.size(); ++i) {
        messages.push_back({std::move(document[i]), list_path(i), line});
      }
    };

  // JSON as it always was read: one value, or one a line; YAML (and JSON that nlohmann
  // refuses, as 1e400) by yaml-cpp.
  std::optional<std::vector<std::pair<json, size_t>>> documents;
  try {
    Outline outline(type.name, what);
    json document = parse_json(text, outline);
    documents.emplace();
    documents->emplace_back(std::move(document), 0);
  } catch (const json::exception &) {
    documents = json_lines(text, type.name, what);
  }
  if (documents) {
    for (auto & [document, line] : *documents) {
      add_json(std::move(document), line);
    }
  } else {
    YamlOutline outline(type.name, what);
    const std::vector<size_t> & starts = outline.starts();
    try {
      std::istringstream stream(text);
      YAML::Parser parser(stream);
      while (parser.HandleNextDocument(outline)) {
      }
    } catch (const YAML::Exception & e) {
      if (starts.size() <= 1) {
        throw Error(what + " is not valid YAML or JSON: " + e.what());
      }
      throw Error(what + ", line " + std::to_string(starts.back()) +
              ": not valid YAML or JSON: " + e.what());
    } catch (const Error & e) {
      throw in_document(e, what, starts.size() <= 1 ? 0 : starts.back());
    }
    std::vector<YAML::Node> nodes;
    try {
      nodes = YAML::LoadAll(text);
    } catch (const YAML::Exception & e) {
      throw Error(what + " is not valid YAML or JSON: " + e.what());
    }
    for (size_t d = 0; d < nodes.size(); ++d) {
      const YAML::Node & node = nodes[d];
      auto line_of = [&](const YAML::Node & message) {
          return d == 0 ? 0 : static_cast<size_t>(message.Mark().line) + 1;
        };
      size_t line = line_of(node);
      try {
        if (node.IsSequence()) {
          empty_list = empty_list || node.size() == 0;
          for (size_t i = 0; i < node.size(); ++i) {
            line = line_of(node[i]);
            messages.push_back({message_node(node[i], type, list_path(i)), list_path(i), line});
          }
        } else if (!node.IsNull()) {  // null: an empty document, as after a last "---"
          messages.push_back({message_node(node, type, type.name), type.name, line});
        }
      } catch (const Error & e) {
        throw in_document(e, what, line);
      }
    }
  }
  if (messages.empty()) {
    if (empty_list) {
      throw Error("the array of messages is empty");
    }
    messages.push_back({nullptr, type.name, 0});
  }
  return messages;
}

Record record_of(const MessageType & type, const InputMessage & message, const std::string & what)
{
  try {
    return make_record(type, message.message, message.path);
  } catch (const Error & e) {
    throw in_document(e, what, message.line);
  }
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
