// The member kinds kovel_cdr knows, every ROS 2 value type but long double and wstring, and
// one table row per kind and shape holding what kovel_cdr does with such a member: its
// JSON and YAML forms. The codecs walk members and call the row, so a new kind is a Kind
// value and a row in member_kinds.cpp. Records are set up by the type's introspection.
#ifndef KOVEL_CDR__CODEC__MEMBER_KINDS_HPP_
#define KOVEL_CDR__CODEC__MEMBER_KINDS_HPP_

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include <nlohmann/json_fwd.hpp>

namespace YAML
{
class Emitter;
}

namespace kovel_cdr
{

/// The type of a member's value, or of each of its elements.
enum class Kind
{
  nested,
  boolean,
  octet,
  character,
  uint8,
  int8,
  uint16,
  int16,
  uint32,
  int32,
  uint64,
  int64,
  float32,
  float64,
  string,
  count,  // not a kind: how many there are, so that a kind without a row fails to compile
};

/// A member holds one value, a fixed array of them, or a sequence (bounded or not).
enum class Shape {single, array, sequence, count};

struct MessageType;

/// One member of a record, as the C introspection describes it.
struct Member
{
  const char * name;
  Kind kind;
  Shape shape;
  size_t offset;                        // of the member in the record
  size_t element_size;                  // bytes of the value (or of one element) in a record
  size_t length = 0;                    // elements of a fixed array, bound of a sequence (0: none)
  size_t string_bound = 0;              // characters of a bounded string (each one), 0: none
  const MessageType * nested = nullptr;  // the type of a nested member (or of its elements)
  // Sets a sequence to `size` default elements, releasing the old ones (false when out of
  // memory); the introspection's, null for other shapes.
  bool (*resize)(void * slot, size_t size) = nullptr;
};

/// A kind's operations in one shape. `slot` is the member's place in a record. For arrays
/// and sequences the YAML operations are those of one element. The nested kind has no
/// operations: the walkers handle nested members themselves.
struct MemberKind
{
  Kind kind;
  Shape shape;
  const char * name;  // "int32", as an interface file names it
  size_t value_size;  // bytes of one value in a record (0 for nested: its type's size)

  // JSON: fill the slot from a value (Error naming `path` for one it cannot hold), and the
  // slot's value (Error for a text JSON cannot carry).
  void (*from_json)(
    const Member & member, const nlohmann::json & value, const std::string & path, void * slot);
  nlohmann::ordered_json (*to_json)(
    const Member & member, const void * slot, const std::string & path);

  // YAML: a plain or quoted scalar as the JSON value from_json takes (a text it does not
  // read stays a text, for from_json to refuse), and the JSON value written as YAML.
  nlohmann::json (*from_yaml)(const std::string & text, bool quoted, const std::string & path);
  void (*to_yaml)(YAML::Emitter & out, const nlohmann::ordered_json & value);
};

/// The layout of every rosidl C sequence.
struct SequenceSlot
{
  void * data;
  size_t size;
  size_t capacity;
};

/// Where the elements of an array or sequence member stand, and how many there are.
inline std::pair<void *, size_t> elements_of(const Member & member, void * slot)
{
  if (member.shape == Shape::array) {
    return {slot, member.length};
  }
  auto * sequence = static_cast<SequenceSlot *>(slot);
  return {sequence->data, sequence->size};
}

inline std::pair<const void *, size_t> elements_of(const Member & member, const void * slot)
{
  auto elements = elements_of(member, const_cast<void *>(slot));
  return {elements.first, elements.second};
}

/// The `index`th element of elements_of.
inline void * element_at(const Member & member, void * elements, size_t index)
{
  return static_cast<unsigned char *>(elements) + index * member.element_size;
}

inline const void * element_at(const Member & member, const void * elements, size_t index)
{
  return static_cast<const unsigned char *>(elements) + index * member.element_size;
}

/// Readies an array or sequence member for the elements of a JSON array: the array's
/// length checked (a fixed array's exactly, a bounded sequence's bound), a sequence resized
/// to it. Throws Error naming `path` otherwise.
void prepare_elements(
  const Member & member, const nlohmann::json & value, const std::string & path, void * slot);

/// The row of a member's kind and shape.
const MemberKind & member_kind(const Member & member);

/// The kind of the introspection's ROS type `type_id` ("field_types.h"), or the name of
/// a type kovel_cdr does not know ("long double", "wstring", "wchar") with false.
bool kind_of_type_id(uint8_t type_id, Kind & kind, std::string & unknown_name);

}  // namespace kovel_cdr

#endif  // KOVEL_CDR__CODEC__MEMBER_KINDS_HPP_
