#include "codec/json_codec.hpp"

#include <string>

namespace kovel_cdr
{

using nlohmann::json;
using nlohmann::ordered_json;

static void message_from_json(
  const MessageType & type, const json & value, const std::string & path, void * record);

static void member_from_json(
  const Member & member, const json & value, const std::string & path, void * slot)
{
  if (member.kind != Kind::nested) {
    member_kind(member).from_json(member, value, path, slot);
  } else if (member.shape == Shape::single) {
    message_from_json(*member.nested, value, path, slot);
  } else {
    prepare_elements(member, value, path, slot);
    void * elements = elements_of(member, slot).first;
    for (size_t i = 0; i < value.size(); ++i) {
      message_from_json(*member.nested, value[i], path + "[" + std::to_string(i) + "]",
        element_at(member, elements, i));
    }
  }
}

static void message_from_json(
  const MessageType & type, const json & value, const std::string & path, void * record)
{
  if (!value.is_object()) {
    throw Error(path + ": expected an object, got " + value.type_name());
  }
  for (const auto & [name, inner] : value.items()) {
    const Member * found = nullptr;
    for (const Member & candidate : type.members) {
      if (name == candidate.name) {
        found = &candidate;
      }
    }
    if (found == nullptr) {
      throw Error(path + "." + name + ": no such member in " + type.name);
    }
    member_from_json(
      *found, inner, path + "." + name, &member_at<unsigned char>(record, found->offset));
  }
}

void record_from_json(const MessageType & type, const json & value, void * record)
{
  message_from_json(type, value, type.name, record);
}

Record make_record(const MessageType & type, const json & value)
{
  return make_record(type, value, type.name);
}

Record make_record(const MessageType & type, const json & value, const std::string & path)
{
  Record record(type);
  message_from_json(type, value, path, record.data());
  return record;
}

static ordered_json members_to_json(
  const MessageType & type, const void * record, const std::string & path);

static ordered_json member_to_json(
  const Member & member, const void * slot, const std::string & path)
{
  if (member.kind != Kind::nested) {
    return member_kind(member).to_json(member, slot, path);
  }
  if (member.shape == Shape::single) {
    return members_to_json(*member.nested, slot, path);
  }
  const auto [elements, count] = elements_of(member, slot);
  ordered_json array = ordered_json::array();
  for (size_t i = 0; i < count; ++i) {
    array.push_back(members_to_json(*member.nested, element_at(member, elements, i),
      path + "[" + std::to_string(i) + "]"));
  }
  return array;
}

static ordered_json members_to_json(
  const MessageType & type, const void * record, const std::string & path)
{
  ordered_json object = ordered_json::object();
  for (const Member & member : type.members) {
    object[member.name] = member_to_json(
      member, &member_at<unsigned char>(record, member.offset), path + "." + member.name);
  }
  return object;
}

ordered_json record_to_json(const MessageType & type, const void * record)
{
  return members_to_json(type, record, type.name);
}

}  // namespace kovel_cdr
