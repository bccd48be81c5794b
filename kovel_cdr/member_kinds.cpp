#include "member_kinds.hpp"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>
#include <new>
#include <regex>
#include <sstream>
#include <type_traits>

#include <fastcdr/Cdr.h>
#include <nlohmann/json.hpp>
#include <yaml-cpp/yaml.h>

#include "rosidl_runtime_c/primitives_sequence_functions.h"
#include "rosidl_runtime_c/string_functions.h"
#include "rosidl_typesupport_introspection_c/field_types.h"
#include "type_catalog.hpp"

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

// A value as an error message shows it; a text that is not UTF-8 shows its bad bytes as U+FFFD.
std::string shown(const json & value)
{
  return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string element_path(const std::string & path, size_t index)
{
  return path + "[" + std::to_string(index) + "]";
}

size_t align(size_t position, size_t size)
{
  return eprosima::fastcdr::Cdr::alignment(position, size);
}

template<class T>
T & in(void * slot)
{
  return *static_cast<T *>(slot);
}

template<class T>
const T & in(const void * slot)
{
  return *static_cast<const T *>(slot);
}

// The YAML 1.2 core schema's spellings, read as ROS 2's YAML readers read them.
const std::regex kInteger("[-+]?([0-9]+|0o[0-7]+|0x[0-9a-fA-F]+)");
const std::regex kFloat("[-+]?(\\.[0-9]+|[0-9]+(\\.[0-9]*)?)([eE][-+]?[0-9]+)?");
const std::regex kNan("\\.nan|\\.NaN|\\.NAN|nan");
const std::regex kInfinity("\\+?(\\.inf|\\.Inf|\\.INF|inf)");
const std::regex kNegativeInfinity("-(\\.inf|\\.Inf|\\.INF|inf)");
const std::regex kTrue("true|True|TRUE");
const std::regex kFalse("false|False|FALSE");

// A text that a plain YAML scalar would turn into something else, or lose spaces of.
bool needs_quotes(const std::string & text)
{
  static const std::regex kNull("~|null|Null|NULL");
  return text.empty() || std::regex_match(text, kInteger) || std::regex_match(text, kFloat) ||
         std::regex_match(text, kNan) || std::regex_match(text, kInfinity) ||
         std::regex_match(text, kNegativeInfinity) || std::regex_match(text, kTrue) ||
         std::regex_match(text, kFalse) || std::regex_match(text, kNull) ||
         text.front() == ' ' || text.back() == ' ';
}

// ---- Values: one integer, boolean or float, wherever it stands ----

template<class Int>
struct Integer
{
  using C = Int;

  static std::string name()
  {
    return (std::is_signed_v<Int> ? "int" : "uint") + std::to_string(8 * sizeof(Int));
  }

  static C from_json(const json & value, const std::string & path)
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
      if (errno == ERANGE || magnitude > static_cast<uint64_t>(INT64_MAX) + (negative ? 1 : 0)) {
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

  static bool equal(C a, C b)
  {
    return a == b;
  }

  static void fill(C & value)
  {
    std::memset(&value, 0x5A, sizeof(C));
  }
};

struct Boolean
{
  using C = uint8_t;  // the record's bool read as its byte: any byte but 0 is true

  static C from_json(const json & value, const std::string & path)
  {
    if (!value.is_boolean()) {
      fail(path, "expected true or false, got " + shown(value));
    }
    return value.get<bool>();
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

  static bool equal(C a, C b)
  {
    return (a != 0) == (b != 0);
  }

  static void fill(C & value)
  {
    value = 1;
  }
};

// The shortest decimal that reads back as the same float32 (0.1f prints as 0.1, not as
// the double 0.10000000149011612), as a double.
double shortest_for_float(float value)
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

  static C from_json(const json & value, const std::string & path)
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
    return static_cast<F>(number);
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

  static bool equal(C a, C b)
  {
    return std::memcmp(&a, &b, sizeof(C)) == 0;
  }

  static void fill(C & value)
  {
    std::memset(&value, 0x5A, sizeof(C));
  }
};

// ---- Members: how a kind's values stand in a record ----

// A member that owns nothing: no set-up, no release, nothing pointed to.
struct Plain
{
  static constexpr std::nullptr_t init = nullptr;
  static constexpr std::nullptr_t fini = nullptr;
  static constexpr std::nullptr_t failure_text = nullptr;

  static std::string owned_bytes(const Member &, const void *)
  {
    return std::string();
  }

  static std::string ill_formed(const void *)
  {
    return std::string();
  }
};

template<class Value>
ordered_json elements_to_json(const typename Value::C * elements, size_t length)
{
  ordered_json array = ordered_json::array();
  for (size_t i = 0; i < length; ++i) {
    array.push_back(Value::to_json(elements[i], std::string()));
  }
  return array;
}

template<class Value>
bool elements_equal(const typename Value::C * a, const typename Value::C * b, size_t length)
{
  for (size_t i = 0; i < length; ++i) {
    if (!Value::equal(a[i], b[i])) {
      return false;
    }
  }
  return true;
}

template<class Value>
struct Single : Plain
{
  using Element = Value;
  using C = typename Value::C;
  static constexpr Shape shape = Shape::single;

  static size_t record_size(const Member &)
  {
    return sizeof(C);
  }

  static void from_json(const Member &, const json & value, const std::string & path, void * slot)
  {
    in<C>(slot) = Value::from_json(value, path);
  }

  static ordered_json to_json(const Member &, const void * slot, const std::string & path)
  {
    return Value::to_json(in<C>(slot), path);
  }

  static size_t wire_end(const Member &, const void *, size_t position)
  {
    return position + align(position, sizeof(C)) + sizeof(C);
  }

  static bool equal(const Member &, const void * a, const void * b)
  {
    return Value::equal(in<C>(a), in<C>(b));
  }

  static std::string show(const Member &, const void * slot)
  {
    std::ostringstream out;
    out << +in<C>(slot);
    return out.str();
  }

  static void fill(const Member &, void * slot, size_t)
  {
    Value::fill(in<C>(slot));
  }
};

template<class Value>
struct Array : Plain
{
  using Element = Value;
  using C = typename Value::C;
  static constexpr Shape shape = Shape::array;

  static size_t record_size(const Member & member)
  {
    return sizeof(C) * member.length;
  }

  static void from_json(
    const Member & member, const json & value, const std::string & path, void * slot)
  {
    if (!value.is_array()) {
      fail(path, "expected an array of " + std::to_string(member.length) + ", got " +
        value.type_name());
    }
    if (value.size() != member.length) {
      fail(path, "expected exactly " + std::to_string(member.length) + " elements, got " +
        std::to_string(value.size()));
    }
    C * elements = &in<C>(slot);
    for (size_t i = 0; i < member.length; ++i) {
      elements[i] = Value::from_json(value[i], element_path(path, i));
    }
  }

  static ordered_json to_json(const Member & member, const void * slot, const std::string &)
  {
    return elements_to_json<Value>(&in<C>(slot), member.length);
  }

  static size_t wire_end(const Member & member, const void *, size_t position)
  {
    return position + align(position, sizeof(C)) + sizeof(C) * member.length;
  }

  static bool equal(const Member & member, const void * a, const void * b)
  {
    return elements_equal<Value>(&in<C>(a), &in<C>(b), member.length);
  }

  static std::string show(const Member & member, const void * slot)
  {
    const auto * bytes = static_cast<const unsigned char *>(slot);
    std::ostringstream out;
    out << std::hex;
    for (size_t i = 0; i < std::min<size_t>(record_size(member), 16); ++i) {
      out << +bytes[i] << ' ';
    }
    out << "...";
    return out.str();
  }

  static void fill(const Member & member, void * slot, size_t)
  {
    for (size_t i = 0; i < member.length; ++i) {
      Value::fill((&in<C>(slot))[i]);
    }
  }
};

// The rosidl runtime's sequence of each element type.
template<class C>
struct RosidlSequence;

template<>
struct RosidlSequence<float>
{
  using type = rosidl_runtime_c__float__Sequence;
  static constexpr auto init = rosidl_runtime_c__float__Sequence__init;
  static constexpr auto fini = rosidl_runtime_c__float__Sequence__fini;
};

template<>
struct RosidlSequence<double>
{
  using type = rosidl_runtime_c__double__Sequence;
  static constexpr auto init = rosidl_runtime_c__double__Sequence__init;
  static constexpr auto fini = rosidl_runtime_c__double__Sequence__fini;
};

template<class Value>
struct Sequence
{
  using Element = Value;
  using C = typename Value::C;
  using Rosidl = RosidlSequence<C>;
  using S = typename Rosidl::type;
  static constexpr Shape shape = Shape::sequence;
  static constexpr const char * failure_text = "failed to allocate sequence '";

  static size_t record_size(const Member &)
  {
    return sizeof(S);
  }

  static bool init(void * slot)
  {
    return Rosidl::init(&in<S>(slot), 0);
  }

  static void fini(void * slot)
  {
    Rosidl::fini(&in<S>(slot));
  }

  static void from_json(const Member &, const json & value, const std::string & path, void * slot)
  {
    if (!value.is_array()) {
      fail(path, std::string("expected an array, got ") + value.type_name());
    }
    S & sequence = in<S>(slot);
    Rosidl::fini(&sequence);
    if (!Rosidl::init(&sequence, value.size())) {
      fail(path, "cannot allocate " + std::to_string(value.size()) + " elements");
    }
    for (size_t i = 0; i < value.size(); ++i) {
      sequence.data[i] = Value::from_json(value[i], element_path(path, i));
    }
  }

  static ordered_json to_json(const Member &, const void * slot, const std::string &)
  {
    const S & sequence = in<S>(slot);
    return elements_to_json<Value>(sequence.data, sequence.size);
  }

  static size_t wire_end(const Member &, const void * slot, size_t position)
  {
    position += align(position, 4) + 4;
    const size_t length = in<S>(slot).size;
    if (length > 0) {  // an empty sequence is the count alone
      position += align(position, sizeof(C)) + sizeof(C) * length;
    }
    return position;
  }

  static bool equal(const Member &, const void * a, const void * b)
  {
    const S & x = in<S>(a);
    const S & y = in<S>(b);
    return x.size == y.size && elements_equal<Value>(x.data, y.data, x.size);
  }

  static std::string show(const Member &, const void * slot)
  {
    return std::to_string(in<S>(slot).size) + " elements";
  }

  static std::string owned_bytes(const Member &, const void * slot)
  {
    const S & sequence = in<S>(slot);
    return sequence.data == nullptr ? std::string() :
           std::string(reinterpret_cast<const char *>(sequence.data), sizeof(C) * sequence.size);
  }

  static std::string ill_formed(const void * slot)
  {
    const S & sequence = in<S>(slot);
    const bool released = sequence.data == nullptr && sequence.size == 0 && sequence.capacity == 0;
    const bool formed = sequence.data != nullptr && sequence.capacity >= sequence.size;
    if (released || formed) {
      return std::string();
    }
    return "sequence neither released nor well formed (size " + std::to_string(sequence.size) +
           ", capacity " + std::to_string(sequence.capacity) + ")";
  }

  static void fill(const Member &, void * slot, size_t seed)
  {
    S & sequence = in<S>(slot);
    Rosidl::fini(&sequence);
    if (!Rosidl::init(&sequence, 7)) {
      throw std::bad_alloc();
    }
    for (size_t i = 0; i < 7; ++i) {
      sequence.data[i] = static_cast<C>(-1.25 * static_cast<double>(i + seed));
    }
  }
};

struct String
{
  using Element = String;
  using S = rosidl_runtime_c__String;
  static constexpr Shape shape = Shape::single;
  static constexpr const char * failure_text = "failed to assign string into field '";

  static size_t record_size(const Member &)
  {
    return sizeof(S);
  }

  static bool init(void * slot)
  {
    return rosidl_runtime_c__String__init(&in<S>(slot));
  }

  static void fini(void * slot)
  {
    rosidl_runtime_c__String__fini(&in<S>(slot));
  }

  static void from_json(const Member &, const json & value, const std::string & path, void * slot)
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
    if (!rosidl_runtime_c__String__assignn(&in<S>(slot), text.data(), text.size())) {
      fail(path, "cannot store a text of " + std::to_string(text.size()) + " bytes");
    }
  }

  static ordered_json to_json(const Member &, const void * slot, const std::string & path)
  {
    const S & s = in<S>(slot);
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

  static size_t wire_end(const Member &, const void * slot, size_t position)
  {
    return position + align(position, 4) + 4 + in<S>(slot).size + 1;
  }

  static bool equal(const Member &, const void * a, const void * b)
  {
    const S & x = in<S>(a);
    const S & y = in<S>(b);
    if (x.data == nullptr || y.data == nullptr) {
      return x.data == y.data;
    }
    return x.size == y.size && std::memcmp(x.data, y.data, x.size) == 0;
  }

  static std::string show(const Member &, const void * slot)
  {
    const S & s = in<S>(slot);
    if (s.data == nullptr) {
      return "(null string)";
    }
    std::string text(s.data, std::min<size_t>(s.size, 40));
    for (char & ch : text) {
      ch = (ch >= 32 && ch < 127) ? ch : '?';
    }
    return '"' + text + (s.size > 40 ? "...\"" : "\"") + " size " + std::to_string(s.size);
  }

  static std::string owned_bytes(const Member &, const void * slot)
  {
    const S & s = in<S>(slot);
    return s.data == nullptr ? std::string() : std::string(s.data, s.size);
  }

  static std::string ill_formed(const void * slot)
  {
    const S & s = in<S>(slot);
    const bool released = s.data == nullptr && s.size == 0 && s.capacity == 0;
    const bool formed = s.data != nullptr && s.capacity > s.size && s.data[s.size] == '\0';
    if (released || formed) {
      return std::string();
    }
    return "string neither released nor well formed (size " + std::to_string(s.size) +
           ", capacity " + std::to_string(s.capacity) + ")";
  }

  static void fill(const Member &, void * slot, size_t seed)
  {
    std::string text(200 + 37 * seed, static_cast<char>('A' + seed % 26));
    if (!rosidl_runtime_c__String__assignn(&in<S>(slot), text.data(), text.size())) {
      throw std::bad_alloc();
    }
  }
};

template<class Row>
constexpr MemberKind row(Kind kind, uint8_t type_id, uint8_t alias_type_id = 0)
{
  return MemberKind{kind, Row::shape, type_id, alias_type_id,
    Row::record_size, Row::init, Row::fini,
    Row::from_json, Row::to_json, Row::Element::from_yaml, Row::Element::to_yaml,
    Row::wire_end, Row::equal, Row::show, Row::owned_bytes, Row::ill_formed, Row::fill,
    Row::failure_text};
}

// Nested members are walked member by member: the row only names them.
constexpr MemberKind nested_row()
{
  MemberKind nested{};
  nested.kind = Kind::nested;
  nested.shape = Shape::single;
  nested.type_id = rosidl_typesupport_introspection_c__ROS_TYPE_MESSAGE;
  return nested;
}

}  // namespace

// In the order of Kind.
constexpr MemberKind kMemberKinds[] = {
  nested_row(),
  row<String>(Kind::string, rosidl_typesupport_introspection_c__ROS_TYPE_STRING),
  row<Single<Integer<int32_t>>>(Kind::int32, rosidl_typesupport_introspection_c__ROS_TYPE_INT32),
  row<Single<Integer<uint32_t>>>(
    Kind::uint32, rosidl_typesupport_introspection_c__ROS_TYPE_UINT32),
  row<Single<Boolean>>(Kind::boolean, rosidl_typesupport_introspection_c__ROS_TYPE_BOOLEAN),
  row<Single<Integer<uint8_t>>>(Kind::octet, rosidl_typesupport_introspection_c__ROS_TYPE_OCTET,
    rosidl_typesupport_introspection_c__ROS_TYPE_UINT8),
  row<Array<Float<float>>>(
    Kind::float32_array, rosidl_typesupport_introspection_c__ROS_TYPE_FLOAT),
  row<Array<Float<double>>>(
    Kind::float64_array, rosidl_typesupport_introspection_c__ROS_TYPE_DOUBLE),
  row<Sequence<Float<double>>>(
    Kind::float64_sequence, rosidl_typesupport_introspection_c__ROS_TYPE_DOUBLE),
};

static constexpr bool rows_in_kind_order()
{
  for (size_t i = 0; i < std::size(kMemberKinds); ++i) {
    if (kMemberKinds[i].kind != static_cast<Kind>(i)) {
      return false;
    }
  }
  return true;
}
static_assert(rows_in_kind_order() && std::size(kMemberKinds) == static_cast<size_t>(Kind::count),
  "kMemberKinds has a row per Kind, in the order of Kind");

const MemberKind * member_kind_of(uint8_t type_id, Shape shape)
{
  for (const MemberKind & row : kMemberKinds) {
    const bool named = type_id == row.type_id ||
      (row.alias_type_id != 0 && type_id == row.alias_type_id);
    if (named && shape == row.shape) {
      return &row;
    }
  }
  return nullptr;
}

}  // namespace kovel_cdr
