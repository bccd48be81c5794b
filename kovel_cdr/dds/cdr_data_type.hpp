// A Fast DDS data type over a catalogued type's codec, as a ROS 2 middleware uses a type
// support: its Fast-CDR C type support where the package has one (the handle asked for the
// Fast-CDR C flavour, its `data` taken as the callbacks record), else the introspection
// codec; every payload is the 4-byte encapsulation header followed by what the codec
// writes. Samples are kovel_cdr::Record objects (owned, initialised records).
#ifndef KOVEL_CDR__DDS__CDR_DATA_TYPE_HPP_
#define KOVEL_CDR__DDS__CDR_DATA_TYPE_HPP_

#include <cstdint>
#include <functional>
#include <string>

#include <fastdds/dds/topic/TopicDataType.hpp>

#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"
#include "codec/type_catalog.hpp"

namespace kovel_cdr
{
namespace dds
{

/// "kovel_camera_msgs::msg::dds_::DeviceInfo_": the DDS type name ROS 2 gives a type.
std::string dds_type_name(const MessageType & type);

class CdrDataType : public eprosima::fastdds::dds::TopicDataType
{
public:
  /// A data type for records of `record_type`, written and read by its codec.
  explicit CdrDataType(const MessageType & record_type);

  /// The same, once `handle` (the type's own handle, or a service record's request or
  /// response handle) is checked to be of `record_type`: throws Error when it does not
  /// offer the Fast-CDR C flavour or its callbacks are not those of `record_type`.
  CdrDataType(const MessageType & record_type, const rosidl_message_type_support_t * handle);

  /// Writes the encapsulation header and the record (a Record *) into a zeroed payload.
  /// False, without throwing, when the codec refuses the record or the stream runs out
  /// of room; failure() then tells why.
  bool serialize(void * data, eprosima::fastrtps::rtps::SerializedPayload_t * payload) override;

  /// Reads the encapsulation header and fills the record (a Record *). False, without
  /// throwing, when the payload ends early or the codec refuses it; failure() then tells
  /// why. Into the record named by an AcceptUnreadable of this thread, it reads what it can
  /// and returns true, so that Fast DDS hands the sample over with its sample info instead
  /// of dropping it without a word.
  bool deserialize(eprosima::fastrtps::rtps::SerializedPayload_t * payload, void * data) override;

  /// Why the last serialize or deserialize of this thread failed, "" when it did not. Fast
  /// DDS calls both in the thread that writes or takes.
  static const std::string & failure();
  /// What the last deserialize of this thread read past without failing (bytes after the
  /// message beyond its padding: PayloadReader::left_over), "" when nothing; cleared with
  /// failure.
  static const std::string & notice();
  static void clear_failure();

  /// While it lives, a payload that this thread cannot read into `record` is accepted, and
  /// failure() tells what was wrong with it.
  class AcceptUnreadable
  {
public:
    explicit AcceptUnreadable(const void * record);
    ~AcceptUnreadable();
    AcceptUnreadable(const AcceptUnreadable &) = delete;
    AcceptUnreadable & operator=(const AcceptUnreadable &) = delete;
  };

  /// 4 + the record's exact serialized size from position 0.
  std::function<uint32_t()> getSerializedSizeProvider(void * data) override;

  /// A new Record of the type; deleteData deletes it.
  void * createData() override;
  void deleteData(void * data) override;

  /// The types have no key.
  bool getKey(
    void * data, eprosima::fastrtps::rtps::InstanceHandle_t * handle,
    bool force_md5 = false) override;

  /// Whether the type's maximum size is a true bound (full_bounded).
  bool is_bounded() const override {return bounded_;}

  const MessageType & record_type() const {return record_type_;}
  const Codec & codec() const {return codec_;}

private:
  void set_up();

  const MessageType & record_type_;
  const Codec & codec_;
  bool bounded_ = false;
};

}  // namespace dds
}  // namespace kovel_cdr

#endif  // KOVEL_CDR__DDS__CDR_DATA_TYPE_HPP_
