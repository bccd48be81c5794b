// The tools against a running camera node as a ROS 2 user drives them: the graph as
// discovery shows it, a topic's type taken from it, rates, YAML out and back in, and
// subscriptions that adapt to what the publishers offer.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "dds_support.hpp"
#include "codec/json_codec.hpp"
#include "dds/services.hpp"

namespace
{

using json = nlohmann::json;
using kovel_test::Process;
using kovel_test::describe;
using kovel_test::domain_base;
using kovel_test::kCameraNode;
using kovel_test::kKovelCdr;
using kovel_test::lines_of;
using kovel_test::unique;

/// Runs kovel_cdr with the words and the domain; waits at most a minute for it.
std::unique_ptr<Process> run(std::vector<std::string> words, uint32_t domain, double wait = 60)
{
  words.insert(words.begin(), kKovelCdr);
  words.insert(words.end(), {"--domain", std::to_string(domain)});
  auto process = std::make_unique<Process>(words);
  process->wait(wait);
  return process;
}

bool contains(const std::string & text, const std::string & part)
{
  return text.find(part) != std::string::npos;
}

// The node runs as long as it is asked to (any duration the clock can hold), list returns
// once discovery is quiet rather than at its timeout, with the whole graph, and both of
// its kind flags list both kinds.
TEST(Graph, ListInfoEchoAndHzFindTheCameraByItsNames)
{
  const uint32_t domain = domain_base() + 52;
  const std::string ns = unique("camera");
  Process absurd({kCameraNode, "--duration", "1e300", "--domain", std::to_string(domain)});
  EXPECT_EQ(absurd.wait(20), 2) << describe(absurd);
  EXPECT_TRUE(contains(absurd.err(), "--duration: expected a number from 0.0 to "))
    << describe(absurd);
  Process node({kCameraNode, "--namespace", ns, "--duration", "7200", "--rate", "20",
      "--domain", std::to_string(domain)});

  for (const char * kinds : {"", "--topics --services"}) {
    // The timeout is far longer than discovery takes: a list that waits for it is caught.
    std::vector<std::string> words{"list", "--timeout", "10"};
    if (*kinds != 0) {
      words.insert(words.end(), {"--topics", "--services"});
    }
    const auto start = kovel_test::Clock::now();
    auto list = run(words, domain);
    const double seconds = kovel_test::seconds_since(start);
    EXPECT_EQ(list->wait(1), 0) << describe(*list);
    EXPECT_LT(seconds, 6.0) << kinds;
    std::vector<std::string> lines = lines_of(list->out());
    auto listed = [&](const std::string & line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
      };
    EXPECT_TRUE(listed(ns + "/metadata [kovel_camera_msgs/msg/Metadata]")) << describe(*list);
    EXPECT_TRUE(listed(ns + "/get_string [kovel_camera_msgs/srv/GetString]"))
      << describe(*list);
    EXPECT_EQ(lines.size(), 7u) << describe(*list);
  }

  auto info = run({"info", ns + "/device_info"}, domain);
  EXPECT_TRUE(contains(info->out(), "Type: kovel_camera_msgs/msg/DeviceInfo\n"
    "Publisher count: 1\nSubscription count: 0\n")) << describe(*info);
  EXPECT_TRUE(contains(info->out(), "Durability: TRANSIENT_LOCAL")) << describe(*info);

  // No type given: it comes from the graph. YAML out is what encode takes back in.
  auto yaml = run({"echo", ns + "/metadata", "--times", "2", "--timeout", "20"}, domain);
  ASSERT_EQ(yaml->wait(1), 0) << describe(*yaml);
  std::string first = yaml->out().substr(0, yaml->out().find("---\n"));
  EXPECT_TRUE(contains(first, "frame_id: camera_depth_optical_frame\n")) << describe(*yaml);
  EXPECT_EQ(yaml->out().size() - yaml->out().rfind("---\n"), 4u) << describe(*yaml);
  std::string file = kovel_test::write_temporary_file(first);
  Process encoded({kKovelCdr, "encode", "Metadata", file, "--hex"});
  EXPECT_EQ(encoded.wait(20), 0) << describe(encoded);
  kovel_test::remove_file(file);

  auto json = run({"echo", ns + "/metadata", "--times", "1", "--json", "--timeout", "20"},
      domain);
  EXPECT_EQ(json->wait(1), 0) << describe(*json);
  EXPECT_EQ(lines_of(json->out()).size(), 1u) << describe(*json);

  auto hz = run({"hz", ns + "/metadata", "--timeout", "5"}, domain);
  EXPECT_EQ(hz->wait(1), 0) << describe(*hz);
  std::vector<std::string> rates = lines_of(hz->out());
  ASSERT_GE(rates.size(), 2u) << describe(*hz);
  double rate = std::stod(rates[rates.size() - 2].substr(std::string("average rate: ").size()));
  EXPECT_NEAR(rate, 20, 3) << describe(*hz);

  auto unknown = run({"echo", unique("nobody"), "--timeout", "3"}, domain);
  EXPECT_EQ(unknown->wait(1), 1);
  EXPECT_TRUE(contains(unknown->err(), "so its type is unknown; give TYPE")) << describe(*unknown);

  node.terminate();
  EXPECT_EQ(node.wait(20), 0) << describe(node);
}

TEST(Qos, EchoHearsBestEffortAndLatchedPublishersAndNamesAMismatch)
{
  const uint32_t domain = domain_base() + 53;
  const std::string topic = unique("best_effort");
  Process pub({kKovelCdr, "pub", "DeviceInfo", topic, "{name: K1, vid: 3}", "--rate", "10",
      "--qos-profile", "sensor_data", "--domain", std::to_string(domain)});

  auto adapted = run({"echo", topic, "--times", "1", "--timeout", "20", "--json"}, domain);
  EXPECT_EQ(adapted->wait(1), 0) << describe(*adapted);
  EXPECT_TRUE(contains(adapted->out(), "\"name\":\"K1\",\"vid\":3")) << describe(*adapted);

  auto asked = run({"echo", "DeviceInfo", topic, "--times", "1", "--timeout", "20",
      "--qos-reliability", "best_effort"}, domain);
  EXPECT_EQ(asked->wait(1), 0) << describe(*asked);

  auto reliable = run({"echo", "DeviceInfo", topic, "--times", "1", "--timeout", "3",
      "--qos-reliability", "reliable"}, domain);
  EXPECT_EQ(reliable->wait(1), 1) << describe(*reliable);
  EXPECT_TRUE(contains(reliable->err(), "its reliability does not match")) << describe(*reliable);

  // A bad option is told at once, not after waiting for a publisher that never comes.
  auto bad = run({"echo", unique("nobody"), "--qos-depth", "0"}, domain, 10);
  EXPECT_EQ(bad->wait(1), 2) << describe(*bad);
  EXPECT_TRUE(contains(bad->err(), "--qos-depth")) << describe(*bad);

  // The camera publishes DeviceInfo transient local: published once, at the start, an
  // echo that joins later still gets it, because it takes the publisher's durability.
  const std::string ns = unique("slow_camera");
  Process node({kCameraNode, "--namespace", ns, "--rate", "0.1",
      "--domain", std::to_string(domain)});
  std::this_thread::sleep_for(std::chrono::seconds(2));
  auto latched = run({"echo", ns + "/device_info", "--times", "1", "--timeout", "6", "--json"},
      domain);
  EXPECT_EQ(latched->wait(1), 0) << describe(*latched);
  EXPECT_TRUE(contains(latched->out(), "Kovel K1 Stereo")) << describe(*latched);

  pub.terminate();
  node.terminate();
  EXPECT_EQ(pub.wait(20), 130) << describe(pub);
  EXPECT_EQ(node.wait(20), 0) << describe(node);
}

// A type whose package has no Fast-CDR C type support (the std_msgs stand-in's String)
// goes through the introspection codec: published, its type taken from the graph by an
// echo given none, and printed.
TEST(Graph, PubAndEchoCarryATypeWithoutAFastCdrTypeSupport)
{
  const uint32_t domain = domain_base() + 61;
  const std::string topic = unique("chatter");
  Process echo({kKovelCdr, "echo", topic, "--times", "2", "--timeout", "40", "--domain",
      std::to_string(domain)});
  auto pub = run({"pub", "std_msgs/msg/String", topic, "{data: hi}", "--times", "2",
      "--rate", "5", "--timeout", "40"}, domain);
  EXPECT_EQ(pub->wait(1), 0) << describe(*pub);
  EXPECT_EQ(echo.wait(40), 0) << describe(echo);
  EXPECT_EQ(echo.out(), "data: hi\n---\ndata: hi\n---\n") << describe(echo);
}

// A service of a package that has only its records and introspection (the std_srvs
// stand-in's Trigger: no Fast-CDR C library at all) is served by a node of our adapter and
// called by kovel_cdr in ros2's order, both sides through the introspection codec.
TEST(Graph, AServiceWithoutAFastCdrTypeSupportIsCalledAndAnswered)
{
  const uint32_t domain = domain_base() + 62;
  const kovel_cdr::ServiceType & trigger = kovel_cdr::find_service_type("std_srvs/srv/Trigger");
  const std::string name = unique("trigger");
  kovel_cdr::dds::Node server_node("server", domain, kovel_cdr::dds::Transport::udp);
  kovel_cdr::dds::ServiceServer & server = server_node.create_service(trigger, name);
  std::atomic<bool> stop{false};
  std::thread answering([&] {
      for (int pass = 0; pass < 600 && !stop.load(); ++pass) {
        server_node.activity().wait_until(kovel_cdr::dds::deadline_in(0.1),
          [&] {return server.has_work();});
        server.answer_pending([](const kovel_cdr::Record &, kovel_cdr::Record & reply) {
            kovel_cdr::record_from_json(reply.type(),
              json{{"success", true}, {"message", "triggered"}}, reply.data());
          });
      }
    });
  auto call = run({"call", name, "std_srvs/srv/Trigger", "--timeout", "40"}, domain);
  stop = true;
  answering.join();
  EXPECT_EQ(call->wait(1), 0) << describe(*call);
  EXPECT_EQ(call->out(), "success: true\nmessage: triggered\n") << describe(*call);
}

}  // namespace
