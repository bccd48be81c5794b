#include "json_codec.hpp"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <limits>
#include <string>
#include <type_traits>

#include "rosidl_runtime_c/primitives_sequence_functions.h"
#include "rosidl_runtime_c/string_functions.h"

namespace kovel_cdr
{

using nlohmann::json;
using nlohmann::ordered_json;

[[noreturn]] static void fail(const std::string & path, const std::string & what)
{
  throw Error(path + ": " + what);
}

static std::string type_of(const json & value)
{
  return value.type_name();
}

// A value as an error message shows it; a text that is not UTF-8 shows its bad bytes as U+FFFD.
static std::string shown(const json & value)
{
  return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

// ---- JSON to record ----

template<class Int>
static Int integer_from_json(const json & value, const std::string & path)
{
  if (!value.is_number_integer()) {
    fail(path, "expected an integer, got " + type_of(value));
  }
  bool fits = value.is_number_unsigned() ?
    value.get<uint64_t>() <= static_cast<uint64_t>(std::numeric_limits<Int>::max()) :
    value.get<int64_t>() >= static_cast<int64_t>(std::numeric_limits<Int>::min()) &&
    value.get<int64_t>() <= static_cast<int64_t>(std::numeric_limits<Int>::max());
  if (!fits) {
    fail(
      path, "integer " + shown(value) + " out of range [" +
      std::to_string(+std::numeric_limits<Int>::min()) + ", " +
      std::to_string(+std::numeric_limits<Int>::max()) + "]");
  }
  return value.is_number_unsigned() ?
         static_cast<Int>(value.get<uint64_t>()) : static_cast<Int>(value.get<int64_t>());
}

static double float_from_json(const json & value, const std::string & path)
{
  if (value.is_number()) {
    return value.get<double>();
  }
  if (value.is_string()) {
    const std::string & text = value.get_ref<const std::string &>();
    if (text == "nan") {
      return std::numeric_limits<double>::quiet_NaN();
    }
    if (text == "inf") {
      return std::numeric_limits<double>::infinity();
    }
    if (text == "-inf") {
      return -std::numeric_limits<double>::infinity();
    }
  }
  fail(path, "expected a number or \"nan\", \"inf\", \"-inf\", got " + shown(value));
}

static void float64_sequence_from_json(
  const json & value, const std::string & path, rosidl_runtime_c__double__Sequence & sequence)
{
  if (!value.is_array()) {
    fail(path, "expected an array, got " + type_of(value));
  }
  rosidl_runtime_c__double__Sequence__fini(&sequence);
  if (!rosidl_runtime_c__double__Sequence__init(&sequence, value.size())) {
    fail(path, "cannot allocate " + std::to_string(value.size()) + " elements");
  }
  for (size_t i = 0; i < value.size(); ++i) {
    sequence.data[i] = float_from_json(value[i], path + "[" + std::to_string(i) + "]");
  }
}

template<class Element>
static void array_from_json(
  const json & value, const std::string & path, const Member & member, Element * elements)
{
  if (!value.is_array()) {
    fail(path, "expected an array of " + std::to_string(member.length) + ", got " +
      type_of(value));
  }
  if (value.size() != member.length) {
    fail(path, "expected exactly " + std::to_string(member.length) + " elements, got " +
      std::to_string(value.size()));
  }
  for (size_t i = 0; i < member.length; ++i) {
    const std::string element_path = path + "[" + std::to_string(i) + "]";
    const double number = float_from_json(value[i], element_path);
    // A finite value that would round to an infinity is refused, as ROS 2's client
    // libraries do: float32 takes up to the largest float plus half its last unit.
    if constexpr (std::is_same_v<Element, float>) {
      const double limit = std::numeric_limits<float>::max() + std::ldexp(1.0, 103);
      if (std::isfinite(number) && std::fabs(number) >= limit) {
        fail(element_path, shown(value[i]) + " is out of range for float32");
      }
    }
    elements[i] = static_cast<Element>(number);
  }
}

static void member_from_json(
  const Member & member, const json & value, const std::string & path, void * record)
{
  switch (member.kind) {
    case Kind::nested:
      if (!value.is_object()) {
        fail(path, "expected an object, got " + type_of(value));
      }
      for (const auto & [name, inner] : value.items()) {
        const Member * found = nullptr;
        for (const Member & candidate : member.nested->members) {
          if (name == candidate.name) {
            found = &candidate;
          }
        }
        if (found == nullptr) {
          fail(path + "." + name, std::string("no such member in ") + member.nested->name);
        }
        member_from_json(
          *found, inner, path + "." + name, &member_at<unsigned char>(record, member.offset));
      }
      return;
    case Kind::string: {
        if (!value.is_string()) {
          fail(path, "expected a string, got " + type_of(value));
        }
        const std::string & text = value.get_ref<const std::string &>();
        if (!rosidl_runtime_c__String__assignn(
            &member_at<rosidl_runtime_c__String>(record, member.offset), text.data(), text.size()))
        {
          fail(path, "cannot store a text of " + std::to_string(text.size()) + " bytes");
        }
        return;
      }
    case Kind::int32:
      member_at<int32_t>(record, member.offset) = integer_from_json<int32_t>(value, path);
      return;
    case Kind::uint32:
      member_at<uint32_t>(record, member.offset) = integer_from_json<uint32_t>(value, path);
      return;
    case Kind::octet:
      member_at<uint8_t>(record, member.offset) = integer_from_json<uint8_t>(value, path);
      return;
    case Kind::boolean:
      if (!value.is_boolean()) {
        fail(path, "expected true or false, got " + shown(value));
      }
      member_at<bool>(record, member.offset) = value.get<bool>();
      return;
    case Kind::float32_array:
      array_from_json(value, path, member, &member_at<float>(record, member.offset));
      return;
    case Kind::float64_array:
      array_from_json(value, path, member, &member_at<double>(record, member.offset));
      return;
    case Kind::float64_sequence:
      float64_sequence_from_json(
        value, path, member_at<rosidl_runtime_c__double__Sequence>(record, member.offset));
      return;
  }
}

void record_from_json(const MessageType & type, const json & value, void * record)
{
  // The whole message is handled as a nested member at offset 0 of a record of its type.
  const Member whole{type.name.c_str(), Kind::nested, 0, 0, &type};
  member_from_json(whole, value, type.name, record);
}

Record make_record(const MessageType & type, const json & value)
{
  Record record(type);
  record_from_json(type, value, record.data());
  return record;
}

// ---- Record to JSON ----

static ordered_json float_to_json(double value)
{
  if (std::isnan(value)) {
    return "nan";
  }
  if (std::isinf(value)) {
    return value > 0 ? "inf" : "-inf";
  }
  return value;
}

// The shortest decimal that reads back as the same float32 (0.1f prints as 0.1, not as
// the double 0.10000000149011612), as a double.
static double shortest_for_float(float value)
{
  char text[32];
  for (int precision = 1; precision < 9; ++precision) {
    std::snprintf(text, sizeof(text), "%.*g", precision, static_cast<double>(value));
    double candidate = std::strtod(text, nullptr);
    // Near the largest float the shortest text lies beyond it: keep such values exact.
    if (static_cast<float>(candidate) == value &&
      std::fabs(candidate) <= std::numeric_limits<float>::max())
    {
      return candidate;
    }
  }
  return value;  // 9 significant digits always read back exactly
}

static ordered_json array_to_json(const float * elements, size_t length)
{
  ordered_json array = ordered_json::array();
  for (size_t i = 0; i < length; ++i) {
    array.push_back(
      std::isfinite(elements[i]) ? ordered_json(shortest_for_float(elements[i])) :
      float_to_json(elements[i]));
  }
  return array;
}

static ordered_json array_to_json(const double * elements, size_t length)
{
  ordered_json array = ordered_json::array();
  for (size_t i = 0; i < length; ++i) {
    array.push_back(float_to_json(elements[i]));
  }
  return array;
}

static ordered_json string_to_json(const rosidl_runtime_c__String & s, const std::string & path)
{
  std::string text(s.data == nullptr ? "" : s.data, s.data == nullptr ? 0 : s.size);
  try {
    (void)ordered_json(text).dump();
  } catch (const nlohmann::json::type_error &) {
    fail(path, "text is not UTF-8, which JSON cannot carry");
  }
  return text;
}

static ordered_json members_to_json(
  const MessageType & type, const void * record, const std::string & path)
{
  ordered_json object = ordered_json::object();
  for (const Member & member : type.members) {
    std::string member_path = path + "." + member.name;
    ordered_json & out = object[member.name];
    switch (member.kind) {
      case Kind::nested:
        out = members_to_json(
          *member.nested, &member_at<unsigned char>(record, member.offset), member_path);
        break;
      case Kind::string:
        out = string_to_json(
          member_at<rosidl_runtime_c__String>(record, member.offset), member_path);
        break;
      case Kind::int32:
        out = member_at<int32_t>(record, member.offset);
        break;
      case Kind::uint32:
        out = member_at<uint32_t>(record, member.offset);
        break;
      case Kind::octet:
        out = member_at<uint8_t>(record, member.offset);
        break;
      case Kind::boolean: {
          uint8_t byte = member_at<uint8_t>(record, member.offset);
          out = byte != 0;
          break;
        }
      case Kind::float32_array:
        out = array_to_json(&member_at<float>(record, member.offset), member.length);
        break;
      case Kind::float64_array:
        out = array_to_json(&member_at<double>(record, member.offset), member.length);
        break;
      case Kind::float64_sequence: {
          const auto & sequence =
            member_at<rosidl_runtime_c__double__Sequence>(record, member.offset);
          out = array_to_json(sequence.data, sequence.size);
          break;
        }
    }
  }
  return object;
}

ordered_json record_to_json(const MessageType & type, const void * record)
{
  return members_to_json(type, record, type.name);
}

}  // namespace kovel_cdr
