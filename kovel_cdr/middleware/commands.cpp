// kovel_cdr pub, echo and call: kovel_camera_msgs messages and services over a Fast DDS
// participant on loopback, in the habits of `ros2 topic pub`, `ros2 topic echo` and
// `ros2 service call`.
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "command_line.hpp"
#include "json_codec.hpp"
#include "loopback.hpp"
#include "node.hpp"
#include "record.hpp"
#include "type_catalog.hpp"

namespace kovel_cdr
{

namespace
{

using dds::Node;

// ---- What the three commands share ----

const char kCommonOptions[] =
  "  --domain D          DDS domain id (default: ROS_DOMAIN_ID, else 0)\n"
  "  --transport T       shm, udp or both (default both): shared memory, UDP on\n"
  "                      127.0.0.1, or both with discovery over UDP on 127.0.0.1.\n"
  "                      Nothing is ever sent beyond 127.0.0.1.\n";

uint32_t domain_of(const Arguments & arguments)
{
  auto found = arguments.values.find("domain");
  return found == arguments.values.end() ?
         dds::default_domain() : dds::parse_domain(found->second, "--domain");
}

dds::Transport transport_of(const Arguments & arguments)
{
  auto found = arguments.values.find("transport");
  return found == arguments.values.end() ?
         dds::Transport::both : dds::parse_transport(found->second);
}

/// "5" for 5, "0.5" for 0.5: seconds as people write them.
std::string seconds_text(double seconds)
{
  char text[32];
  std::snprintf(text, sizeof(text), "%g", seconds);
  return text;
}

void print_line(const std::string & line)
{
  if (std::fwrite(line.data(), 1, line.size(), stdout) != line.size() ||
    std::fputc('\n', stdout) == EOF || std::fflush(stdout) != 0)
  {
    throw Error("cannot write to standard output");
  }
}

/// A JSON argument: the JSON text itself, "-" for standard input, or else the name of a
/// file that holds it.
nlohmann::json json_argument(const std::string & argument)
{
  size_t first = argument.find_first_not_of(" \t\r\n");
  bool inline_text = first != std::string::npos &&
    (argument[first] == '{' || argument[first] == '[');
  std::string text = inline_text ? argument : read_input({argument}, 0);
  return parse_json(text, "the message");
}

std::string json_line(const Record & record)
{
  return record_to_json(record.type(), record.data()).dump();
}

// ---- pub ----

int run_pub(const Arguments & arguments)
{
  const MessageType & type = find_message_type(arguments.positional[0]);
  const std::string & topic = arguments.positional[1];
  nlohmann::json json = json_argument(arguments.positional[2]);
  std::vector<Record> messages;
  if (json.is_array()) {
    if (json.empty()) {
      throw Error("the array of messages is empty");
    }
    for (const nlohmann::json & message : json) {
      messages.push_back(make_record(type, message));
    }
  } else {
    messages.push_back(make_record(type, json));
  }
  double rate = arguments.number("rate", 1, 0, 1e6);
  bool counted = arguments.values.count("times") > 0;
  double times = arguments.number("times", 0, 1, 1e12);
  double timeout = arguments.number("timeout", 10, 0, 86400);
  if (counted && std::floor(times) != times) {
    throw Error("--times: expected a whole number, got " + arguments.values.at("times"));
  }

  dds::stop_on_signals();
  Node node("kovel_cdr_pub", domain_of(arguments), transport_of(arguments));
  dds::Writer & writer = node.create_publisher(type, topic);
  // A counted run waits for its first subscriber: volatile messages sent before anyone
  // listens reach no one.
  if (counted &&
    !node.activity().wait_until(dds::deadline_in(timeout),
    [&]() {return writer.matched_readers() > 0;}))
  {
    if (dds::interrupted()) {
      return 0;
    }
    throw Error("no subscriber on '" + writer.name() + "' within " + seconds_text(timeout) +
            " s");
  }
  auto period = std::chrono::duration_cast<dds::Clock::duration>(
    std::chrono::duration<double>(rate > 0 ? 1 / rate : 0));
  dds::Deadline next = dds::Clock::now();
  uint64_t total = static_cast<uint64_t>(times);
  for (uint64_t sent = 0; (!counted || sent < total) && !dds::interrupted(); ++sent) {
    writer.write(messages[sent % messages.size()]);
    print_line("publishing #" + std::to_string(sent + 1));
    if (rate > 0 && (!counted || sent + 1 < total)) {
      next += period;
      node.activity().wait_until(next, []() {return false;});
    }
  }
  if (!writer.wait_for_acknowledgments(dds::deadline_in(timeout)) && !dds::interrupted()) {
    throw Error("the subscribers of '" + writer.name() +
            "' did not acknowledge every message within " + seconds_text(timeout) + " s");
  }
  return 0;
}

// ---- echo ----

int run_echo(const Arguments & arguments)
{
  const MessageType & type = find_message_type(arguments.positional[0]);
  const std::string & topic = arguments.positional[1];
  bool counted = arguments.values.count("times") > 0;
  double times = arguments.number("times", 0, 1, 1e12);
  bool timed = arguments.values.count("timeout") > 0;
  double timeout = arguments.number("timeout", 0, 0, 86400);
  if (counted && std::floor(times) != times) {
    throw Error("--times: expected a whole number, got " + arguments.values.at("times"));
  }
  uint64_t wanted = counted ? static_cast<uint64_t>(times) : 0;

  dds::stop_on_signals();
  Node node("kovel_cdr_echo", domain_of(arguments), transport_of(arguments));
  dds::Reader & reader = node.create_subscription(type, topic);
  dds::Deadline deadline = timed ? dds::deadline_in(timeout) : dds::Deadline::max();
  uint64_t received = 0;
  auto done = [&]() {return counted && received >= wanted;};
  // Ends when enough messages came, at the deadline or when interrupted.
  while (!done() && dds::Clock::now() < deadline && !dds::interrupted()) {
    node.activity().wait_until(deadline, [&]() {
        // At most one history's worth per report; the next report brings the rest.
        for (int i = 0; i < 1000; ++i) {
          std::optional<Record> message = reader.take();
          if (!message) {
            break;
          }
          ++received;
          try {
            print_line(json_line(*message));
          } catch (const Error & e) {
            std::fprintf(stderr, "kovel_cdr echo: message %llu: %s\n",
              static_cast<unsigned long long>(received), e.what());  // NOLINT(runtime/int)
          }
          if (done()) {
            return true;
          }
        }
        return false;
      });
  }
  std::string where = "'" + reader.name() + "'";
  if (counted && received < wanted) {
    throw Error("received " + std::to_string(received) + " of " + std::to_string(wanted) +
            " messages on " + where +
            (dds::interrupted() ? " before being interrupted" :
            " within " + seconds_text(timeout) + " s"));
  }
  if (!counted && timed && received == 0 && !dds::interrupted()) {
    throw Error("no message on " + where + " within " + seconds_text(timeout) + " s");
  }
  return 0;
}

// ---- call ----

int run_call(const Arguments & arguments)
{
  const ServiceType & service = find_service_type(arguments.positional[0]);
  const std::string & name = arguments.positional[1];
  nlohmann::json json = arguments.positional.size() > 2 ?
    json_argument(arguments.positional[2]) : nlohmann::json::object();
  Record request = make_record(*service.request, json);
  double timeout = arguments.number("timeout", 5, 0, 86400);

  dds::stop_on_signals();
  Node node("kovel_cdr_call", domain_of(arguments), transport_of(arguments));
  dds::ServiceClient & client = node.create_client(service, name);
  dds::Deadline deadline = dds::deadline_in(timeout);
  std::string within = " within " + seconds_text(timeout) + " s";
  if (!client.wait_for_server(deadline)) {
    throw Error("no reply from service '" + client.name() + "'" + within +
            ": no server of it was found");
  }
  std::optional<Record> reply = client.call(request, deadline);
  if (!reply) {
    throw Error("no reply from service '" + client.name() + "'" + within);
  }
  print_line(json_line(*reply));
  return 0;
}

}  // namespace

std::vector<Command> middleware_commands()
{
  static const std::string pub_help = std::string(
    "Publishes the message on the ROS 2 topic TOPIC (DDS topic rt/TOPIC, type\n"
    "kovel_camera_msgs::msg::dds_::TYPE_), reliably and keeping every message.\n"
    "JSON is the message as 'kovel_cdr encode' takes it, or an array of such messages\n"
    "published in turn; it may also be '-' (standard input) or a file holding the JSON.\n"
    "Prints 'publishing #N' for each message.\n\n"
    "  --rate HZ           messages per second (default 1; 0: as fast as the\n"
    "                      subscribers take them)\n"
    "  --times N           publish N messages, first waiting for a subscriber, then wait\n"
    "                      until the subscribers acknowledged them all (default: publish\n"
    "                      until interrupted)\n"
    "  --timeout S         how long to wait for the first subscriber and for the\n"
    "                      acknowledgements (default 10); running out is an error\n") +
    kCommonOptions;
  static const std::string echo_help = std::string(
    "Prints each message arriving on the ROS 2 topic TOPIC as JSON on one line (JSON\n"
    "Lines: one compact object per message, members in record order). Without --times\n"
    "or --timeout, echo runs until interrupted.\n\n"
    "  --times N           stop after N messages\n"
    "  --timeout S         stop after S seconds; an error when fewer than N messages (or,\n"
    "                      without --times, none) arrived\n") + kCommonOptions;
  static const std::string call_help = std::string(
    "Calls the ROS 2 service NAME (DDS topics rq/NAMERequest and rr/NAMEReply) of type\n"
    "SERVICE (GetDeviceInfo, GetCameraInfo, GetCameraParams or GetString) with the\n"
    "request JSON (default {}), waits for its reply and prints the reply as JSON on one\n"
    "line.\n\n"
    "  --timeout S         how long to wait for a server and its reply (default 5);\n"
    "                      running out is an error\n") + kCommonOptions;
  return {
    {"pub", "TYPE TOPIC JSON [--rate HZ] [--times N] [--timeout S] [--domain D] [--transport T]",
      "publish a message on a topic, over Fast DDS on loopback", pub_help.c_str(),
      3, 3, {"rate", "times", "timeout", "domain", "transport"}, {}, run_pub},
    {"echo", "TYPE TOPIC [--times N] [--timeout S] [--domain D] [--transport T]",
      "print the messages of a topic as JSON lines", echo_help.c_str(),
      2, 2, {"times", "timeout", "domain", "transport"}, {}, run_echo},
    {"call", "SERVICE NAME [JSON] [--timeout S] [--domain D] [--transport T]",
      "call a service and print its reply", call_help.c_str(),
      2, 3, {"timeout", "domain", "transport"}, {}, run_call},
  };
}

}  // namespace kovel_cdr
