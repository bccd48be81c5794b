// The member kinds kovel_cdr knows, and one table row per kind holding everything done
// with a member of that kind: how the introspection names it, its slot in a C record, its
// JSON and YAML forms, its CDR size, and the comparisons, checks and values the tests use.
// The codecs, the record set-up and the test support walk members and call the row, so a
// new kind is a Kind value and a row in member_kinds.cpp.
#ifndef KOVEL_CDR__MEMBER_KINDS_HPP_
#define KOVEL_CDR__MEMBER_KINDS_HPP_

#include <cstddef>
#include <cstdint>
#include <string>

#include <nlohmann/json_fwd.hpp>

namespace YAML
{
class Emitter;
}

namespace kovel_cdr
{

enum class Kind
{
  nested,
  string,
  int32,
  uint32,
  boolean,
  octet,
  float32_array,
  float64_array,
  float64_sequence,
  count,  // not a kind: how many there are, so that a kind without a row fails to compile
};

enum class Shape {single, array, sequence};

struct Member;

/// A kind's operations. `slot` is the member's place in a record. For arrays and
/// sequences the YAML operations are those of one element. The nested kind has only its
/// introspection facts: the walkers handle nested members themselves.
struct MemberKind
{
  Kind kind;
  Shape shape;
  uint8_t type_id;        // the introspection's ROS type of a value (or of an element)
  uint8_t alias_type_id;  // another type id read as this kind, or 0

  // The record: bytes the slot takes; set up a zero-filled slot (false when out of memory)
  // and release it (null for kinds that own nothing).
  size_t (*record_size)(const Member & member);
  bool (*init)(void * slot);
  void (*fini)(void * slot);

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

  // CDR: the position just after the member, written from `position` of a stream.
  size_t (*wire_end)(const Member & member, const void * slot, size_t position);

  // Same value in both slots: texts and sequences by content, floats bit for bit,
  // booleans as true or false.
  bool (*equal)(const Member & member, const void * a, const void * b);
  // A short printable form of the value, for failure messages.
  std::string (*show)(const Member & member, const void * slot);
  // What the slot points to (a text's or a sequence's bytes), empty when it owns nothing.
  std::string (*owned_bytes)(const Member & member, const void * slot);
  // Why an owning slot is neither released nor well formed, or an empty text.
  std::string (*ill_formed)(const void * slot);
  // A recognisable value, varied by `seed`, in an initialised slot.
  void (*fill)(const Member & member, void * slot, size_t seed);
  // The type support's message, before "<member name>'\n", when it cannot store such a
  // member while deserializing; null when it always can.
  const char * failure_text;
};

extern const MemberKind kMemberKinds[];

inline const MemberKind & member_kind(Kind kind)
{
  return kMemberKinds[static_cast<size_t>(kind)];
}

/// The kind of a member the introspection describes as of ROS type `type_id` and `shape`,
/// or null when kovel_cdr does not know such members.
const MemberKind * member_kind_of(uint8_t type_id, Shape shape);

}  // namespace kovel_cdr

#endif  // KOVEL_CDR__MEMBER_KINDS_HPP_
