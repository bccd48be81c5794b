#include "dds/cdr_data_type.hpp"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <string>
#include <utility>

#include <fastcdr/exceptions/NotEnoughMemoryException.h>

#include "codec/payload.hpp"
#include "codec/record.hpp"

namespace kovel_cdr
{
namespace dds
{

using eprosima::fastrtps::rtps::SerializedPayload_t;

static thread_local std::string t_failure;
static thread_local std::string t_notice;
static thread_local const void * t_accept_unreadable = nullptr;

const std::string & CdrDataType::failure()
{
  return t_failure;
}

const std::string & CdrDataType::notice()
{
  return t_notice;
}

void CdrDataType::clear_failure()
{
  t_failure.clear();
  t_notice.clear();
}

CdrDataType::AcceptUnreadable::AcceptUnreadable(const void * record)
{
  t_accept_unreadable = record;
}

CdrDataType::AcceptUnreadable::~AcceptUnreadable()
{
  t_accept_unreadable = nullptr;
}

std::string dds_type_name(const MessageType & type)
{
  return type.package + "::" + type.kind + "::dds_::" + type.name + "_";
}

// The type's codec once `handle` is found to be of it.
static const Codec & checked_codec(
  const MessageType & record_type, const rosidl_message_type_support_t * handle)
{
  const message_type_support_callbacks_t & callbacks = fastrtps_c_callbacks(handle);
  std::string expected_namespace = std::string(record_type.package) + "::" + record_type.kind;
  if (expected_namespace != callbacks.message_namespace_ ||
    record_type.name != callbacks.message_name_ || !record_type.fastrtps)
  {
    throw Error(std::string("the type support of ") + callbacks.message_namespace_ + "::" +
            callbacks.message_name_ + " does not write " + record_type.full_name());
  }
  return record_type.codec();
}

CdrDataType::CdrDataType(
  const MessageType & record_type, const rosidl_message_type_support_t * handle)
: record_type_(record_type), codec_(checked_codec(record_type, handle))
{
  set_up();
}

CdrDataType::CdrDataType(const MessageType & record_type)
: record_type_(record_type), codec_(record_type.codec())
{
  set_up();
}

void CdrDataType::set_up()
{
  setName(dds_type_name(record_type_).c_str());
  // Fast DDS needs a size above 0 and preallocates it for many samples per endpoint; an
  // unbounded type's samples grow beyond it when they must.
  m_typeSize = static_cast<uint32_t>(
    std::min<uint64_t>(max_payload_size(codec_, bounded_), UINT32_MAX));
  m_isGetKeyDefined = false;
  // ROS 2 peers do not exchange type objects; neither do we.
  auto_fill_type_object(false);
  auto_fill_type_information(false);
}

static bool fail(std::string reason)
{
  t_failure = std::move(reason);
  return false;
}

bool CdrDataType::serialize(void * data, SerializedPayload_t * payload)
{
  const void * record = static_cast<const Record *>(data)->data();
  const std::string name = record_type_.name;
  try {
    const uint64_t size = payload_size(codec_, record);
    if (size > payload->max_size) {
      return fail(name + ": the message needs " + std::to_string(size) +
               " bytes, more than the " + std::to_string(payload->max_size) + " the payload has");
    }
    write_payload(codec_, record, payload->data, static_cast<size_t>(size));
    payload->length = static_cast<uint32_t>(size);
    payload->encapsulation = big_endian_header(payload->data) ? CDR_BE : CDR_LE;
    return true;
  } catch (const Error & e) {
    return fail(e.what());
  } catch (const std::exception & e) {
    return fail(name + ": " + e.what());
  }
}

bool CdrDataType::deserialize(SerializedPayload_t * payload, void * data)
{
  void * record = static_cast<Record *>(data)->data();
  const bool accept = t_accept_unreadable == data;
  const std::string name = record_type_.name;
  const std::string bytes = "payload of " + std::to_string(payload->length) + " bytes";
  try {
    PayloadReader in(payload->data, payload->length);
    if (!codec_.deserialize(in.cdr(), record)) {
      return fail(name + ": the type support refused the " + bytes) || accept;
    }
    if (in.left_over() != 0) {
      t_notice = name + ": ignored " + std::to_string(in.left_over()) + " bytes after byte " +
        std::to_string(in.consumed()) + " of the " + bytes + ", beyond its padding";
    }
    return true;
  } catch (const eprosima::fastcdr::exception::NotEnoughMemoryException & e) {
    return fail(name + ": " + bytes + " ends early (" + e.what() + ")") || accept;
  } catch (const Error & e) {
    return fail(name + ": " + e.what()) || accept;
  } catch (const std::exception & e) {
    return fail(name + ": " + bytes + ": " + e.what()) || accept;
  }
}

std::function<uint32_t()> CdrDataType::getSerializedSizeProvider(void * data)
{
  const void * record = static_cast<const Record *>(data)->data();
  const Codec * codec = &codec_;
  // Saturates as the callbacks' size does: a message too large for 32 bits is never sized
  // small (serialize then refuses it).
  return [codec, record]() {
           return static_cast<uint32_t>(
             std::min<uint64_t>(payload_size(*codec, record), UINT32_MAX));
         };
}

void * CdrDataType::createData()
{
  return new Record(record_type_);
}

void CdrDataType::deleteData(void * data)
{
  delete static_cast<Record *>(data);
}

bool CdrDataType::getKey(void *, eprosima::fastrtps::rtps::InstanceHandle_t *, bool)
{
  return false;
}

}  // namespace dds
}  // namespace kovel_cdr
