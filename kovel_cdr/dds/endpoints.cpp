#include "dds/endpoints.hpp"

#include <algorithm>
#include <cstdio>
#include <map>
#include <mutex>
#include <sstream>
#include <utility>

#include <fastdds/dds/publisher/DataWriterListener.hpp>
#include <fastdds/dds/subscriber/DataReaderListener.hpp>

#include "dds/cdr_data_type.hpp"

namespace kovel_cdr
{
namespace dds
{

namespace fdds = eprosima::fastdds::dds;
using eprosima::fastrtps::Duration_t;
using eprosima::fastrtps::rtps::GUID_t;
using eprosima::fastrtps::rtps::WriteParams;
using ReturnCode = eprosima::fastrtps::types::ReturnCode_t;

// The QoS policy that kept two endpoints apart, as ros2 names it.
static std::string policy_name(fdds::QosPolicyId_t policy)
{
  switch (policy) {
    case fdds::RELIABILITY_QOS_POLICY_ID: return "reliability";
    case fdds::DURABILITY_QOS_POLICY_ID: return "durability";
    case fdds::DEADLINE_QOS_POLICY_ID: return "deadline";
    case fdds::LIVELINESS_QOS_POLICY_ID: return "liveliness";
    case fdds::OWNERSHIP_QOS_POLICY_ID: return "ownership";
    default: return "QoS policy " + std::to_string(policy);
  }
}

static Duration_t to_duration(Clock::duration duration)
{
  auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(duration).count();
  nanoseconds = std::max<int64_t>(nanoseconds, 0);
  return Duration_t(static_cast<int32_t>(nanoseconds / 1000000000),
           static_cast<uint32_t>(nanoseconds % 1000000000));
}

// ---- Writer ----

class Writer::Listener : public fdds::DataWriterListener
{
public:
  Listener(
    Activity & activity, std::function<void(const std::string &)> incompatible,
    const std::atomic<uint64_t> & written)
  : activity_(activity), incompatible_(std::move(incompatible)), written_(written) {}

  void on_offered_incompatible_qos(
    fdds::DataWriter *, const fdds::OfferedIncompatibleQosStatus & status) override
  {
    if (incompatible_) {
      incompatible_(policy_name(status.last_policy_id));
    }
  }

  void on_publication_matched(
    fdds::DataWriter *, const fdds::PublicationMatchedStatus & status) override
  {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      GUID_t reader = eprosima::fastrtps::rtps::iHandle2GUID(status.last_subscription_handle);
      if (status.current_count_change > 0) {
        matched_.insert(reader);
        progress_.insert_or_assign(reader, Writer::ReaderProgress{reader, true, 0, 0});
      } else if (status.current_count_change < 0) {
        matched_.erase(reader);
        auto found = progress_.find(reader);
        if (found != progress_.end()) {
          // One that left before the first write missed nothing.
          if (written_.load() == 0) {
            progress_.erase(found);
          } else {
            found->second.matched = false;
            found->second.written_when_left = written_.load();
          }
        }
      }
    }
    activity_.notify();
  }

  /// Every reader of `before` that is still matched has acknowledged `samples`.
  void acknowledged(const std::set<GUID_t> & before, uint64_t samples)
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const GUID_t & reader : before) {
      auto found = progress_.find(reader);
      if (found != progress_.end() && found->second.matched) {
        found->second.acknowledged = std::max(found->second.acknowledged, samples);
      }
    }
  }

  std::vector<Writer::ReaderProgress> progress() const
  {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Writer::ReaderProgress> all;
    for (const auto & [guid, progress] : progress_) {
      all.push_back(progress);
    }
    return all;
  }

  std::set<GUID_t> matched() const
  {
    std::lock_guard<std::mutex> lock(mutex_);
    return matched_;
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
  std::function<void(const std::string &)> incompatible_;
  const std::atomic<uint64_t> & written_;
  mutable std::mutex mutex_;
  std::set<GUID_t> matched_;
  // The readers matched since the first write, gone ones included.
  std::map<GUID_t, Writer::ReaderProgress> progress_;
};

Writer::Writer(
  fdds::Publisher & publisher, fdds::Topic & topic, const MessageType & type, std::string name,
  const Qos & qos, Activity & activity, Report report)
: type_(type), name_(std::move(name)), qos_(qos), publisher_(publisher)
{
  listener_ = std::make_unique<Listener>(activity, [this, report](const std::string & policy) {
        if (report) {
          report("a subscriber of '" + name_ + "' asks for a QoS that this publisher (" +
          describe(qos_) + ") does not offer: its " + policy + " does not match, so it " +
          "gets no message");
        }
      }, written_);
  writer_ = publisher_.create_datawriter(&topic, writer_qos(qos_), listener_.get(),
      fdds::StatusMask::publication_matched() << fdds::StatusMask::offered_incompatible_qos());
  if (writer_ == nullptr) {
    throw Error("cannot create a writer on " + topic.get_name());
  }
}

Writer::~Writer()
{
  publisher_.delete_datawriter(writer_);
}

size_t Writer::matched_readers() const
{
  return listener_->count();
}

std::set<GUID_t> Writer::matched() const
{
  return listener_->matched();
}

bool Writer::is_matched(const GUID_t & reader) const
{
  return listener_->contains(reader);
}

