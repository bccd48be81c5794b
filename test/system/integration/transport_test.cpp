// Messages and service calls between processes through Fast DDS on loopback: kovel_cdr pub
// in one process, kovel_cdr echo in another; kovel_cdr call against kovel_camera_node.
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "dds_support.hpp"
#include "codec/json_codec.hpp"
#include "codec/yaml_codec.hpp"
#include "process.hpp"
#include "codec/record.hpp"
#include "codec/type_catalog.hpp"

namespace
{

using kovel_cdr::MessageType;
using kovel_cdr::Record;
using kovel_test::Process;
using kovel_test::lines_of;
using nlohmann::json;

const std::string kKovelCdr = KOVEL_CDR;
const std::string kCameraNode = KOVEL_CAMERA_NODE;

// Names and domains of this run: the process id keeps concurrent runs on one machine
// (which share the shared memory transport) apart.
std::string unique(const std::string & name)
{
  return "/kovel_it_" + std::to_string(getpid()) + "/" + name;
}

uint32_t domain_base()
{
  return 20 + static_cast<uint32_t>(getpid()) % 150;  // the offsets below stay under 232
}

// The messages of a type to send: test/samples/<Type>.json when it exists, else a small
// message of the type's defaults.
json samples_of(const MessageType & type)
{
  std::ifstream file(std::string(KOVEL_SAMPLES_DIR) + "/" + type.name + ".json");
  if (!file) {
    return json::array({json::object()});
  }
  return json::parse(std::string(std::istreambuf_iterator<char>(file), {}));
}

// How kovel_cdr echo prints a message: one compact JSON object per line.
std::string echoed_form(const MessageType & type, const json & message)
{
  Record record(type);
  kovel_cdr::record_from_json(type, message, record.data());
  return kovel_cdr::record_to_json(type, record.data()).dump();
}

std::unique_ptr<Process> echo(
  const MessageType & type, const std::string & topic, size_t times, uint32_t domain,
  const std::string & transport, double timeout = 30)
{
  return std::make_unique<Process>(std::vector<std::string>{kKovelCdr, "echo", "--json",
      type.name, topic,
      "--times", std::to_string(times), "--timeout", std::to_string(timeout),
      "--domain", std::to_string(domain), "--transport", transport});
}

// Publishes the messages of the file `times` times over.
std::unique_ptr<Process> pub(
  const MessageType & type, const std::string & topic, const std::string & json_file,
  size_t times, uint32_t domain, const std::string & transport)
{
  return std::make_unique<Process>(std::vector<std::string>{kKovelCdr, "pub", type.name, topic,
      json_file, "--times", std::to_string(times), "--rate", "0", "--timeout", "30",
      "--domain", std::to_string(domain), "--transport", transport});
}

// Every message type, each on its own topic and domain, all pairs at once: every sample
// arrives once, in order, equal to what was sent.
void every_type_arrives_equal(const std::string & transport, uint32_t first_domain)
{
  struct Pair
  {
    const MessageType * type;
    std::vector<std::string> expected;
    std::string file;
    std::unique_ptr<Process> echo;
    std::unique_ptr<Process> pub;
  };
  std::vector<Pair> pairs;
  for (const MessageType * type : kovel_cdr::message_types()) {
    Pair pair{type, {}, "", nullptr, nullptr};
    json samples = samples_of(*type);
    for (const json & message : samples) {
      pair.expected.push_back(echoed_form(*type, message));
    }
    pair.file = kovel_test::write_temporary_file(samples.dump());
    pairs.push_back(std::move(pair));
  }
  for (size_t i = 0; i < pairs.size(); ++i) {
    pairs[i].echo = echo(*pairs[i].type, unique(pairs[i].type->name), pairs[i].expected.size(),
        first_domain + static_cast<uint32_t>(i), transport);
  }
  for (size_t i = 0; i < pairs.size(); ++i) {
    pairs[i].pub = pub(*pairs[i].type, unique(pairs[i].type->name), pairs[i].file, 1,
        first_domain + static_cast<uint32_t>(i), transport);
  }
  for (Pair & pair : pairs) {
    SCOPED_TRACE(std::string(pair.type->name) + " over " + transport);
    EXPECT_EQ(pair.pub->wait(60), 0) << describe(*pair.pub);
    EXPECT_EQ(pair.echo->wait(60), 0) << describe(*pair.echo);
    EXPECT_EQ(lines_of(pair.echo->out()), pair.expected);
    kovel_test::remove_file(pair.file);
  }
}

TEST(Topics, EveryTypeArrivesEqualOverSharedMemory)
{
  every_type_arrives_equal("shm", domain_base());
}

TEST(Topics, EveryTypeArrivesEqualOverUdpLoopback)
{
  every_type_arrives_equal("udp", domain_base() + 20);
}

TEST(Topics, OneMebibyteMetadataArrivesWhole)
{
  const MessageType & metadata = kovel_cdr::find_message_type("Metadata");
  std::string text(1024 * 1024, 'x');
  for (size_t i = 0; i < text.size(); i += 4096) {
    text[i] = static_cast<char>('a' + i / 4096 % 26);  // so that a misplaced block shows
  }
  json message = {{"header", {{"stamp", {{"sec", 7}, {"nanosec", 9}}}, {"frame_id", "big"}}},
    {"json_data", text}};
  std::string file = kovel_test::write_temporary_file(json::array({message, message}).dump());
  const std::string expected = echoed_form(metadata, message);
  uint32_t domain = domain_base() + 40;
  for (const std::string transport : {"shm", "udp", "both"}) {
    SCOPED_TRACE("1 MiB over " + transport);
    auto receiver = echo(metadata, unique("big_" + transport), 2, domain, transport);
    auto sender = pub(metadata, unique("big_" + transport), file, 1, domain, transport);
    EXPECT_EQ(sender->wait(60), 0) << describe(*sender);
    EXPECT_EQ(receiver->wait(60), 0) << describe(*receiver);
    std::vector<std::string> lines = lines_of(receiver->out());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[0] == expected && lines[1] == expected);
  }
  kovel_test::remove_file(file);
}

