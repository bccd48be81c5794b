// Messages through real Fast DDS participants on loopback: throughput (messages/s) and
// round-trip latency of a small DeviceInfo and of a 1 MiB Metadata. The two participants
// live in this process, but Fast DDS's in-process shortcut is off, so every message goes
// through the transport (shared memory, or UDP on 127.0.0.1) and through the type
// support's serialize and deserialize, as between two processes.
//
// Counters: items_per_second is messages per second; median_rtt_us is the median round
// trip of one message there and back, median_one_way_us half of it.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>
#include <fastrtps/xmlparser/XMLProfileManager.h>
#include <nlohmann/json.hpp>

#include "codec/json_codec.hpp"
#include "dds/node.hpp"
#include "codec/record.hpp"
#include "codec/type_catalog.hpp"

namespace
{

using kovel_cdr::MessageType;
using kovel_cdr::Record;
using kovel_cdr::dds::Deadline;
using kovel_cdr::dds::Node;
using kovel_cdr::dds::Transport;
using nlohmann::json;

enum class Size {small, mebibyte};

const MessageType & type_of(Size size)
{
  return kovel_cdr::find_message_type(size == Size::small ? "DeviceInfo" : "Metadata");
}

Record message_of(Size size)
{
  const MessageType & type = type_of(size);
  json value = size == Size::small ?
    json{{"header", {{"stamp", {{"sec", 1765200000}, {"nanosec", 500}}},
      {"frame_id", "camera_link"}}}, {"name", "Kovel K1 Stereo"}, {"vid", 11205},
    {"pid", 1025}, {"serial_number", "KV1-000123"}, {"firmware_version", "2.4.1"},
    {"supported_min_sdk_version", "1.8.0"}, {"hardware_version", "B2"}} :
    json{{"header", {{"frame_id", "camera_depth_optical_frame"}}},
    {"json_data", std::string(1024 * 1024, 'x')}};
  Record record(type);
  kovel_cdr::record_from_json(type, value, record.data());
  return record;
}

// Batches of messages are written at once: every endpoint keeps them all until acknowledged.
kovel_cdr::dds::Qos batches()
{
  return kovel_cdr::dds::keep_all_qos(64);
}

// Two participants and the topics between them, made once per transport and size.
struct Link
{
  Link(Transport transport, Size size, uint32_t domain)
  : a("bench_a", domain, transport), b("bench_b", domain, transport),
    ping(a.create_publisher(type_of(size), "bench/ping", batches())),
    ping_in(b.create_subscription(type_of(size), "bench/ping", batches())),
    pong(b.create_publisher(type_of(size), "bench/pong", batches())),
    pong_in(a.create_subscription(type_of(size), "bench/pong", batches()))
  {
    Deadline deadline = kovel_cdr::dds::deadline_in(10);
    bool matched = a.activity().wait_until(deadline, [&]() {
          return ping.matched_readers() > 0 && pong_in.matched_writers() > 0;
        }) &&
      b.activity().wait_until(deadline, [&]() {
          return pong.matched_readers() > 0 && ping_in.matched_writers() > 0;
        });
    if (!matched) {
      throw kovel_cdr::Error("the benchmark's participants did not find each other in 10 s");
    }
  }

