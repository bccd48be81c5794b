#include "dds/node.hpp"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <set>
#include <utility>

#include <fastdds/dds/domain/DomainParticipantFactory.hpp>
#include <fastdds/dds/domain/DomainParticipantListener.hpp>
#include <fastdds/dds/log/Log.hpp>
#include <fastdds/dds/log/StdoutErrConsumer.hpp>
#include <fastdds/dds/topic/TypeSupport.hpp>

#include "dds/cdr_data_type.hpp"
#include "dds/ros_names.hpp"
#include "rosidl_typesupport_fastrtps_cpp/service_type_support.h"

namespace kovel_cdr
{
namespace dds
{

namespace fdds = eprosima::fastdds::dds;
using eprosima::fastrtps::rtps::GUID_t;
using ReturnCode = eprosima::fastrtps::types::ReturnCode_t;

// Fast DDS 2.9.1 deletes some of its objects through a pointer to a base class of another
// size, which AddressSanitizer reports as new_delete_type_mismatch and stops on. Every
// program that makes a Node runs Fast DDS, so it carries the workspace's AddressSanitizer
// options (kovel_cdr/sanitizer_options.env, which turn that check off) as its defaults, also
// when run by hand; ASAN_OPTIONS still decides. Weak, so that a program's own defaults take
// precedence.
extern "C" __attribute__((weak, visibility("default"), used))
const char * __asan_default_options()
{
  return KOVEL_ASAN_DEFAULT_OPTIONS;
}

// Fast DDS reports its own errors on standard error, never on standard output, which
// carries the commands' results.
static void route_middleware_log()
{
  static std::once_flag once;
  std::call_once(once, []() {
      fdds::Log::ClearConsumers();
      fdds::Log::RegisterConsumer(std::make_unique<fdds::StdoutErrConsumer>());
      fdds::Log::SetVerbosity(fdds::Log::Error);
    });
}

// Discovery is over UDP on 127.0.0.1 whatever the transport, so a participant also meets
// peers that cannot take its data: a udp participant cannot write to a reader that takes
// data over shared memory only (shm), nor can a writer of a udp participant write to a shm
// participant. A shm participant has UDP for discovery, so it writes to udp readers. Each
// such remote endpoint on one of the node's topics is reported once.
// Discovery also keeps the graph: every remote endpoint found and not yet gone.
class Node::Discovery : public fdds::DomainParticipantListener
{
public:
  Discovery(Transport transport, Report report, Activity & activity)
  : transport_(transport), report_(std::move(report)), activity_(activity) {}

  /// From now on, reports the endpoints of `dds_topic` that cannot be reached, those
  /// found before included.
  void add_topic(const std::string & dds_topic)
  {
    std::vector<std::pair<GUID_t, bool>> found;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      topics_.insert(dds_topic);
      for (auto unseen = not_ours_.begin(); unseen != not_ours_.end(); ) {
        if (unseen->second.first == dds_topic) {
          found.emplace_back(unseen->first, unseen->second.second);
          unreachable_.insert(unseen->first);
          unseen = not_ours_.erase(unseen);
        } else {
          ++unseen;
        }
      }
    }
    for (const auto & [guid, reader] : found) {
      report_unreachable(reader, dds_topic);
    }
  }

  void on_participant_discovery(
    fdds::DomainParticipant *, eprosima::fastrtps::rtps::ParticipantDiscoveryInfo && info) override
  {
    using Status = eprosima::fastrtps::rtps::ParticipantDiscoveryInfo::DISCOVERY_STATUS;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (info.status == Status::DROPPED_PARTICIPANT) {
        dropped_.insert(info.info.m_guid.guidPrefix);
      }
      ++changes_;
    }
    activity_.notify();
  }

  uint64_t changes() const
  {
    std::lock_guard<std::mutex> lock(mutex_);
    return changes_;
  }

