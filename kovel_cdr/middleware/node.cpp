#include "node.hpp"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <utility>

#include <fastdds/dds/domain/DomainParticipantFactory.hpp>
#include <fastdds/dds/log/Log.hpp>
#include <fastdds/dds/log/StdoutErrConsumer.hpp>
#include <fastdds/dds/publisher/DataWriterListener.hpp>
#include <fastdds/dds/publisher/qos/DataWriterQos.hpp>
#include <fastdds/dds/subscriber/DataReaderListener.hpp>
#include <fastdds/dds/subscriber/qos/DataReaderQos.hpp>
#include <fastdds/dds/topic/TypeSupport.hpp>

#include "cdr_data_type.hpp"
#include "payload.hpp"
#include "ros_names.hpp"
#include "rosidl_typesupport_fastrtps_cpp/service_type_support.h"

namespace kovel_cdr
{
namespace dds
{

namespace fdds = eprosima::fastdds::dds;
using eprosima::fastrtps::Duration_t;
using eprosima::fastrtps::rtps::GUID_t;
using eprosima::fastrtps::rtps::SampleIdentity;
using eprosima::fastrtps::rtps::WriteParams;
using ReturnCode = eprosima::fastrtps::types::ReturnCode_t;

// Fast DDS 2.9.1 deletes some of its objects through a pointer to a base class of another
// size, which AddressSanitizer reports as new_delete_type_mismatch and stops on. Every
// program that makes a Node runs Fast DDS, so it turns that one check off by default;
// ASAN_OPTIONS still decides. Weak, so that a program's own defaults take precedence.
extern "C" __attribute__((weak, visibility("default"), used))
const char * __asan_default_options()
{
  return "new_delete_type_mismatch=0";
}

// ---- Quality of service ----

static const Duration_t kHeartbeatPeriod(0, 100 * 1000 * 1000);
static const Duration_t kMaxBlockingTime(5, 0);
static constexpr double kMaxBlockingSeconds = 5;
static constexpr char kMaxBlockingText[] = "5 s";
// A writer keeps at most this many unacknowledged samples (64 MiB of 1 MiB messages); a
// reader at most kReaderSamples not yet taken.
static constexpr int32_t kWriterSamples = 64;
static constexpr int32_t kReaderSamples = 128;
// Samples whose room is allocated up front; more are allocated as needed.
static constexpr int32_t kPreallocatedSamples = 16;

static void lossless(
  fdds::ReliabilityQosPolicy & reliability, fdds::HistoryQosPolicy & history,
  fdds::DurabilityQosPolicy & durability, fdds::ResourceLimitsQosPolicy & limits,
  int32_t max_samples)
{
  reliability.kind = fdds::RELIABLE_RELIABILITY_QOS;
  reliability.max_blocking_time = kMaxBlockingTime;
  history.kind = fdds::KEEP_ALL_HISTORY_QOS;
  durability.kind = fdds::VOLATILE_DURABILITY_QOS;
  limits.max_samples = max_samples;
  limits.max_instances = 1;
  limits.max_samples_per_instance = max_samples;
  limits.allocated_samples = kPreallocatedSamples;
}

static fdds::DataWriterQos writer_qos()
{
  fdds::DataWriterQos qos = fdds::DATAWRITER_QOS_DEFAULT;
  lossless(qos.reliability(), qos.history(), qos.durability(), qos.resource_limits(),
    kWriterSamples);
  qos.reliable_writer_qos().times.heartbeatPeriod = kHeartbeatPeriod;
  qos.endpoint().history_memory_policy =
    eprosima::fastrtps::rtps::PREALLOCATED_WITH_REALLOC_MEMORY_MODE;
  qos.publish_mode().kind = fdds::SYNCHRONOUS_PUBLISH_MODE;
  // Shared memory comes from the transport; data-sharing needs plain types, ours are not.
  qos.data_sharing().off();
  return qos;
}

static fdds::DataReaderQos reader_qos()
{
  fdds::DataReaderQos qos = fdds::DATAREADER_QOS_DEFAULT;
  lossless(qos.reliability(), qos.history(), qos.durability(), qos.resource_limits(),
    kReaderSamples);
  qos.endpoint().history_memory_policy =
    eprosima::fastrtps::rtps::PREALLOCATED_WITH_REALLOC_MEMORY_MODE;
  qos.data_sharing().off();
  return qos;
}

// ---- Time and signals ----

Deadline deadline_in(double seconds)
{
  seconds = std::max(0.0, std::min(seconds, 86400.0));
  return Clock::now() + std::chrono::duration_cast<Clock::duration>(
    std::chrono::duration<double>(seconds));
}

static std::atomic<bool> g_interrupted{false};

extern "C" void kovel_cdr_on_signal(int)
{
  g_interrupted.store(true);
}

void stop_on_signals()
{
  std::signal(SIGINT, kovel_cdr_on_signal);
  std::signal(SIGTERM, kovel_cdr_on_signal);
}

bool interrupted()
{
  return g_interrupted.load();
}

static Duration_t to_duration(Clock::duration duration)
{
  auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(duration).count();
  nanoseconds = std::max<int64_t>(nanoseconds, 0);
  return Duration_t(static_cast<int32_t>(nanoseconds / 1000000000),
           static_cast<uint32_t>(nanoseconds % 1000000000));
}

// ---- Activity ----

void Activity::notify()
{
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++generation_;
  }
  changed_.notify_all();
}

bool Activity::wait_until(Deadline deadline, const std::function<bool()> & ready)
{
  constexpr auto kSlice = std::chrono::milliseconds(100);
  std::unique_lock<std::mutex> lock(mutex_);
  // Ends by the deadline: every pass either returns or waits, and the waits end at the
  // deadline.
  while (true) {
    uint64_t seen = generation_;
    lock.unlock();
    bool done = ready();
    lock.lock();
    if (done) {
      return true;
    }
    Deadline now = Clock::now();
    if (now >= deadline || interrupted()) {
      return false;
    }
    changed_.wait_until(lock, std::min(deadline, now + kSlice),
      [&]() {return generation_ != seen;});
  }
}

// ---- Writer ----

class Writer::Listener : public fdds::DataWriterListener
{
public:
  explicit Listener(Activity & activity)
  : activity_(activity) {}

