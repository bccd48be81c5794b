// A DDS participant on loopback with ROS 2 naming: publishers and subscriptions of
// kovel_camera_msgs messages, service servers and clients, and bounded waits on them.
//
// Quality of service, the same for every endpoint, chosen so that nothing is lost: reliable,
// keep all, volatile, a heartbeat every 100 ms (the 3 s default stalls a writer whose
// history is full), and a bounded history (a writer blocks at most 5 s for room, so 1 MiB
// messages cannot pile up without bound).
#ifndef KOVEL_CDR__MIDDLEWARE__NODE_HPP_
#define KOVEL_CDR__MIDDLEWARE__NODE_HPP_

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <fastdds/dds/domain/DomainParticipant.hpp>
#include <fastdds/dds/publisher/DataWriter.hpp>
#include <fastdds/dds/publisher/Publisher.hpp>
#include <fastdds/dds/subscriber/DataReader.hpp>
#include <fastdds/dds/subscriber/SampleInfo.hpp>
#include <fastdds/dds/subscriber/Subscriber.hpp>
#include <fastdds/dds/topic/Topic.hpp>
#include <fastdds/rtps/common/WriteParams.h>

#include "loopback.hpp"
#include "record.hpp"
#include "type_catalog.hpp"

namespace kovel_cdr
{
namespace dds
{

using Clock = std::chrono::steady_clock;
/// The moment a wait gives up.
using Deadline = Clock::time_point;

/// Now + seconds (at most a day, so that the sum cannot overflow).
Deadline deadline_in(double seconds);

/// Makes SIGINT and SIGTERM end every wait of this process early (interrupted() turns
/// true), so that a command stops cleanly and deletes its entities.
void stop_on_signals();
bool interrupted();

/// What the middleware's threads report (a match, a message) wakes the thread that waits.
class Activity
{
public:
  void notify();

  /// Waits until ready() holds, the deadline passes or the process is interrupted;
  /// ready() is checked at once, after every report and at least every 100 ms. True when
  /// ready.
  bool wait_until(Deadline deadline, const std::function<bool()> & ready);

private:
  std::mutex mutex_;
  std::condition_variable changed_;
  uint64_t generation_ = 0;
};

class Writer
{
public:
  Writer(const MessageType & type, std::string name, Activity & activity);
  ~Writer();

  const MessageType & type() const {return type_;}
  /// The ROS name of the topic or service.
  const std::string & name() const {return name_;}

  /// How many readers are matched now; whether one of them is `reader`.
  size_t matched_readers() const;
  bool is_matched(const eprosima::fastrtps::rtps::GUID_t & reader) const;
  eprosima::fastrtps::rtps::GUID_t guid() const;

  /// Writes the record; on return params.sample_identity() names the sample. Throws
  /// Error when the middleware refuses it or the history stayed full for the blocking time
  /// (the readers do not keep up).
  void write(const Record & record, eprosima::fastrtps::rtps::WriteParams & params);
  void write(const Record & record);

  /// True when every matched reader has acknowledged every sample by the deadline.
  bool wait_for_acknowledgments(Deadline deadline);

private:
  friend class Node;
  class Listener;

  const MessageType & type_;
  std::string name_;
  std::unique_ptr<Listener> listener_;
  eprosima::fastdds::dds::DataWriter * writer_ = nullptr;
};

class Reader
{
public:
  Reader(const MessageType & type, std::string name, Activity & activity);
  ~Reader();

  const MessageType & type() const {return type_;}
  const std::string & name() const {return name_;}

  size_t matched_writers() const;
  eprosima::fastrtps::rtps::GUID_t guid() const;

  /// Whether a message is waiting to be taken.
  bool has_data() const;

  /// The next message that has arrived, in a new record, with its sample info when `info`
  /// is given; nothing when none is waiting.
  std::optional<Record> take(eprosima::fastdds::dds::SampleInfo * info = nullptr);

private:
  friend class Node;
  class Listener;