TEST(Topics, BurstOfAThousandLosesNothing)
{
  const MessageType & metadata = kovel_cdr::find_message_type("Metadata");
  json messages = json::array();
  std::vector<std::string> expected;
  for (int i = 0; i < 1000; ++i) {
    json message = {{"header", {{"stamp", {{"sec", i}, {"nanosec", 0}}}, {"frame_id", "burst"}}},
      {"json_data", "{\"frame_number\":" + std::to_string(i) + "}"}};
    expected.push_back(echoed_form(metadata, message));
    messages.push_back(message);
  }
  std::string file = kovel_test::write_temporary_file(messages.dump());
  uint32_t domain = domain_base() + 41;
  auto receiver = echo(metadata, unique("burst"), 1000, domain, "both");
  auto sender = pub(metadata, unique("burst"), file, 1, domain, "both");
  EXPECT_EQ(sender->wait(60), 0) << describe(*sender);
  EXPECT_EQ(receiver->wait(60), 0) << describe(*receiver);
  EXPECT_EQ(lines_of(receiver->out()), expected);
  kovel_test::remove_file(file);
}

// A YAML stream as echo prints it is published whole and in order, --times N the whole
// of it N times; only its first message used to be published.
TEST(Topics, AYamlStreamIsPublishedWholeAndInOrder)
{
  const MessageType & metadata = kovel_cdr::find_message_type("Metadata");
  std::string stream;
  std::vector<std::string> expected;
  for (int i = 1; i <= 5; ++i) {
    const json message = {{"json_data", "message " + std::to_string(i)}};
    Record record = kovel_cdr::make_record(metadata, message);
    stream += kovel_cdr::message_to_yaml(metadata,
        kovel_cdr::record_to_json(metadata, record.data())) + "---\n";
    expected.push_back(echoed_form(metadata, message));
  }
  const std::vector<std::string> once = expected;
  expected.insert(expected.end(), once.begin(), once.end());
  const std::string file = kovel_test::write_temporary_file(stream);
  auto receiver = echo(metadata, unique("stream"), 10, domain_base() + 55, "udp");
  auto sender = pub(metadata, unique("stream"), file, 2, domain_base() + 55, "udp");
  EXPECT_EQ(sender->wait(60), 0) << describe(*sender);
  EXPECT_EQ(lines_of(sender->out()).back(), "publishing #10") << describe(*sender);
  EXPECT_EQ(receiver->wait(60), 0) << describe(*receiver);
  EXPECT_EQ(lines_of(receiver->out()), expected) << describe(*receiver);
  kovel_test::remove_file(file);
}

TEST(Topics, EchoWithoutPublisherTimesOutClearly)
{
  const MessageType & info = kovel_cdr::find_message_type("DeviceInfo");
  auto receiver = echo(info, unique("silent"), 3, domain_base() + 42, "both", 1);
  auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(receiver->wait(30), 1) << describe(*receiver);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
  EXPECT_NE(receiver->err().find("received 0 of 3 messages on '" + unique("silent") +
    "' within 1 s"), std::string::npos) << receiver->err();
}

// ---- Services ----

std::unique_ptr<Process> call(
  const std::string & service, const std::string & name, uint32_t domain, double timeout)
{
  return std::make_unique<Process>(std::vector<std::string>{kKovelCdr, "call", "--json",
      service, name,
      "{}", "--timeout", std::to_string(timeout), "--domain", std::to_string(domain)});
}

json reply_of(Process & process)
{
  EXPECT_EQ(process.wait(60), 0) << describe(process);
  std::vector<std::string> lines = lines_of(process.out());
  EXPECT_EQ(lines.size(), 1u) << describe(process);
  return lines.empty() ? json() : json::parse(lines[0]);
}