  void on_publication_matched(
    fdds::DataWriter *, const fdds::PublicationMatchedStatus & status) override
  {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      GUID_t reader = eprosima::fastrtps::rtps::iHandle2GUID(status.last_subscription_handle);
      if (status.current_count_change > 0) {
        matched_.insert(reader);
      } else if (status.current_count_change < 0) {
        matched_.erase(reader);
      }
    }
    activity_.notify();
  }

  size_t count() const
  {
    std::lock_guard<std::mutex> lock(mutex_);
    return matched_.size();
  }

  bool contains(const GUID_t & reader) const
  {
    std::lock_guard<std::mutex> lock(mutex_);
    return matched_.count(reader) > 0;
  }

private:
  Activity & activity_;
  mutable std::mutex mutex_;
  std::set<GUID_t> matched_;
};

Writer::Writer(const MessageType & type, std::string name, Activity & activity)
: type_(type), name_(std::move(name)), listener_(new Listener(activity))
{
}

Writer::~Writer() = default;

size_t Writer::matched_readers() const
{
  return listener_->count();
}

bool Writer::is_matched(const GUID_t & reader) const
{
  return listener_->contains(reader);
}

GUID_t Writer::guid() const
{
  return writer_->guid();
}

void Writer::write(const Record & record, WriteParams & params)
{
  void * sample = const_cast<Record *>(&record);
  if (writer_->write(sample, params)) {
    return;
  }
  // Either the type support refuses the record (then encoding it says why), or the history
  // is full of samples the readers have not acknowledged yet. Fast DDS 2.9.1 reports a full
  // history at once instead of blocking for max_blocking_time, so the blocking is done here:
  // wait for acknowledgements and try again, for at most that time.
  encode_payload(type_, record.data());
  const Deadline give_up = deadline_in(kMaxBlockingSeconds);
  constexpr auto kSlice = std::chrono::milliseconds(20);
  while (Clock::now() < give_up && !interrupted()) {
    writer_->wait_for_acknowledgments(to_duration(std::min<Clock::duration>(
        give_up - Clock::now(), kSlice)));
    if (writer_->write(sample, params)) {
      return;
    }
  }
  throw Error("cannot write to '" + name_ + "': the readers left no room in the history for " +
          kMaxBlockingText);
}

void Writer::write(const Record & record)
{
  WriteParams params;
  write(record, params);
}

bool Writer::wait_for_acknowledgments(Deadline deadline)
{
  constexpr auto kSlice = std::chrono::milliseconds(100);
  // At most one pass per slice until the deadline.
  while (true) {
    Deadline now = Clock::now();
    Clock::duration wait = std::min<Clock::duration>(deadline - now, kSlice);
    if (writer_->wait_for_acknowledgments(to_duration(wait)) == ReturnCode::RETCODE_OK) {
      return true;
    }
    if (Clock::now() >= deadline || interrupted()) {
      return false;
    }
  }
}

