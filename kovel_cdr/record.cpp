#include "record.hpp"

#include <cstring>
#include <new>

namespace kovel_cdr
{

void init_members(const MessageType & type, void * record)
{
  for (const Member & member : type.members) {
    void * slot = &member_at<unsigned char>(record, member.offset);
    if (member.kind == Kind::nested) {
      init_members(*member.nested, slot);
    } else if (auto init = member_kind(member.kind).init; init != nullptr && !init(slot)) {
      throw std::bad_alloc();
    }
  }
}

void fini_members(const MessageType & type, void * record)
{
  for (const Member & member : type.members) {
    void * slot = &member_at<unsigned char>(record, member.offset);
    if (member.kind == Kind::nested) {
      fini_members(*member.nested, slot);
    } else if (auto fini = member_kind(member.kind).fini; fini != nullptr) {
      fini(slot);
    }
  }
}

Record::Record(const MessageType & type)
: type_(&type), storage_(new unsigned char[type.record_size]())
{
  try {
    init_members(type, storage_.get());
  } catch (...) {
    fini_members(type, storage_.get());
    throw;
  }
}

Record::Record(Record && other) noexcept
: type_(other.type_), storage_(std::move(other.storage_))
{
}

Record::~Record()
{
  if (storage_) {
    fini_members(*type_, storage_.get());
  }
}

}  // namespace kovel_cdr
