#include "codec/member_kinds.hpp"

#include <iterator>

#include "codec/member_values.hpp"
#include "rosidl_typesupport_introspection_c/field_types.h"

namespace kovel_cdr
{

using nlohmann::json;
using nlohmann::ordered_json;
using values::fail;

namespace
{

std::string element_path(const std::string & path, size_t index)
{
  return path + "[" + std::to_string(index) + "]";
}

// ---- Shapes: where a kind's values stand in a record ----

template<class Value>
struct Single
{
  using C = typename Value::C;

  static void from_json(
    const Member & member, const json & value, const std::string & path, void * slot)
  {
    Value::from_json(value, path, member, *static_cast<C *>(slot));
  }

  static ordered_json to_json(const Member &, const void * slot, const std::string & path)
  {
    return Value::to_json(*static_cast<const C *>(slot), path);
  }
};

// Arrays and sequences alike: the elements stand one after the other.
template<class Value>
struct Elements
{
  using C = typename Value::C;

  static void from_json(
    const Member & member, const json & value, const std::string & path, void * slot)
  {
    prepare_elements(member, value, path, slot);
    auto * elements = static_cast<C *>(elements_of(member, slot).first);
    for (size_t i = 0; i < value.size(); ++i) {
      Value::from_json(value[i], element_path(path, i), member, elements[i]);
    }
  }