// ---- Reader ----

class Reader::Listener : public fdds::DataReaderListener
{
public:
  explicit Listener(Activity & activity)
  : activity_(activity) {}

  void on_data_available(fdds::DataReader *) override
  {
    activity_.notify();
  }

  void on_subscription_matched(
    fdds::DataReader *, const fdds::SubscriptionMatchedStatus & status) override
  {
    matched_.store(status.current_count);
    activity_.notify();
  }

  size_t count() const
  {
    return static_cast<size_t>(std::max(0, matched_.load()));
  }

private:
  Activity & activity_;
  std::atomic<int32_t> matched_{0};
};

Reader::Reader(const MessageType & type, std::string name, Activity & activity)
: type_(type), name_(std::move(name)), listener_(new Listener(activity))
{
}

Reader::~Reader() = default;

size_t Reader::matched_writers() const
{
  return listener_->count();
}

GUID_t Reader::guid() const
{
  return reader_->guid();
}

bool Reader::has_data() const
{
  fdds::SampleInfo info;
  return reader_->get_first_untaken_info(&info) == ReturnCode::RETCODE_OK;
}

std::optional<Record> Reader::take(fdds::SampleInfo * info)
{
  fdds::SampleInfo local;
  fdds::SampleInfo * where = info != nullptr ? info : &local;
  // Skips the samples that only report a change of state; at most as many as the history
  // holds.
  for (int32_t i = 0; i <= kReaderSamples; ++i) {
    Record record(type_);
    if (reader_->take_next_sample(&record, where) != ReturnCode::RETCODE_OK) {
      return std::nullopt;
    }
    if (where->valid_data) {
      return record;
    }
  }
  return std::nullopt;
}

// ---- Services ----

ServiceServer::ServiceServer(
  const ServiceType & type, Reader & requests, Writer & replies, Activity & activity)
: type_(type), requests_(requests), replies_(replies), activity_(activity)
{
}

size_t ServiceServer::answer_pending(const Handler & handler, double reply_match_wait)
{
  size_t answered = 0;
  for (int32_t i = 0; i < kReaderSamples; ++i) {
    fdds::SampleInfo info;
    std::optional<Record> request = requests_.take(&info);
    if (!request) {
      break;
    }
    Record response(*type_.response);
    handler(*request, response);
    // A client may name its reply reader in the request's related sample identity; then
    // the reply waits until that reader is known, or it would go nowhere.
    const GUID_t & reply_reader = info.related_sample_identity.writer_guid();
    if (reply_reader != GUID_t::unknown() && reply_reader != info.sample_identity.writer_guid()) {
      activity_.wait_until(deadline_in(reply_match_wait),
        [&]() {return replies_.is_matched(reply_reader);});
    }
    WriteParams params;
    params.related_sample_identity(info.sample_identity);
    replies_.write(response, params);
    ++answered;
  }
  return answered;
}

ServiceClient::ServiceClient(
  const ServiceType & type, Writer & requests, Reader & replies, Activity & activity)
: type_(type), requests_(requests), replies_(replies), activity_(activity)
{
}

bool ServiceClient::wait_for_server(Deadline deadline)
{
  return activity_.wait_until(deadline, [&]() {
             return requests_.matched_readers() > 0 && replies_.matched_writers() > 0;
           });
}

std::optional<Record> ServiceClient::call(const Record & request, Deadline deadline)
{
  WriteParams params;
  // Names the reply reader, for servers that wait for it before replying.
  params.related_sample_identity().writer_guid(replies_.guid());
  requests_.write(request, params);
  const SampleIdentity sent = params.sample_identity();
  const GUID_t reply_reader = replies_.guid();

  std::optional<Record> reply;
  activity_.wait_until(deadline, [&]() {
      for (int32_t i = 0; i < kReaderSamples; ++i) {
        fdds::SampleInfo info;
        std::optional<Record> candidate = replies_.take(&info);
        if (!candidate) {
          return false;
        }
        const SampleIdentity & related = info.related_sample_identity;
        if (related.sequence_number() == sent.sequence_number() &&
        (related.writer_guid() == sent.writer_guid() || related.writer_guid() == reply_reader))
        {
          reply.emplace(std::move(*candidate));
          return true;
        }
      }
      return false;
    });
  return reply;
}

