// The scalar conversions of member values, one struct per kind: a value (or an array's or
// sequence's element) from JSON and to JSON, and the YAML scalars that stand for it, with
// ROS 2's YAML spellings. Internal to member_kinds.cpp.
#ifndef KOVEL_CDR__CODEC__MEMBER_VALUES_HPP_
#define KOVEL_CDR__CODEC__MEMBER_VALUES_HPP_

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <regex>
#include <string>
#include <type_traits>

#include <nlohmann/json.hpp>
#include <yaml-cpp/yaml.h>

#include "codec/error.hpp"
#include "codec/member_kinds.hpp"
#include "rosidl_runtime_c/string_functions.h"

namespace kovel_cdr
{
namespace values
{

using nlohmann::json;
using nlohmann::ordered_json;

[[noreturn]] inline void fail(const std::string & path, const std::string & what)
{
  throw Error(path + ": " + what);
}

// A value as an error message shows it; a text that is not UTF-8 shows its bad bytes as U+FFFD.
inline std::string shown(const json & value)
{
  return value.dump(-1, ' ', false, json::error_handler_t::replace);
}





// The YAML 1.2 core schema's spellings, read as ROS 2's YAML readers read them.
inline const std::regex kInteger("[-+]?([0-9]+|0o[0-7]+|0x[0-9a-fA-F]+)");
inline const std::regex kFloat("[-+]?(\\.[0-9]+|[0-9]+(\\.[0-9]*)?)([eE][-+]?[0-9]+)?");
inline const std::regex kNan("\\.nan|\\.NaN|\\.NAN|nan");
inline const std::regex kInfinity("\\+?(\\.inf|\\.Inf|\\.INF|inf)");
inline const std::regex kNegativeInfinity("-(\\.inf|\\.Inf|\\.INF|inf)");
inline const std::regex kTrue("true|True|TRUE");
inline const std::regex kFalse("false|False|FALSE");

// A text that a plain YAML scalar would turn into something else, or lose spaces of.
inline bool needs_quotes(const std::string & text)
{
  static const std::regex kNull("~|null|Null|NULL");
  return text.empty() || std::regex_match(text, kInteger) || std::regex_match(text, kFloat) ||
         std::regex_match(text, kNan) || std::regex_match(text, kInfinity) ||
         std::regex_match(text, kNegativeInfinity) || std::regex_match(text, kTrue) ||
         std::regex_match(text, kFalse) || std::regex_match(text, kNull) ||
         text.front() == ' ' || text.back() == ' ';
}


template<class Int>
struct Integer
{
  using C = Int;

  static std::string name()
  {
    return (std::is_signed_v<Int> ? "int" : "uint") + std::to_string(8 * sizeof(Int));
  }

  static void from_json(const json & value, const std::string & path, const Member &, C & out)
  {
    out = read(value, path);
  }

  static C read(const json & value, const std::string & path)
  {
    if (!value.is_number_integer()) {
      fail(path, std::string("expected an integer, got ") + value.type_name());
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

  static ordered_json to_json(const C & value, const std::string &)
  {
    return value;
  }

  static json from_yaml(const std::string & text, bool quoted, const std::string & path)
  {
    if (quoted) {
      return text;
    }
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
      if (errno == ERANGE || (negative && magnitude > static_cast<uint64_t>(INT64_MAX) + 1)) {
        fail(path, text + " is out of range for " + name());
      }
      // from_json checks the member's own range and names it.
      return negative ? json(static_cast<int64_t>(0 - magnitude)) :
             json(static_cast<uint64_t>(magnitude));
    }
    if (std::regex_match(text, kFloat) || std::regex_match(text, kInfinity) ||
      std::regex_match(text, kNegativeInfinity))
    {
      const double value = std::strtod(text.c_str(), nullptr);
      if (!std::isfinite(value) || std::fabs(value) > 9.3e18) {
        fail(path, text + " is out of range for " + name());
      }
      fail(path, "expected an integer, got " + text);
    }
    return text;
  }

  static void to_yaml(YAML::Emitter & out, const ordered_json & value)
  {
    out << value.dump();
  }

};

struct Boolean
{
  using C = uint8_t;  // the record's bool read as its byte: any byte but 0 is true

  static void from_json(const json & value, const std::string & path, const Member &, C & out)
  {
    if (!value.is_boolean()) {
      fail(path, "expected true or false, got " + shown(value));
    }
    out = value.get<bool>();
  }

  static ordered_json to_json(const C & value, const std::string &)
  {
    return value != 0;
  }

