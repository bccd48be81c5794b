// A minute of subscribers joining, leaving and dying around the camera node: its topics keep
// their rate, its services answer at once, and its memory stays flat.
#include <signal.h>

#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "dds_support.hpp"

namespace
{

using kovel_test::Clock;
using kovel_test::Process;
using kovel_test::describe;

TEST(Soak, SubscribersComeGoAndDieForAMinute)
{
  const uint32_t domain = kovel_test::domain_base() + 50;
  const std::string ns = kovel_test::unique("camera");
  const std::string domain_text = std::to_string(domain);
  Process node({kovel_test::kCameraNode, "--namespace", ns, "--rate", "20", "--duration",
      "180", "--domain", domain_text});
  kovel_test::Watch watch(domain, ns);
  ASSERT_TRUE(watch.wait_for(10, 20)) << describe(node);

  const char * topics[][2] = {{"Metadata", "/metadata"}, {"DeviceInfo", "/device_info"},
    {"Extrinsics", "/extrinsics"}};
  std::mt19937 random(7);
  std::vector<std::unique_ptr<Process>> subscribers;
  const auto start = Clock::now();
  uint64_t first_kib = 0;
  double slowest_call = 0;
  // 60 rounds of about a second: each starts a subscriber of some topic that will end in
  // one of four ways, and ends the one that has had its time. One in four never reads its
  // output, so that it stops taking messages until its pipe is closed.
  enum Ending {by_itself, killed, pipe_closed, terminated};
  std::vector<Ending> endings;
  for (int round = 0; round < 60; ++round) {
    const auto round_start = Clock::now();
    auto & topic = topics[random() % 3];
    Ending ending = static_cast<Ending>(random() % 4);
    std::vector<std::string> words = {kovel_test::kKovelCdr, "echo", "--json", topic[0],
      ns + topic[1],
      "--domain", domain_text};
    if (ending == by_itself) {
      words.insert(words.end(), {"--times", std::to_string(1 + random() % 20), "--timeout", "20"});
    }
    subscribers.push_back(std::make_unique<Process>(words, ending == pipe_closed));
    endings.push_back(ending);
    if (subscribers.size() > 4) {
      Process & oldest = *subscribers.front();
      if (endings.front() == killed) {
        oldest.signal(SIGKILL);
      } else if (endings.front() == terminated) {
        oldest.terminate();
      }
      oldest.close_output();
      const auto ending_start = Clock::now();
      const int status = oldest.wait(25);
      // Killed, terminated or cut off, a subscriber ends at once; by itself, within its time.
      EXPECT_LT(kovel_test::seconds_since(ending_start), endings.front() == by_itself ? 21 : 5)
        << "ending " << endings.front() << ", exit " << status << ": " << describe(oldest);
      subscribers.erase(subscribers.begin());
      endings.erase(endings.begin());
    }
    if (round % 10 == 5) {
      slowest_call = std::max(slowest_call, watch.call_seconds());
    }
    if (round == 10) {
      first_kib = kovel_test::resident_kib(node.pid());
    }
    std::this_thread::sleep_until(round_start + std::chrono::seconds(1));
  }
  subscribers.clear();
  std::this_thread::sleep_for(std::chrono::seconds(6));  // the killed ones' lease ends
  const uint64_t last_kib = kovel_test::resident_kib(node.pid());
  const double gap = watch.longest_gap(start, Clock::now());
  std::printf("soak: longest gap %.3f s, slowest call %.3f s, node VmRSS %llu KiB after 10 s, "
    "%llu KiB at the end\n", gap, slowest_call,
    static_cast<unsigned long long>(first_kib),  // NOLINT(runtime/int)
    static_cast<unsigned long long>(last_kib));  // NOLINT(runtime/int)
  EXPECT_LT(gap, 0.5);
  EXPECT_LT(slowest_call, 1.0);
  ASSERT_GT(first_kib, 0u);
#ifndef __SANITIZE_ADDRESS__
  // AddressSanitizer keeps freed memory in quarantine: there resident memory tells nothing.
  EXPECT_LT(last_kib, first_kib + first_kib / 5 + 4096) << "the node's memory grew";
#endif
  node.terminate();
  EXPECT_EQ(node.wait(20), 0) << describe(node);
}

}  // namespace
