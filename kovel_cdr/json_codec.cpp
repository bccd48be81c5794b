#include "json_codec.hpp"

#include <string>

namespace kovel_cdr
{

using nlohmann::json;
using nlohmann::ordered_json;

static void member_from_json(
  const Member & member, const json & value, const std::string & path, void * record)
{
  void * slot = &member_at<unsigned char>(record, member.offset);
  if (member.kind != Kind::nested) {
    member_kind(member.kind).from_json(member, value, path, slot);
    return;
  }
  if (!value.is_object()) {
    throw Error(path + ": expected an object, got " + value.type_name());
  }
  for (const auto & [name, inner] : value.items()) {
    const Member * found = nullptr;
    for (const Member & candidate : member.nested->members) {
      if (name == candidate.name) {
        found = &candidate;
      }
    }
    if (found == nullptr) {
      throw Error(path + "." + name + ": no such member in " + member.nested->name);
    }
    member_from_json(*found, inner, path + "." + name, slot);
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

static ordered_json members_to_json(
  const MessageType & type, const void * record, const std::string & path)
{
  ordered_json object = ordered_json::object();
  for (const Member & member : type.members) {
    const std::string member_path = path + "." + member.name;
    const void * slot = &member_at<unsigned char>(record, member.offset);
    object[member.name] = member.kind == Kind::nested ?
      members_to_json(*member.nested, slot, member_path) :
      member_kind(member.kind).to_json(member, slot, member_path);
  }
  return object;
}

ordered_json record_to_json(const MessageType & type, const void * record)
{
  return members_to_json(type, record, type.name);
}

}  // namespace kovel_cdr