  static ordered_json to_json(const Member & member, const void * slot, const std::string & path)
  {
    const auto [first, count] = elements_of(member, slot);
    ordered_json array = ordered_json::array();
    for (size_t i = 0; i < count; ++i) {
      array.push_back(Value::to_json(static_cast<const C *>(first)[i], element_path(path, i)));
    }
    return array;
  }
};

template<class Value, template<class> class In>
constexpr MemberKind row(Kind kind, Shape shape, const char * name)
{
  return MemberKind{kind, shape, name, sizeof(typename Value::C),
    In<Value>::from_json, In<Value>::to_json,
    Value::from_yaml, Value::to_yaml};
}

}  // namespace

#define KOVEL_KIND_ROWS(kind, name, ...) \
  {row<__VA_ARGS__, Single>(Kind::kind, Shape::single, name), \
    row<__VA_ARGS__, Elements>(Kind::kind, Shape::array, name), \
    row<__VA_ARGS__, Elements>(Kind::kind, Shape::sequence, name)}

// In the order of Kind, then of Shape. Nested members are walked member by member: their
// rows only name them.
static constexpr MemberKind kMemberKinds[][static_cast<size_t>(Shape::count)] = {
  {{Kind::nested, Shape::single, "message", 0}, {Kind::nested, Shape::array, "message", 0},
    {Kind::nested, Shape::sequence, "message", 0}},
  KOVEL_KIND_ROWS(boolean, "bool", values::Boolean),
  KOVEL_KIND_ROWS(octet, "byte", values::Integer<uint8_t>),
  KOVEL_KIND_ROWS(character, "char", values::Integer<signed char>),
  KOVEL_KIND_ROWS(uint8, "uint8", values::Integer<uint8_t>),
  KOVEL_KIND_ROWS(int8, "int8", values::Integer<int8_t>),
  KOVEL_KIND_ROWS(uint16, "uint16", values::Integer<uint16_t>),
  KOVEL_KIND_ROWS(int16, "int16", values::Integer<int16_t>),
  KOVEL_KIND_ROWS(uint32, "uint32", values::Integer<uint32_t>),
  KOVEL_KIND_ROWS(int32, "int32", values::Integer<int32_t>),
  KOVEL_KIND_ROWS(uint64, "uint64", values::Integer<uint64_t>),
  KOVEL_KIND_ROWS(int64, "int64", values::Integer<int64_t>),
  KOVEL_KIND_ROWS(float32, "float32", values::Float<float>),
  KOVEL_KIND_ROWS(float64, "float64", values::Float<double>),
  KOVEL_KIND_ROWS(string, "string", values::String),
};

#undef KOVEL_KIND_ROWS

static constexpr bool rows_in_order()
{
  for (size_t i = 0; i < std::size(kMemberKinds); ++i) {
    for (size_t j = 0; j < static_cast<size_t>(Shape::count); ++j) {
      if (kMemberKinds[i][j].kind != static_cast<Kind>(i) ||
        kMemberKinds[i][j].shape != static_cast<Shape>(j))
      {
        return false;
      }
    }
  }
  return true;
}
static_assert(rows_in_order() && std::size(kMemberKinds) == static_cast<size_t>(Kind::count),
  "kMemberKinds has a row per Kind and Shape, in their order");

const MemberKind & member_kind(const Member & member)
{
  return kMemberKinds[static_cast<size_t>(member.kind)][static_cast<size_t>(member.shape)];
}

bool kind_of_type_id(uint8_t type_id, Kind & kind, std::string & unknown_name)
{
  switch (type_id) {
    case rosidl_typesupport_introspection_c__ROS_TYPE_MESSAGE: kind = Kind::nested; return true;
    case rosidl_typesupport_introspection_c__ROS_TYPE_BOOLEAN: kind = Kind::boolean; return true;
    case rosidl_typesupport_introspection_c__ROS_TYPE_OCTET: kind = Kind::octet; return true;
    case rosidl_typesupport_introspection_c__ROS_TYPE_CHAR: kind = Kind::character; return true;
    case rosidl_typesupport_introspection_c__ROS_TYPE_UINT8: kind = Kind::uint8; return true;
    case rosidl_typesupport_introspection_c__ROS_TYPE_INT8: kind = Kind::int8; return true;
    case rosidl_typesupport_introspection_c__ROS_TYPE_UINT16: kind = Kind::uint16; return true;
    case rosidl_typesupport_introspection_c__ROS_TYPE_INT16: kind = Kind::int16; return true;
    case rosidl_typesupport_introspection_c__ROS_TYPE_UINT32: kind = Kind::uint32; return true;
    case rosidl_typesupport_introspection_c__ROS_TYPE_INT32: kind = Kind::int32; return true;
    case rosidl_typesupport_introspection_c__ROS_TYPE_UINT64: kind = Kind::uint64; return true;
    case rosidl_typesupport_introspection_c__ROS_TYPE_INT64: kind = Kind::int64; return true;
    case rosidl_typesupport_introspection_c__ROS_TYPE_FLOAT: kind = Kind::float32; return true;
    case rosidl_typesupport_introspection_c__ROS_TYPE_DOUBLE: kind = Kind::float64; return true;
    case rosidl_typesupport_introspection_c__ROS_TYPE_STRING: kind = Kind::string; return true;
    case rosidl_typesupport_introspection_c__ROS_TYPE_LONG_DOUBLE:
      unknown_name = "long double";
      return false;
    case rosidl_typesupport_introspection_c__ROS_TYPE_WSTRING:
      unknown_name = "wstring";
      return false;
    case rosidl_typesupport_introspection_c__ROS_TYPE_WCHAR:
      unknown_name = "wchar";
      return false;
    default:
      unknown_name = "of introspection type " + std::to_string(type_id);
      return false;
  }
}

void prepare_elements(
  const Member & member, const json & value, const std::string & path, void * slot)
{
  if (member.shape == Shape::array) {
    if (!value.is_array()) {
      fail(path, "expected an array of " + std::to_string(member.length) + ", got " +
        value.type_name());
    }
    if (value.size() != member.length) {
      fail(path, "expected exactly " + std::to_string(member.length) + " elements, got " +
        std::to_string(value.size()));
    }
    return;
  }
  if (!value.is_array()) {
    fail(path, std::string("expected an array, got ") + value.type_name());
  }
  if (member.length != 0 && value.size() > member.length) {
    fail(path, "expected at most " + std::to_string(member.length) + " elements, got " +
      std::to_string(value.size()));
  }
  if (member.resize == nullptr || !member.resize(slot, value.size())) {
    fail(path, "cannot allocate " + std::to_string(value.size()) + " elements");
  }
}

}  // namespace kovel_cdr