  bool dropped(const GUID_t & endpoint) const
  {
    std::lock_guard<std::mutex> lock(mutex_);
    return dropped_.count(endpoint.guidPrefix) > 0;
  }

  void on_subscriber_discovery(
    fdds::DomainParticipant *, eprosima::fastrtps::rtps::ReaderDiscoveryInfo && info) override
  {
    using Status = eprosima::fastrtps::rtps::ReaderDiscoveryInfo::DISCOVERY_STATUS;
    discovered(true, info.info, info.status == Status::DISCOVERED_READER,
      info.status == Status::DISCOVERED_READER || info.status == Status::CHANGED_QOS_READER);
  }

  void on_publisher_discovery(
    fdds::DomainParticipant *, eprosima::fastrtps::rtps::WriterDiscoveryInfo && info) override
  {
    using Status = eprosima::fastrtps::rtps::WriterDiscoveryInfo::DISCOVERY_STATUS;
    discovered(false, info.info, info.status == Status::DISCOVERED_WRITER,
      info.status == Status::DISCOVERED_WRITER || info.status == Status::CHANGED_QOS_WRITER);
  }

  std::vector<RemoteEndpoint> endpoints() const
  {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<RemoteEndpoint> all;
    for (const auto & [guid, endpoint] : endpoints_) {
      all.push_back(endpoint);
    }
    return all;
  }

  bool unreachable(const GUID_t & endpoint) const
  {
    std::lock_guard<std::mutex> lock(mutex_);
    return unreachable_.count(endpoint) > 0;
  }

private:
  /// A remote reader's or writer's announcement: `found` when it is new, `present` unless
  /// it is gone.
  template<class ProxyData>
  void discovered(bool reader, const ProxyData & data, bool found, bool present)
  {
    if (found) {
      check(reader, data.guid(), data.topicName().to_string(), data.remote_locators().unicast);
    }
    update(present, RemoteEndpoint{data.guid(), reader, data.topicName().to_string(),
        data.typeName().to_string(),
        data.m_qos.m_reliability.kind == fdds::BEST_EFFORT_RELIABILITY_QOS,
        data.m_qos.m_durability.kind == fdds::TRANSIENT_LOCAL_DURABILITY_QOS});
  }

  void update(bool present, RemoteEndpoint && endpoint)
  {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (present) {
        endpoints_[endpoint.guid] = std::move(endpoint);
      } else {
        endpoints_.erase(endpoint.guid);
        not_ours_.erase(endpoint.guid);
      }
      ++changes_;
    }
    activity_.notify();
  }

  template<class Locators>
  void check(
    bool reader, const GUID_t & guid, const std::string & dds_topic, const Locators & locators)
  {
    bool udp = false, shm = false;
    for (const auto & locator : locators) {
      udp = udp || locator.kind == LOCATOR_KIND_UDPv4;
      shm = shm || locator.kind == LOCATOR_KIND_SHM;
    }
    // Fast DDS leaves out the locators that this participant has no transport for.
    const bool reachable = reader ?
      transport_ != Transport::udp || udp :
      transport_ != Transport::shared_memory || shm || locators.empty();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (reachable || unreachable_.count(guid) > 0) {
        return;
      }
      if (topics_.count(dds_topic) == 0) {
        not_ours_[guid] = {dds_topic, reader};
        return;
      }
      unreachable_.insert(guid);
    }
    report_unreachable(reader, dds_topic);
  }

  void report_unreachable(bool reader, const std::string & dds_topic)
  {
    report_(reader ?
      "a reader of " + dds_topic + " takes data over shared memory only, which --transport " +
      "udp cannot write to; use --transport both" :
      "a writer of " + dds_topic + " sends data over UDP only, which --transport shm does not " +
      "take; use --transport both");
  }

  Transport transport_;
  Report report_;
  Activity & activity_;
  mutable std::mutex mutex_;
  std::set<std::string> topics_;
  std::set<GUID_t> unreachable_;
  // Endpoints that cannot be reached, on topics that the node does not use yet.
  std::map<GUID_t, std::pair<std::string, bool>> not_ours_;
  std::map<GUID_t, RemoteEndpoint> endpoints_;
  uint64_t changes_ = 0;  // participants and endpoints found, changed or gone
  std::set<eprosima::fastrtps::rtps::GuidPrefix_t> dropped_;
};

