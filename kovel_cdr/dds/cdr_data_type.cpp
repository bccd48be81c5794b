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

std::string dds_type_name(const message_type_support_callbacks_t & callbacks)
{
  return std::string(callbacks.message_namespace_) + "::dds_::" + callbacks.message_name_ + "_";
}

CdrDataType::CdrDataType(
  const MessageType & record_type, const rosidl_message_type_support_t * handle)
: record_type_(record_type), callbacks_(fastrtps_c_callbacks(handle))
{
  std::string expected_namespace = std::string(record_type.package) + "::" + record_type.kind;
  if (expected_namespace != callbacks_.message_namespace_ ||
    record_type.name != callbacks_.message_name_)
  {
    throw Error(std::string("the type support of ") + callbacks_.message_namespace_ + "::" +
            callbacks_.message_name_ + " does not write " + record_type.full_name());
  }
  setName(dds_type_name(callbacks_).c_str());
  // Fast DDS needs a size above 0 and preallocates it for many samples per endpoint; an
  // unbounded type's samples grow beyond it when they must.
  m_typeSize = static_cast<uint32_t>(max_payload_size(callbacks_, bounded_));
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
    const uint64_t size = payload_size(callbacks_, record);
    if (size > payload->max_size) {
      return fail(name + ": the message needs " + std::to_string(size) +
               " bytes, more than the " + std::to_string(payload->max_size) + " the payload has");
    }
    write_payload(callbacks_, record, payload->data, static_cast<size_t>(size));
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
    if (!callbacks_.cdr_deserialize(in.cdr(), record)) {
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
  const message_type_support_callbacks_t * callbacks = &callbacks_;
  // Saturates like the callback itself: a message too large for 32 bits is never sized
  // small (serialize then refuses it).
  return [callbacks, record]() {
           return static_cast<uint32_t>(
             std::min<uint64_t>(payload_size(*callbacks, record), UINT32_MAX));
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