TEST(Services, CameraNodeAnswersEveryServiceAndPublishesEveryTopic)
{
  uint32_t domain = domain_base() + 43;
  std::string ns = unique("camera");
  Process node({kCameraNode, "--namespace", ns, "--duration", "60", "--rate", "20",
      "--domain", std::to_string(domain)});

  auto device_info = call("GetDeviceInfo", ns + "/get_device_info", domain, 20);
  auto camera_info = call("GetCameraInfo", ns + "/get_camera_info", domain, 20);
  auto camera_params = call("GetCameraParams", ns + "/get_camera_params", domain, 20);
  auto string = call("GetString", ns + "/get_string", domain, 20);
  std::vector<std::unique_ptr<Process>> echoes;
  for (const char * topic : {"DeviceInfo device_info", "Metadata metadata",
      "Extrinsics extrinsics"})
  {
    std::istringstream words(topic);
    std::string type, name;
    words >> type >> name;
    echoes.push_back(echo(kovel_cdr::find_message_type(type), ns + "/" + name, 3, domain,
      "both", 20));
  }

  json reply = reply_of(*device_info);
  EXPECT_EQ(reply["success"], true);
  EXPECT_EQ(reply["info"]["name"], "Kovel K1 Stereo");
  reply = reply_of(*camera_info);
  EXPECT_EQ(reply["success"], true);
  EXPECT_EQ(reply["info"]["width"], 640);
  EXPECT_EQ(reply["info"]["d"].size(), 5u);
  reply = reply_of(*camera_params);
  EXPECT_EQ(reply["success"], true);
  EXPECT_EQ(reply["l_intr_p"][0], 525.0);
  reply = reply_of(*string);
  EXPECT_EQ(reply["success"], true);
  EXPECT_EQ(json::parse(reply["data"].get<std::string>())["model"], "Kovel K1 Stereo");

  for (auto & receiver : echoes) {
    EXPECT_EQ(receiver->wait(60), 0) << describe(*receiver);
    EXPECT_EQ(lines_of(receiver->out()).size(), 3u) << describe(*receiver);
  }
  // Metadata carries the frame number, one more in each message.
  std::vector<std::string> metadata = lines_of(echoes[1]->out());
  if (metadata.size() == 3) {
    auto frame = [](const std::string & line) {
        return json::parse(json::parse(line)["json_data"].get<std::string>())["frame_number"];
      };
    EXPECT_EQ(frame(metadata[1]), frame(metadata[0]).get<int>() + 1);
    EXPECT_EQ(frame(metadata[2]), frame(metadata[0]).get<int>() + 2);
  }

  node.terminate();
  EXPECT_EQ(node.wait(20), 0) << describe(node);
  EXPECT_NE(node.out().find("answered 1 request on " + ns + "/get_string"), std::string::npos)
    << describe(node);
}

// Every request of a stream gets its reply; a call of another type than the server's is
// told at once, naming both, where it used to wait out its timeout and find no server.
TEST(Services, EveryRequestIsAnsweredAndAnotherTypeIsToldAtOnce)
{
  const uint32_t domain = domain_base() + 60;
  const std::string ns = unique("typed");
  Process node({kCameraNode, "--namespace", ns, "--duration", "60",
      "--domain", std::to_string(domain)});
  Process two({kKovelCdr, "call", "--json", "GetString", ns + "/get_string", "{}\n---\n{}\n",
      "--timeout", "20", "--domain", std::to_string(domain)});
  EXPECT_EQ(two.wait(60), 0) << describe(two);
  std::vector<std::string> replies = lines_of(two.out());
  ASSERT_EQ(replies.size(), 2u) << describe(two);
  for (const std::string & reply : replies) {
    EXPECT_EQ(json::parse(reply)["success"], true) << reply;
  }

  const auto started = std::chrono::steady_clock::now();
  auto wrong = call("GetDeviceInfo", ns + "/get_string", domain, 10);
  EXPECT_EQ(wrong->wait(30), 1) << describe(*wrong);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
  EXPECT_NE(wrong->err().find("service '" + ns + "/get_string' has type "
    "kovel_camera_msgs/srv/GetString, not kovel_camera_msgs/srv/GetDeviceInfo"),
    std::string::npos) << describe(*wrong);
  node.terminate();
  EXPECT_EQ(node.wait(20), 0) << describe(node);
}

TEST(Services, CallWithoutServerTimesOutClearly)
{
  auto caller = call("GetString", unique("nobody"), domain_base() + 44, 1);
  auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(caller->wait(30), 1) << describe(*caller);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
  EXPECT_NE(caller->err().find("no reply from service '" + unique("nobody") + "' within 1 s"),
    std::string::npos) << caller->err();
}

}  // namespace