GUID_t Writer::guid() const
{
  return writer_->guid();
}

void Writer::write(const Record & record, WriteParams & params, double room_wait)
{
  void * sample = const_cast<Record *>(&record);
  auto attempt = [&]() {
      CdrDataType::clear_failure();
      if (writer_->write(sample, params)) {
        ++written_;
        return true;
      }
      if (!CdrDataType::failure().empty()) {
        throw Error("cannot write to '" + name_ + "': " + CdrDataType::failure());
      }
      return false;
    };
  if (attempt()) {
    return;
  }
  if (!qos_.keep_all) {
    throw Error("cannot write to '" + name_ + "': Fast DDS refused the message");
  }
  // The history is full of samples that the readers have not acknowledged yet. Fast DDS
  // 2.9.1 reports that at once instead of blocking for max_blocking_time, so the waiting
  // is done here: for acknowledgements, then again, for at most room_wait.
  const Deadline give_up = deadline_in(room_wait);
  constexpr auto kSlice = std::chrono::milliseconds(20);
  while (Clock::now() < give_up && !interrupted()) {
    writer_->wait_for_acknowledgments(to_duration(std::min<Clock::duration>(
        give_up - Clock::now(), kSlice)));
    if (attempt()) {
      return;
    }
  }
  if (interrupted()) {
    throw interruption("while waiting for room to write to '" + name_ + "'");
  }
  char seconds[32];
  std::snprintf(seconds, sizeof(seconds), "%g", room_wait);
  throw Error("cannot write to '" + name_ + "': the readers left no room in the history for " +
          seconds + " s");
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
    // A reader matched before and after a wait that ends with everything acknowledged has
    // acknowledged what was written before it; one that left in between has not told.
    const uint64_t samples = written_.load();
    const std::set<GUID_t> before = listener_->matched();
    Deadline now = Clock::now();
    Clock::duration wait = std::min<Clock::duration>(deadline - now, kSlice);
    if (writer_->wait_for_acknowledgments(to_duration(wait)) == ReturnCode::RETCODE_OK) {
      listener_->acknowledged(before, samples);
      return true;
    }
    if (Clock::now() >= deadline || interrupted()) {
      return false;
    }
  }
}

std::vector<Writer::ReaderProgress> Writer::readers() const
{
  return listener_->progress();
}

// ---- Reader ----

class Reader::Listener : public fdds::DataReaderListener
{
public:
  Listener(Activity & activity, std::function<void(const std::string &)> incompatible)
  : activity_(activity), incompatible_(std::move(incompatible)) {}

  void on_requested_incompatible_qos(
    fdds::DataReader *, const fdds::RequestedIncompatibleQosStatus & status) override
  {
    if (incompatible_) {
      incompatible_(policy_name(status.last_policy_id));
    }
  }

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
  std::function<void(const std::string &)> incompatible_;
  std::atomic<int32_t> matched_{0};
};

Reader::Reader(
  fdds::Subscriber & subscriber, fdds::Topic & topic, const MessageType & type,
  std::string name, const Qos & qos, Activity & activity, Report report)
: type_(type), name_(std::move(name)), qos_(qos), report_(std::move(report)),
  subscriber_(subscriber)
{
  listener_ = std::make_unique<Listener>(activity, [this](const std::string & policy) {
        ++mismatched_;
        if (report_) {
          report_("a publisher of '" + name_ + "' offers a QoS that this subscription (" +
          describe(qos_) + ") cannot take: its " + policy + " does not match, so none of " +
          "its messages arrive");
        }
      });
  reader_ = subscriber_.create_datareader(&topic, reader_qos(qos_), listener_.get(),
      fdds::StatusMask::data_available() << fdds::StatusMask::subscription_matched() <<
      fdds::StatusMask::requested_incompatible_qos());
  if (reader_ == nullptr) {
    throw Error("cannot create a reader on " + topic.get_name());
  }
}

Reader::~Reader()
{
  subscriber_.delete_datareader(reader_);
}

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
  // Skips the samples that only report a change of state and those that cannot be read;
  // a bounded number per call, the rest at the next.
  constexpr int kMostSkipped = 1024;
  for (int i = 0; i < kMostSkipped; ++i) {
    Record record(type_);
    CdrDataType::clear_failure();
    ReturnCode taken;
    {
      CdrDataType::AcceptUnreadable accept(&record);
      taken = reader_->take_next_sample(&record, where);
    }
    if (taken != ReturnCode::RETCODE_OK) {
      return std::nullopt;
    }
    if (!where->valid_data) {
      continue;
    }
    if (!CdrDataType::failure().empty()) {
      ++unreadable_;
      if (report_) {
        std::ostringstream line;
        line << "unreadable sample #" << where->sample_identity.sequence_number().to64long() <<
          " from writer " << where->sample_identity.writer_guid() << " on '" << name_ <<
          "': " << CdrDataType::failure();
        report_(line.str());
      }
      continue;
    }
    if (!CdrDataType::notice().empty() && report_) {
      std::ostringstream line;
      line << "sample #" << where->sample_identity.sequence_number().to64long() <<
        " from writer " << where->sample_identity.writer_guid() << " on '" << name_ <<
        "': " << CdrDataType::notice();
      report_(line.str());
    }
    return record;
  }
  return std::nullopt;
}

}  // namespace dds
}  // namespace kovel_cdr
