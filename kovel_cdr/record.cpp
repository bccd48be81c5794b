#include "record.hpp"

#include <cstring>
#include <new>

#include "rosidl_runtime_c/primitives_sequence_functions.h"
#include "rosidl_runtime_c/string_functions.h"

namespace kovel_cdr
{

void init_members(const MessageType & type, void * record)
{
  for (const Member & member : type.members) {
    bool ok = true;
    if (member.kind == Kind::nested) {
      init_members(*member.nested, &member_at<unsigned char>(record, member.offset));
    } else if (member.kind == Kind::string) {
      ok = rosidl_runtime_c__String__init(
        &member_at<rosidl_runtime_c__String>(record, member.offset));
    } else if (member.kind == Kind::float64_sequence) {
      ok = rosidl_runtime_c__double__Sequence__init(
        &member_at<rosidl_runtime_c__double__Sequence>(record, member.offset), 0);
    }
    if (!ok) {
      throw std::bad_alloc();
    }
  }
}

void fini_members(const MessageType & type, void * record)
{
  for (const Member & member : type.members) {
    if (member.kind == Kind::nested) {
      fini_members(*member.nested, &member_at<unsigned char>(record, member.offset));
    } else if (member.kind == Kind::string) {
      rosidl_runtime_c__String__fini(&member_at<rosidl_runtime_c__String>(record, member.offset));
    } else if (member.kind == Kind::float64_sequence) {
      rosidl_runtime_c__double__Sequence__fini(
        &member_at<rosidl_runtime_c__double__Sequence>(record, member.offset));
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