// ---- Node ----

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

Node::Node(const std::string & name, uint32_t domain, Transport transport)
: domain_(domain), transport_(transport)
{
  route_middleware_log();
  forget_remote_discovery_settings();
  auto * factory = fdds::DomainParticipantFactory::get_instance();
  participant_ = factory->create_participant(domain, loopback_participant_qos(name, transport));
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
  for (auto & writer : writers_) {
    if (writer->writer_ != nullptr) {
      publisher_->delete_datawriter(writer->writer_);
      writer->writer_ = nullptr;
    }
  }
  for (auto & reader : readers_) {
    if (reader->reader_ != nullptr) {
      subscriber_->delete_datareader(reader->reader_);
      reader->reader_ = nullptr;
    }
  }
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

fdds::Topic * Node::topic(
  const MessageType & type, const rosidl_message_type_support_t * handle,
  const std::string & dds_topic)
{
  fdds::TypeSupport support(new CdrDataType(type, handle));
  const std::string type_name = support.get_type_name();
  auto found = topics_.find(dds_topic);
  if (found != topics_.end()) {
    if (found->second->get_type_name() != type_name) {
      throw Error("topic " + dds_topic + " is already used with type " +
              found->second->get_type_name());
    }
    return found->second;
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
  return created;
}

Writer & Node::create_writer(
  const MessageType & type, const rosidl_message_type_support_t * handle,
  const std::string & dds_topic, const std::string & name)
{
  fdds::Topic * where = topic(type, handle, dds_topic);
  writers_.push_back(std::make_unique<Writer>(type, name, activity_));
  Writer & writer = *writers_.back();
  writer.writer_ = publisher_->create_datawriter(where, writer_qos(), writer.listener_.get(),
      fdds::StatusMask::publication_matched());
  if (writer.writer_ == nullptr) {
    writers_.pop_back();
    throw Error("cannot create a writer on " + dds_topic);
  }
  return writer;
}

Reader & Node::create_reader(
  const MessageType & type, const rosidl_message_type_support_t * handle,
  const std::string & dds_topic, const std::string & name)
{
  fdds::Topic * where = topic(type, handle, dds_topic);
  readers_.push_back(std::make_unique<Reader>(type, name, activity_));
  Reader & reader = *readers_.back();
  reader.reader_ = subscriber_->create_datareader(where, reader_qos(), reader.listener_.get(),
      fdds::StatusMask::data_available() << fdds::StatusMask::subscription_matched());
  if (reader.reader_ == nullptr) {
    readers_.pop_back();
    throw Error("cannot create a reader on " + dds_topic);
  }
  return reader;
}

Writer & Node::create_publisher(const MessageType & type, std::string_view topic)
{
  return create_writer(type, type.handle(), dds_topic_name(topic), fully_qualified_name(topic));
}

Reader & Node::create_subscription(const MessageType & type, std::string_view topic)
{
  return create_reader(type, type.handle(), dds_topic_name(topic), fully_qualified_name(topic));
}

static const service_type_support_callbacks_t & service_callbacks(const ServiceType & type)
{
  const rosidl_service_type_support_t * handle = type.handle();
  if (handle == nullptr || handle->data == nullptr) {
    throw Error(std::string("service ") + type.name + " has no type support record");
  }
  return *static_cast<const service_type_support_callbacks_t *>(handle->data);
}

ServiceServer & Node::create_service(const ServiceType & type, std::string_view name)
{
  const service_type_support_callbacks_t & callbacks = service_callbacks(type);
  std::string full = fully_qualified_name(name);
  Reader & requests = create_reader(*type.request, callbacks.request_members_,
      dds_request_topic_name(name), full);
  Writer & replies = create_writer(*type.response, callbacks.response_members_,
      dds_reply_topic_name(name), full);
  servers_.push_back(std::make_unique<ServiceServer>(type, requests, replies, activity_));
  return *servers_.back();
}

ServiceClient & Node::create_client(const ServiceType & type, std::string_view name)
{
  const service_type_support_callbacks_t & callbacks = service_callbacks(type);
  std::string full = fully_qualified_name(name);
  Writer & requests = create_writer(*type.request, callbacks.request_members_,
      dds_request_topic_name(name), full);
  Reader & replies = create_reader(*type.response, callbacks.response_members_,
      dds_reply_topic_name(name), full);
  clients_.push_back(std::make_unique<ServiceClient>(type, requests, replies, activity_));
  return *clients_.back();
}

}  // namespace dds
}  // namespace kovel_cdr
