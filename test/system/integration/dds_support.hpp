// What the robustness and soak tests share: names and domains of the run, a healthy
// subscriber and client of the camera node in the test process, and a bare Fast DDS
// participant that writes any bytes as a payload.
#ifndef KOVEL_TEST__INTEGRATION__DDS_SUPPORT_HPP_
#define KOVEL_TEST__INTEGRATION__DDS_SUPPORT_HPP_

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <fastdds/dds/domain/DomainParticipant.hpp>
#include <fastdds/dds/publisher/DataWriter.hpp>
#include <fastdds/dds/subscriber/DataReader.hpp>

#include "dds/node.hpp"
#include "process.hpp"

namespace kovel_test
{

using Clock = std::chrono::steady_clock;

extern const std::string kKovelCdr;
extern const std::string kCameraNode;

/// "/kovel_it_<pid>/<name>": names of this run, apart from concurrent runs.
std::string unique(const std::string & name);
/// This run's first domain; the tests add their own offsets (at most 60).
uint32_t domain_base();
std::string describe(const Process & process);
std::vector<std::string> lines_of(const std::string & text);
double seconds_since(Clock::time_point start);

/// The camera node's Metadata as a healthy subscriber receives it, and its GetString as a
/// client calls it, from this process: a thread takes every message as it arrives.
class Watch
{
public:
  Watch(uint32_t domain, const std::string & name_space);
  ~Watch();

  /// How many messages arrived; waits (at most `seconds`) until at least `count` did.
  bool wait_for(size_t count, double seconds);
  /// The longest time without a message between `from` and `to` (the ends count).
  double longest_gap(Clock::time_point from, Clock::time_point to);
  /// One GetString call: seconds until the reply, or a large number when none came in 20 s.
  double call_seconds();

private:
  void run();

  kovel_cdr::dds::Node node_;
  kovel_cdr::dds::Reader & metadata_;
  kovel_cdr::dds::ServiceClient & client_;
  std::mutex mutex_;
  std::vector<Clock::time_point> arrivals_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

/// A participant on loopback that bypasses the adapter: it writes payloads of any bytes
/// under any type name, and reads with the adapter's data type.
class RawParticipant
{
public:
  RawParticipant(uint32_t domain, const std::string & name);
  ~RawParticipant();

  /// A reliable writer keeping all, of payloads given as bytes, on DDS topic `topic` with
  /// DDS type `type_name`.
  eprosima::fastdds::dds::DataWriter * bytes_writer(
    const std::string & topic, const std::string & type_name);
  /// A reliable, volatile reader of `type` on DDS topic `topic` that keeps all, up to 10
  /// samples: until they are taken it acknowledges no more.
  eprosima::fastdds::dds::DataReader * reader(
    const kovel_cdr::MessageType & type, const std::string & topic);
  void delete_reader(eprosima::fastdds::dds::DataReader * reader);

private:
  eprosima::fastdds::dds::Topic * topic(const std::string & name, const std::string & type);

  eprosima::fastdds::dds::DomainParticipant * participant_ = nullptr;
  eprosima::fastdds::dds::Publisher * publisher_ = nullptr;
  eprosima::fastdds::dds::Subscriber * subscriber_ = nullptr;
};

/// Waits (at most `seconds`) until the writer matches a reader, then `settle` seconds more
/// so that the reader matches it too.
bool wait_for_reader(eprosima::fastdds::dds::DataWriter * writer, double seconds, double settle);

/// The resident memory of a process in KiB (VmRSS), 0 when it cannot be read.
uint64_t resident_kib(pid_t pid);

}  // namespace kovel_test

#endif  // KOVEL_TEST__INTEGRATION__DDS_SUPPORT_HPP_