  const MessageType & type_;
  std::string name_;
  std::unique_ptr<Listener> listener_;
  eprosima::fastdds::dds::DataReader * reader_ = nullptr;
};

/// Answers the requests of one service.
class ServiceServer
{
public:
  /// Fills the response (a fresh record of the response type) for the request.
  using Handler = std::function<void(const Record & request, Record & response)>;

  ServiceServer(const ServiceType & type, Reader & requests, Writer & replies, Activity & activity);

  const ServiceType & type() const {return type_;}
  const std::string & name() const {return requests_.name();}
  Reader & requests() {return requests_;}
  Writer & replies() {return replies_;}

  /// Answers every request waiting now; returns how many. Each reply is tied to its
  /// request by the related sample identity. When the request names the client's reply
  /// reader, the reply first waits (at most `reply_match_wait` seconds) for that reader to
  /// be discovered, so that it is not sent before anyone can receive it.
  size_t answer_pending(const Handler & handler, double reply_match_wait = 2.0);

private:
  const ServiceType & type_;
  Reader & requests_;
  Writer & replies_;
  Activity & activity_;
};

/// Calls one service.
class ServiceClient
{
public:
  ServiceClient(const ServiceType & type, Writer & requests, Reader & replies, Activity & activity);

  const ServiceType & type() const {return type_;}
  const std::string & name() const {return requests_.name();}

  /// True when a server's request reader and reply writer are both matched by the deadline.
  bool wait_for_server(Deadline deadline);

  /// Sends the request and waits for the reply tied to it; replies to other requests are
  /// dropped. Nothing when no reply comes by the deadline.
  std::optional<Record> call(const Record & request, Deadline deadline);

private:
  const ServiceType & type_;
  Writer & requests_;
  Reader & replies_;
  Activity & activity_;
};

class Node
{
public:
  /// A participant named `name` in `domain` on loopback with the given transports.
  /// Throws Error when Fast DDS cannot create it.
  Node(const std::string & name, uint32_t domain, Transport transport);
  /// Deletes every entity in order: writers and readers, publisher and subscriber, topics,
  /// participant.
  ~Node();
  Node(const Node &) = delete;
  Node & operator=(const Node &) = delete;

  /// A writer of `type` on ROS topic `topic` (DDS topic "rt/<topic>").
  Writer & create_publisher(const MessageType & type, std::string_view topic);
  /// A reader of `type` on ROS topic `topic`.
  Reader & create_subscription(const MessageType & type, std::string_view topic);
  /// The request reader and reply writer of service `name`.
  ServiceServer & create_service(const ServiceType & type, std::string_view name);
  /// The request writer and reply reader of service `name`.
  ServiceClient & create_client(const ServiceType & type, std::string_view name);

  Activity & activity() {return activity_;}
  uint32_t domain() const {return domain_;}
  Transport transport() const {return transport_;}

private:
  /// Deletes what exists of the entities, in order.
  void release();
  /// The topic of that name, created with the type at first use (the type registered
  /// once); throws Error when it exists with another type.
  eprosima::fastdds::dds::Topic * topic(
    const MessageType & type, const rosidl_message_type_support_t * handle,
    const std::string & dds_topic);
  Writer & create_writer(
    const MessageType & type, const rosidl_message_type_support_t * handle,
    const std::string & dds_topic, const std::string & name);
  Reader & create_reader(
    const MessageType & type, const rosidl_message_type_support_t * handle,
    const std::string & dds_topic, const std::string & name);

  uint32_t domain_;
  Transport transport_;
  Activity activity_;
  eprosima::fastdds::dds::DomainParticipant * participant_ = nullptr;
  eprosima::fastdds::dds::Publisher * publisher_ = nullptr;
  eprosima::fastdds::dds::Subscriber * subscriber_ = nullptr;
  std::map<std::string, eprosima::fastdds::dds::Topic *> topics_;
  std::vector<std::unique_ptr<Writer>> writers_;
  std::vector<std::unique_ptr<Reader>> readers_;
  std::vector<std::unique_ptr<ServiceServer>> servers_;
  std::vector<std::unique_ptr<ServiceClient>> clients_;
};

}  // namespace dds
}  // namespace kovel_cdr

#endif  // KOVEL_CDR__MIDDLEWARE__NODE_HPP_
