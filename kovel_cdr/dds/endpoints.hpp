// The writers and readers of a Node: each owns its Fast DDS DataWriter or DataReader, made
// whole in the constructor (which throws when Fast DDS refuses it) and deleted by the
// destructor.
#ifndef KOVEL_CDR__DDS__ENDPOINTS_HPP_
#define KOVEL_CDR__DDS__ENDPOINTS_HPP_

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <fastdds/dds/publisher/DataWriter.hpp>
#include <fastdds/dds/publisher/Publisher.hpp>
#include <fastdds/dds/subscriber/DataReader.hpp>
#include <fastdds/dds/subscriber/SampleInfo.hpp>
#include <fastdds/dds/subscriber/Subscriber.hpp>
#include <fastdds/dds/topic/Topic.hpp>
#include <fastdds/rtps/common/WriteParams.h>

#include "dds/qos.hpp"
#include "codec/record.hpp"
#include "codec/type_catalog.hpp"
#include "dds/waiting.hpp"

namespace kovel_cdr
{
namespace dds
{

/// Where endpoints and nodes tell, one line each, of what they meet on the way: samples
/// that cannot be read, peers whose QoS or transport keeps them apart. Called from
/// middleware threads too.
using Report = std::function<void(const std::string & line)>;

class Writer
{
public:
  /// A writer of records of `type` on `topic`, named `name` (the ROS name of the topic or
  /// service). Throws Error when Fast DDS cannot create it.
  Writer(
    eprosima::fastdds::dds::Publisher & publisher, eprosima::fastdds::dds::Topic & topic,
    const MessageType & type, std::string name, const Qos & qos, Activity & activity,
    Report report = {});
  ~Writer();
  Writer(const Writer &) = delete;
  Writer & operator=(const Writer &) = delete;

  const MessageType & type() const {return type_;}
  const std::string & name() const {return name_;}
  const Qos & qos() const {return qos_;}

  /// How many readers are matched now; which; whether one of them is `reader`.
  size_t matched_readers() const;
  std::set<eprosima::fastrtps::rtps::GUID_t> matched() const;
  bool is_matched(const eprosima::fastrtps::rtps::GUID_t & reader) const;
  eprosima::fastrtps::rtps::GUID_t guid() const;

  /// Writes the record; on return params.sample_identity() names the sample. Keeping last,
  /// a write never waits for the readers. Keeping all, it waits at most `room_wait`
  /// seconds for the readers to acknowledge enough for room. Throws Error with the type
  /// support's reason when it refuses the record, or when the history stayed full.
  void write(
    const Record & record, eprosima::fastrtps::rtps::WriteParams & params,
    double room_wait = 0);
  void write(const Record & record);

  /// True when every matched reader has acknowledged every sample by the deadline. A reader
  /// that leaves counts as acknowledging: readers() tells what each one acknowledged.
  bool wait_for_acknowledgments(Deadline deadline);

  /// What the writer knows of a reader matched since its first write: whether it is still
  /// matched, how many of the writer's samples it acknowledged (at least: it is seen only
  /// when every matched reader has acknowledged everything), and how many were written when
  /// it left.
  struct ReaderProgress
  {
    eprosima::fastrtps::rtps::GUID_t guid;
    bool matched = true;
    uint64_t acknowledged = 0;
    uint64_t written_when_left = 0;
  };
  std::vector<ReaderProgress> readers() const;
  /// Samples written so far.
  uint64_t written() const {return written_.load();}

private:
  class Listener;

  const MessageType & type_;
  std::string name_;
  Qos qos_;
  eprosima::fastdds::dds::Publisher & publisher_;
  std::unique_ptr<Listener> listener_;
  eprosima::fastdds::dds::DataWriter * writer_ = nullptr;
  std::atomic<uint64_t> written_{0};
};

class Reader
{
public:
  /// A reader of records of `type` on `topic`. Reports a sample that arrived but cannot be
  /// read (which sample, from which writer, and why) and a writer whose QoS does not match.
  /// Throws Error when Fast DDS cannot create it.
  Reader(
    eprosima::fastdds::dds::Subscriber & subscriber, eprosima::fastdds::dds::Topic & topic,
    const MessageType & type, std::string name, const Qos & qos, Activity & activity,
    Report report);
  ~Reader();
  Reader(const Reader &) = delete;
  Reader & operator=(const Reader &) = delete;

  const MessageType & type() const {return type_;}
  const std::string & name() const {return name_;}

  size_t matched_writers() const;
  eprosima::fastrtps::rtps::GUID_t guid() const;

  /// Whether a sample is waiting to be taken.
  bool has_data() const;

  /// The next message that has arrived, in a new record, with its sample info when `info`
  /// is given; nothing when none is waiting. Samples that cannot be read are reported,
  /// counted and skipped.
  std::optional<Record> take(eprosima::fastdds::dds::SampleInfo * info = nullptr);

  /// How many samples could not be read.
  uint64_t unreadable() const {return unreadable_.load();}
  /// How many times a writer was found whose QoS does not match this reader's.
  uint64_t mismatched() const {return mismatched_.load();}

private:
  class Listener;

  const MessageType & type_;
  std::string name_;
  Qos qos_;
  Report report_;
  eprosima::fastdds::dds::Subscriber & subscriber_;
  std::unique_ptr<Listener> listener_;
  eprosima::fastdds::dds::DataReader * reader_ = nullptr;
  std::atomic<uint64_t> unreadable_{0};
  std::atomic<uint64_t> mismatched_{0};
};

}  // namespace dds
}  // namespace kovel_cdr

#endif  // KOVEL_CDR__DDS__ENDPOINTS_HPP_