Node::Node(const std::string & name, uint32_t domain, Transport transport, Report report)
: domain_(domain), transport_(transport), report_(std::move(report))
{
  if (!report_) {
    report_ = [name](const std::string & line) {
        std::fprintf(stderr, "%s: %s\n", name.c_str(), line.c_str());
      };
  }
  discovery_ = std::make_unique<Discovery>(transport, report_, activity_);
  route_middleware_log();
  if (transport != Transport::network) {
    forget_remote_discovery_settings();
    check_room_for_participant(domain);
  }
  auto * factory = fdds::DomainParticipantFactory::get_instance();
  participant_ = factory->create_participant(domain,
      participant_qos(name, transport, domain), discovery_.get(),
      fdds::StatusMask::none());
  if (participant_ == nullptr) {
    throw Error("cannot create a DDS participant in domain " + std::to_string(domain) +
            " over " + transport_name(transport));
  }
  publisher_ = participant_->create_publisher(fdds::PUBLISHER_QOS_DEFAULT);
  subscriber_ = participant_->create_subscriber(fdds::SUBSCRIBER_QOS_DEFAULT);
  if (publisher_ == nullptr || subscriber_ == nullptr) {
    release();
    throw Error("cannot create a DDS publisher and subscriber");
  }
}

Node::~Node()
{
  release();
}

void Node::release()
{
  if (participant_ == nullptr) {
    return;
  }
  servers_.clear();
  clients_.clear();
  writers_.clear();
  readers_.clear();
  if (publisher_ != nullptr) {
    participant_->delete_publisher(publisher_);
  }
  if (subscriber_ != nullptr) {
    participant_->delete_subscriber(subscriber_);
  }
  for (auto & [name, topic] : topics_) {
    participant_->delete_topic(topic);
  }
  topics_.clear();
  fdds::DomainParticipantFactory::get_instance()->delete_participant(participant_);
  participant_ = nullptr;
}

fdds::Topic & Node::topic(
  const MessageType & type, const rosidl_message_type_support_t * handle,
  const std::string & dds_topic)
{
  // Without a handle to check against, the type's own codec.
  fdds::TypeSupport support(handle != nullptr ? new CdrDataType(type, handle) :
    new CdrDataType(type));
  const std::string type_name = support.get_type_name();
  auto found = topics_.find(dds_topic);
  if (found != topics_.end()) {
    if (found->second->get_type_name() != type_name) {
      throw Error("topic " + dds_topic + " is already used with type " +
              found->second->get_type_name());
    }
    return *found->second;
  }
  if (participant_->find_type(type_name).empty() &&
    participant_->register_type(support, type_name) != ReturnCode::RETCODE_OK)
  {
    throw Error("cannot register type " + type_name);
  }
  fdds::Topic * created = participant_->create_topic(dds_topic, type_name, fdds::TOPIC_QOS_DEFAULT);
  if (created == nullptr) {
    throw Error("cannot create topic " + dds_topic);
  }
  topics_[dds_topic] = created;
  discovery_->add_topic(dds_topic);
  return *created;
}

Writer & Node::create_writer(
  const MessageType & type, const rosidl_message_type_support_t * handle,
  const std::string & dds_topic, const std::string & name, const Qos & qos)
{
  fdds::Topic & where = topic(type, handle, dds_topic);
  writers_.push_back(std::make_unique<Writer>(*publisher_, where, type, name, qos, activity_,
    report_));
  return *writers_.back();
}