  static json from_yaml(const std::string & text, bool quoted, const std::string &)
  {
    if (!quoted && std::regex_match(text, kTrue)) {
      return true;
    }
    if (!quoted && std::regex_match(text, kFalse)) {
      return false;
    }
    return text;
  }

  static void to_yaml(YAML::Emitter & out, const ordered_json & value)
  {
    out << (value.get<bool>() ? "true" : "false");
  }

};

// The shortest decimal that reads back as the same float32 (0.1f prints as 0.1, not as
// the double 0.10000000149011612), as a double.
inline double shortest_for_float(float value)
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

// Floats are JSON numbers, or the strings "nan", "inf", "-inf"; in YAML .nan, .inf, -.inf.
template<class F>
struct Float
{
  using C = F;

  static void from_json(const json & value, const std::string & path, const Member &, C & out)
  {
    double number = 0;
    if (value.is_number()) {
      number = value.get<double>();
    } else if (value.is_string() && value.get_ref<const std::string &>() == "nan") {
      number = std::numeric_limits<double>::quiet_NaN();
    } else if (value.is_string() && value.get_ref<const std::string &>() == "inf") {
      number = std::numeric_limits<double>::infinity();
    } else if (value.is_string() && value.get_ref<const std::string &>() == "-inf") {
      number = -std::numeric_limits<double>::infinity();
    } else {
      fail(path, "expected a number or \"nan\", \"inf\", \"-inf\", got " + shown(value));
    }
    // A finite value that would round to an infinity is refused, as ROS 2's client
    // libraries do: float32 takes up to the largest float plus half its last unit.
    if constexpr (std::is_same_v<F, float>) {
      const double limit = std::numeric_limits<float>::max() + std::ldexp(1.0, 103);
      if (std::isfinite(number) && std::fabs(number) >= limit) {
        fail(path, shown(value) + " is out of range for float32");
      }
    }
    out = static_cast<F>(number);
  }

  static ordered_json to_json(const C & value, const std::string &)
  {
    if (std::isnan(value)) {
      return "nan";
    }
    if (std::isinf(value)) {
      return value > 0 ? "inf" : "-inf";
    }
    if constexpr (std::is_same_v<F, float>) {
      return shortest_for_float(value);
    } else {
      return value;
    }
  }

  static json from_yaml(const std::string & text, bool, const std::string & path)
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
      // Read as a double whatever the member; from_json checks a float32's range.
      const double value = std::strtod(text.c_str(), nullptr);
      if (!std::isfinite(value)) {
        fail(path, text + " is out of range for float64");
      }
      return value;
    }
    return text;
  }

  static void to_yaml(YAML::Emitter & out, const ordered_json & value)
  {
    if (value.is_string()) {
      const std::string & text = value.get_ref<const std::string &>();
      out << (text == "nan" ? ".nan" : text == "inf" ? ".inf" : "-.inf");
    } else {
      // The shortest text that reads back as the same value, as the JSON form has it.
      out << value.dump();
    }
  }

};

// Texts are JSON strings of UTF-8, as many bytes as a bounded string's bound at most.
struct String
{
  using C = rosidl_runtime_c__String;
  static constexpr const char * name = "string";

  static void from_json(
    const json & value, const std::string & path, const Member & member, C & out)
  {
    if (!value.is_string()) {
      fail(path, std::string("expected a string, got ") + value.type_name());
    }
    const std::string & text = value.get_ref<const std::string &>();
    // What YAML and JSON cannot print back is refused here rather than on the way out.
    try {
      (void)value.dump();
    } catch (const nlohmann::json::type_error &) {
      fail(path, "text is not UTF-8");
    }
    if (member.string_bound != 0 && text.size() > member.string_bound) {
      fail(path, "a text of " + std::to_string(text.size()) + " bytes is longer than the bound " +
        std::to_string(member.string_bound));
    }
    if (!rosidl_runtime_c__String__assignn(&out, text.data(), text.size())) {
      fail(path, "cannot store a text of " + std::to_string(text.size()) + " bytes");
    }
  }

  static ordered_json to_json(const C & s, const std::string & path)
  {
    std::string text(s.data == nullptr ? "" : s.data, s.data == nullptr ? 0 : s.size);
    try {
      (void)ordered_json(text).dump();
    } catch (const nlohmann::json::type_error &) {
      fail(path, "text is not UTF-8, which JSON cannot carry");
    }
    return text;
  }

  static json from_yaml(const std::string & text, bool, const std::string &)
  {
    return text;
  }

  static void to_yaml(YAML::Emitter & out, const ordered_json & value)
  {
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
  }
};

}  // namespace values
}  // namespace kovel_cdr

#endif  // KOVEL_CDR__CODEC__MEMBER_VALUES_HPP_
