#include "codec/record.hpp"

namespace kovel_cdr
{

Record::Record(const MessageType & type)
: type_(&type), storage_(new unsigned char[type.record_size]())
{
  type.init(storage_.get(), ROSIDL_RUNTIME_C_MSG_INIT_ALL);
}

Record::Record(Record && other) noexcept
: type_(other.type_), storage_(std::move(other.storage_))
{
}

Record::~Record()
{
  if (storage_) {
    type_->fini(storage_.get());
  }
}

}  // namespace kovel_cdr
