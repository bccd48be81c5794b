#include "dds_support.hpp"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>

#include <fastdds/dds/domain/DomainParticipantFactory.hpp>
#include <fastdds/dds/publisher/Publisher.hpp>
#include <fastdds/dds/publisher/qos/DataWriterQos.hpp>
#include <fastdds/dds/subscriber/Subscriber.hpp>
#include <fastdds/dds/subscriber/qos/DataReaderQos.hpp>
#include <fastdds/dds/topic/TopicDataType.hpp>
#include <fastdds/dds/topic/TypeSupport.hpp>

#include "dds/cdr_data_type.hpp"
#include "dds/loopback.hpp"

namespace kovel_test
{

namespace fdds = eprosima::fastdds::dds;
using eprosima::fastrtps::rtps::SerializedPayload_t;

const std::string kKovelCdr = KOVEL_CDR;
const std::string kCameraNode = KOVEL_CAMERA_NODE;

std::string unique(const std::string & name)
{
  return "/kovel_it_" + std::to_string(getpid()) + "/" + name;
}

uint32_t domain_base()
{
  return 20 + static_cast<uint32_t>(getpid()) % 150;
}

std::string describe(const Process & process)
{
  return process.command() + "\n--- stdout (first 2000 bytes):\n" + process.out().substr(0, 2000) +
         "\n--- stderr:\n" + process.err();
}

std::vector<std::string> lines_of(const std::string & text)
{
  std::vector<std::string> lines;
  std::istringstream stream(text);
  std::string line;
  while (std::getline(stream, line)) {
    lines.push_back(line);
  }
  return lines;
}

double seconds_since(Clock::time_point start)
{
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// ---- Watch ----

Watch::Watch(uint32_t domain, const std::string & name_space)
: node_("kovel_it_watch", domain, kovel_cdr::dds::Transport::both),
  metadata_(node_.create_subscription(kovel_cdr::find_message_type("Metadata"),
    name_space + "/metadata")),
  client_(node_.create_client(kovel_cdr::find_service_type("GetString"),
    name_space + "/get_string")),
  thread_([this]() {run();})
{
}

Watch::~Watch()
{
  stop_.store(true);
  thread_.join();
}

void Watch::run()
{
  // Ends when stopped: each pass waits at most 100 ms; a test lasts less than a day.
  for (int pass = 0; pass < 864000 && !stop_.load(); ++pass) {
    node_.activity().wait_until(kovel_cdr::dds::deadline_in(0.1), [&]() {
        bool any = false;
        for (int i = 0; i < 1000 && metadata_.take(); ++i) {
          std::lock_guard<std::mutex> lock(mutex_);
          arrivals_.push_back(Clock::now());
          any = true;
        }
        return any;
      });
  }
}

bool Watch::wait_for(size_t count, double seconds)
{
  auto deadline = Clock::now() + std::chrono::milliseconds(static_cast<int64_t>(seconds * 1000));
  // One check every 20 ms until the deadline.
  while (Clock::now() < deadline) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (arrivals_.size() >= count) {
        return true;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

double Watch::longest_gap(Clock::time_point from, Clock::time_point to)
{
  std::lock_guard<std::mutex> lock(mutex_);
  double longest = 0;
  Clock::time_point previous = from;
  for (Clock::time_point arrival : arrivals_) {
    if (arrival <= from || arrival > to) {
      continue;
    }
    longest = std::max(longest, std::chrono::duration<double>(arrival - previous).count());
    previous = arrival;
  }
  return std::max(longest, std::chrono::duration<double>(to - previous).count());
}

double Watch::call_seconds()
{
  auto start = Clock::now();
  kovel_cdr::Record request(*kovel_cdr::find_service_type("GetString").request);
  if (!client_.wait_for_server(kovel_cdr::dds::deadline_in(20)) ||
    !client_.call(request, kovel_cdr::dds::deadline_in(20)))
  {
    return 1e9;
  }
  return seconds_since(start);
}

// ---- RawParticipant ----

namespace
{

// Samples are byte vectors written as they are, whatever the type name says.
class BytesType : public fdds::TopicDataType
{
public:
  explicit BytesType(const std::string & name)
  {
    setName(name.c_str());
    m_typeSize = 1 << 16;
    m_isGetKeyDefined = false;
    auto_fill_type_object(false);
    auto_fill_type_information(false);
  }

  bool serialize(void * data, SerializedPayload_t * payload) override
  {
    const auto & bytes = *static_cast<std::vector<uint8_t> *>(data);
    if (bytes.size() > payload->max_size) {
      return false;
    }
    std::memcpy(payload->data, bytes.data(), bytes.size());
    payload->length = static_cast<uint32_t>(bytes.size());
    payload->encapsulation = CDR_LE;
    return true;
  }

  bool deserialize(SerializedPayload_t *, void *) override {return false;}

  std::function<uint32_t()> getSerializedSizeProvider(void * data) override
  {
    uint32_t size = static_cast<uint32_t>(static_cast<std::vector<uint8_t> *>(data)->size());
    return [size]() {return size;};
  }

  void * createData() override {return new std::vector<uint8_t>();}
  void deleteData(void * data) override {delete static_cast<std::vector<uint8_t> *>(data);}
  bool getKey(void *, eprosima::fastrtps::rtps::InstanceHandle_t *, bool) override
  {
    return false;
  }
};

}  // namespace

RawParticipant::RawParticipant(uint32_t domain, const std::string & name)
{
  auto * factory = fdds::DomainParticipantFactory::get_instance();
  participant_ = factory->create_participant(domain,
      kovel_cdr::dds::loopback_participant_qos(name, kovel_cdr::dds::Transport::both));
  if (participant_ == nullptr) {
    throw std::runtime_error("cannot create a participant");
  }
  publisher_ = participant_->create_publisher(fdds::PUBLISHER_QOS_DEFAULT);
  subscriber_ = participant_->create_subscriber(fdds::SUBSCRIBER_QOS_DEFAULT);
}

RawParticipant::~RawParticipant()
{
  participant_->delete_contained_entities();
  fdds::DomainParticipantFactory::get_instance()->delete_participant(participant_);
}

fdds::Topic * RawParticipant::topic(const std::string & name, const std::string & type)
{
  if (fdds::TopicDescription * found = participant_->lookup_topicdescription(name)) {
    return static_cast<fdds::Topic *>(found);
  }
  return participant_->create_topic(name, type, fdds::TOPIC_QOS_DEFAULT);
}

fdds::DataWriter * RawParticipant::bytes_writer(const std::string & name, const std::string & type)
{
  fdds::TypeSupport support(new BytesType(type));
  participant_->register_type(support);
  fdds::DataWriterQos qos = fdds::DATAWRITER_QOS_DEFAULT;
  qos.reliability().kind = fdds::RELIABLE_RELIABILITY_QOS;
  qos.history().kind = fdds::KEEP_ALL_HISTORY_QOS;
  qos.durability().kind = fdds::VOLATILE_DURABILITY_QOS;
  qos.reliable_writer_qos().times.heartbeatPeriod = eprosima::fastrtps::Duration_t(0, 100000000);
  qos.data_sharing().off();
  return publisher_->create_datawriter(topic(name, type), qos);
}

fdds::DataReader * RawParticipant::reader(
  const kovel_cdr::MessageType & type, const std::string & name)
{
  fdds::TypeSupport support(new kovel_cdr::dds::CdrDataType(type, type.handle()));
  participant_->register_type(support);
  fdds::DataReaderQos qos = fdds::DATAREADER_QOS_DEFAULT;
  qos.reliability().kind = fdds::RELIABLE_RELIABILITY_QOS;
  qos.history().kind = fdds::KEEP_ALL_HISTORY_QOS;
  qos.resource_limits().max_samples = 10;
  qos.resource_limits().max_instances = 1;
  qos.resource_limits().max_samples_per_instance = 10;
  qos.durability().kind = fdds::VOLATILE_DURABILITY_QOS;
  qos.data_sharing().off();
  return subscriber_->create_datareader(topic(name, support.get_type_name()), qos);
}

void RawParticipant::delete_reader(fdds::DataReader * reader)
{
  subscriber_->delete_datareader(reader);
}

bool wait_for_reader(fdds::DataWriter * writer, double seconds, double settle)
{
  auto deadline = Clock::now() + std::chrono::milliseconds(static_cast<int64_t>(seconds * 1000));
  fdds::PublicationMatchedStatus status;
  // One check every 20 ms until the deadline.
  while (writer->get_publication_matched_status(status) == eprosima::fastrtps::types::ReturnCode_t::RETCODE_OK &&
    status.current_count == 0 && Clock::now() < deadline)
  {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(static_cast<int64_t>(settle * 1000)));
  return status.current_count > 0;
}

uint64_t resident_kib(pid_t pid)
{
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) {
      return std::stoull(line.substr(6));
    }
  }
  return 0;
}

}  // namespace kovel_test