  Node a;
  Node b;
  kovel_cdr::dds::Writer & ping;
  kovel_cdr::dds::Reader & ping_in;
  kovel_cdr::dds::Writer & pong;
  kovel_cdr::dds::Reader & pong_in;
};

std::map<std::pair<Transport, Size>, std::unique_ptr<Link>> g_links;

Link & link_for(Transport transport, Size size)
{
  auto key = std::make_pair(transport, size);
  if (!g_links.count(key)) {
    uint32_t domain = 150 + static_cast<uint32_t>(getpid()) % 70 +
      static_cast<uint32_t>(g_links.size());
    g_links[key] = std::make_unique<Link>(transport, size, domain);
  }
  return *g_links[key];
}

// Takes what has arrived on `reader` until `count` messages came, or the deadline.
bool receive(Node & node, kovel_cdr::dds::Reader & reader, int64_t count, Deadline deadline)
{
  int64_t received = 0;
  return node.activity().wait_until(deadline, [&]() {
             for (int64_t i = 0; i < count && received < count; ++i) {
               if (!reader.take()) {
                 break;
               }
               ++received;
             }
             return received >= count;
           });
}

void throughput(benchmark::State & state, Transport transport, Size size)
{
  Link & link = link_for(transport, size);
  Record message = message_of(size);
  const int64_t batch = size == Size::small ? 50 : 8;
  for (auto _ : state) {
    for (int64_t i = 0; i < batch; ++i) {
      link.ping.write(message);
    }
    if (!receive(link.b, link.ping_in, batch, kovel_cdr::dds::deadline_in(30))) {
      state.SkipWithError("messages lost or late");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * batch);
  state.SetBytesProcessed(state.iterations() * batch *
    static_cast<int64_t>(type_of(size).size(message.data(), 0) + 4));
}

void latency(benchmark::State & state, Transport transport, Size size)
{
  Link & link = link_for(transport, size);
  Record message = message_of(size);
  // The far side sends every ping back as a pong, until told to stop.
  std::atomic<bool> stop{false};
  std::thread echo([&]() {
      while (!stop.load()) {
        link.b.activity().wait_until(kovel_cdr::dds::deadline_in(0.1),
          [&]() {return link.ping_in.has_data();});
        for (int i = 0; i < 16; ++i) {
          std::optional<Record> ping = link.ping_in.take();
          if (!ping) {
            break;
          }
          link.pong.write(*ping);
        }
      }
    });
  std::vector<double> round_trips;
  for (auto _ : state) {
    auto start = kovel_cdr::dds::Clock::now();
    link.ping.write(message);
    if (!receive(link.a, link.pong_in, 1, kovel_cdr::dds::deadline_in(30))) {
      state.SkipWithError("no pong within 30 s");
      break;
    }
    round_trips.push_back(std::chrono::duration<double, std::micro>(
        kovel_cdr::dds::Clock::now() - start).count());
  }
  stop.store(true);
  echo.join();
  if (!round_trips.empty()) {
    std::nth_element(round_trips.begin(), round_trips.begin() + round_trips.size() / 2,
      round_trips.end());
    double median = round_trips[round_trips.size() / 2];
    state.counters["median_rtt_us"] = median;
    state.counters["median_one_way_us"] = median / 2;
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK_CAPTURE(throughput, small_shm, Transport::both, Size::small)->UseRealTime();
BENCHMARK_CAPTURE(throughput, small_udp, Transport::udp, Size::small)->UseRealTime();
BENCHMARK_CAPTURE(throughput, 1MiB_shm, Transport::both, Size::mebibyte)->UseRealTime();
BENCHMARK_CAPTURE(throughput, 1MiB_udp, Transport::udp, Size::mebibyte)->UseRealTime();
BENCHMARK_CAPTURE(latency, small_shm, Transport::both, Size::small)->UseRealTime();
BENCHMARK_CAPTURE(latency, small_udp, Transport::udp, Size::small)->UseRealTime();
BENCHMARK_CAPTURE(latency, 1MiB_shm, Transport::both, Size::mebibyte)->UseRealTime();
BENCHMARK_CAPTURE(latency, 1MiB_udp, Transport::udp, Size::mebibyte)->UseRealTime();

}  // namespace

int main(int argc, char ** argv)
{
  // Through the transport, not Fast DDS's shortcut between participants of one process.
  eprosima::fastrtps::LibrarySettingsAttributes settings;
  settings.intraprocess_delivery = eprosima::fastrtps::INTRAPROCESS_OFF;
  eprosima::fastrtps::xmlparser::XMLProfileManager::library_settings(settings);

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  try {
    benchmark::RunSpecifiedBenchmarks();
  } catch (const std::exception & e) {
    std::fprintf(stderr, "dds_bench: %s\n", e.what());
    g_links.clear();
    return 1;
  }
  g_links.clear();
  benchmark::Shutdown();
  return 0;
}