Reader & Node::create_reader(
  const MessageType & type, const rosidl_message_type_support_t * handle,
  const std::string & dds_topic, const std::string & name, const Qos & qos)
{
  fdds::Topic & where = topic(type, handle, dds_topic);
  readers_.push_back(std::make_unique<Reader>(*subscriber_, where, type, name, qos, activity_,
    report_));
  return *readers_.back();
}

Writer & Node::create_publisher(const MessageType & type, std::string_view topic, const Qos & qos)
{
  return create_writer(type, nullptr, dds_topic_name(topic), fully_qualified_name(topic),
           qos);
}

Reader & Node::create_subscription(
  const MessageType & type, std::string_view topic, const Qos & qos)
{
  return create_reader(type, nullptr, dds_topic_name(topic), fully_qualified_name(topic),
           qos);
}

bool Node::unreachable(const GUID_t & endpoint) const
{
  return discovery_->unreachable(endpoint);
}

bool Node::dropped(const GUID_t & endpoint) const
{
  return discovery_->dropped(endpoint);
}

std::vector<RemoteEndpoint> Node::remote_endpoints() const
{
  return discovery_->endpoints();
}

std::vector<RemoteEndpoint> Node::remote_endpoints(const std::string & dds_topic, bool readers)
const
{
  std::vector<RemoteEndpoint> found;
  for (RemoteEndpoint & endpoint : discovery_->endpoints()) {
    if (endpoint.reader == readers && endpoint.dds_topic == dds_topic) {
      found.push_back(std::move(endpoint));
    }
  }
  return found;
}

uint64_t Node::graph_changes() const
{
  return discovery_->changes();
}

void Node::remove(Writer & writer)
{
  writers_.erase(std::remove_if(writers_.begin(), writers_.end(),
    [&](const std::unique_ptr<Writer> & mine) {return mine.get() == &writer;}), writers_.end());
}

void Node::remove(Reader & reader)
{
  readers_.erase(std::remove_if(readers_.begin(), readers_.end(),
    [&](const std::unique_ptr<Reader> & mine) {return mine.get() == &reader;}), readers_.end());
}

// The service record's request and response handles, as a middleware takes them; both null
// for a service without a Fast-CDR C type support (its types' codecs then serve).
static service_type_support_callbacks_t service_callbacks(const ServiceType & type)
{
  if (type.handle == nullptr) {
    return {};
  }
  const rosidl_service_type_support_t * handle = type.handle();
  if (handle == nullptr || handle->data == nullptr) {
    throw Error(std::string("service ") + type.name + " has no type support record");
  }
  return *static_cast<const service_type_support_callbacks_t *>(handle->data);
}

ServiceServer & Node::create_service(const ServiceType & type, std::string_view name)
{
  const service_type_support_callbacks_t callbacks = service_callbacks(type);
  std::string full = fully_qualified_name(name);
  Reader & requests = create_reader(*type.request, callbacks.request_members_,
      dds_request_topic_name(name), full, service_qos());
  Writer & replies = create_writer(*type.response, callbacks.response_members_,
      dds_reply_topic_name(name), full, service_qos());
  servers_.push_back(std::make_unique<ServiceServer>(type, requests, replies));
  return *servers_.back();
}

ServiceClient & Node::create_client(const ServiceType & type, std::string_view name)
{
  const service_type_support_callbacks_t callbacks = service_callbacks(type);
  std::string full = fully_qualified_name(name);
  Writer & requests = create_writer(*type.request, callbacks.request_members_,
      dds_request_topic_name(name), full, service_qos());
  Reader & replies = create_reader(*type.response, callbacks.response_members_,
      dds_reply_topic_name(name), full, service_qos());
  clients_.push_back(std::make_unique<ServiceClient>(type, requests, replies, *this, activity_));
  return *clients_.back();
}

}  // namespace dds
}  // namespace kovel_cdr
