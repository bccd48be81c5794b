// kovel_cdr list, info, hz and bw: the ROS 2 graph as DDS discovery shows it, and the rate
// and bandwidth of a topic, in the habits of `ros2 topic list -t`, `ros2 topic info -v`,
// `ros2 topic hz` and `ros2 topic bw`.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>
#include <map>
#include <functional>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "command_support.hpp"
#include "payload.hpp"
#include "ros_names.hpp"
#include "waiting.hpp"

namespace kovel_cdr
{
namespace
{

using dds::RemoteEndpoint;

// How long list and info listen to discovery at most by default: on loopback every
// participant is heard of within one announcement period (0.5 s), its endpoints right after.
constexpr double kDiscoverySeconds = 2;
// Once something is found, how long discovery must stay quiet for the graph to be taken as
// complete: a participant's endpoints follow it within milliseconds on loopback, and
// participants that start together are heard of within one announcement period.
constexpr double kSettleSeconds = 0.5;

/// Listens to discovery until it has found something and then been quiet for
/// kSettleSeconds, or for --timeout seconds, and gives what it found.
std::vector<RemoteEndpoint> discover(const Arguments & arguments, const char * command)
{
  double timeout = arguments.number("timeout", kDiscoverySeconds, 0, 86400);
  auto node = make_node(std::string("kovel_cdr_") + command, arguments, report_as(command));
  uint64_t seen = 0;
  dds::Deadline quiet_at = dds::Deadline::max();
  node->activity().wait_until(dds::deadline_in(timeout), [&]() {
      const uint64_t changes = node->graph_changes();
      if (changes != seen) {
        seen = changes;
        quiet_at = dds::deadline_in(kSettleSeconds);
      }
      return seen > 0 && dds::Clock::now() >= quiet_at;
    });
  if (dds::interrupted()) {
    throw dds::interruption("while listening to discovery");
  }
  return node->remote_endpoints();
}

std::string joined(const std::set<std::string> & words)
{
  std::string text;
  for (const std::string & word : words) {
    text += (text.empty() ? "" : ", ") + word;
  }
  return text;
}

// ---- list ----

int run_list(const Arguments & arguments)
{
  std::map<std::string, std::set<std::string>> topics, services;
  for (const RemoteEndpoint & endpoint : discover(arguments, "list")) {
    dds::RosTopic ros = dds::ros_topic(endpoint.dds_topic);
    if (ros.kind == dds::RosTopic::topic) {
      topics[ros.name].insert(dds::ros_type(endpoint.dds_type));
    } else if (ros.kind != dds::RosTopic::none) {
      services[ros.name].insert(dds::ros_service_type(endpoint.dds_type));
    }
  }
  // Neither flag, or both: everything.
  const bool some = arguments.has("topics") != arguments.has("services");
  for (const auto & [names, wanted] : {std::make_pair(&topics, !some || arguments.has("topics")),
      std::make_pair(&services, !some || arguments.has("services"))})
  {
    for (const auto & [name, types] : *names) {
      if (wanted) {
        print_line(name + " [" + joined(types) + "]");
      }
    }
  }
  return 0;
}

// ---- info ----

std::string endpoint_text(const RemoteEndpoint & endpoint, const char * kind)
{
  std::ostringstream guid;
  guid << endpoint.guid;
  return std::string("Endpoint type: ") + kind + "\nGID: " + guid.str() +
         "\nQoS profile:\n  Reliability: " + (endpoint.best_effort ? "BEST_EFFORT" : "RELIABLE") +
         "\n  Durability: " + (endpoint.transient_local ? "TRANSIENT_LOCAL" : "VOLATILE") +
         "\n  History (Depth): UNKNOWN (discovery does not tell it)\n";
}

int run_info(const Arguments & arguments)
{
  const std::string name = dds::fully_qualified_name(arguments.positional[0]);
  std::vector<RemoteEndpoint> readers, writers;
  std::set<std::string> types;
  bool service = false;
  for (const RemoteEndpoint & endpoint : discover(arguments, "info")) {
    dds::RosTopic ros = dds::ros_topic(endpoint.dds_topic);
    if (ros.name != name || ros.kind == dds::RosTopic::none) {
      continue;
    }
    // A service is counted by its requests: servers read them, clients write them.
    service = ros.kind != dds::RosTopic::topic;
    if (ros.kind == dds::RosTopic::reply) {
      continue;
    }
    types.insert(service ? dds::ros_service_type(endpoint.dds_type) :
      dds::ros_type(endpoint.dds_type));
    (endpoint.reader ? readers : writers).push_back(endpoint);
  }
  if (types.empty()) {
    throw Error("no topic or service '" + name + "' was found within " +
            seconds_text(arguments.number("timeout", kDiscoverySeconds, 0, 86400)) + " s");
  }
  std::string text = "Type: " + joined(types) + "\n" +
    (service ? "Server count: " : "Publisher count: ") + std::to_string(
    service ? readers.size() : writers.size()) + "\n" +
    (service ? "Client count: " : "Subscription count: ") + std::to_string(
    service ? writers.size() : readers.size()) + "\n";
  for (const RemoteEndpoint & writer : writers) {
    text += "\n" + endpoint_text(writer, service ? "CLIENT" : "PUBLISHER");
  }
  for (const RemoteEndpoint & reader : readers) {
    text += "\n" + endpoint_text(reader, service ? "SERVER" : "SUBSCRIPTION");
  }
  text.pop_back();
  print_line(text);
  return 0;
}

// ---- hz and bw ----

// hz and bw keep every message that arrives until they have counted it, at most this many.
constexpr int32_t kMeterHistory = 128;

struct Arrival
{
  double time;  // seconds, when the sample reached the subscription
  size_t bytes;
};

/// Subscribes as echo does, then calls report(window) once a second with the last
/// --window arrivals, until --timeout or an interruption. An error when fewer than
/// `least` messages arrived by --timeout.
void meter(
  const Arguments & arguments, const char * command, size_t least,
  const std::function<void(const std::deque<Arrival> &)> & report)
{
  TopicArgument topic = topic_argument(arguments.positional);
  bool timed = arguments.values.count("timeout") > 0;
  double timeout = arguments.number("timeout", 0, 0, 86400);
  const uint64_t window = arguments.whole_number("window", 10000, 2, 1e7);
  auto node = make_node(std::string("kovel_cdr_") + command, arguments, report_as(command));
  dds::Deadline deadline = timed ? dds::deadline_in(timeout) : dds::Deadline::max();
  dds::Reader & reader = subscribe(*node, topic, arguments, dds::keep_all_qos(kMeterHistory),
      deadline, command);
  TypeGuard type_guard(*node, topic, reader);
  const Codec & codec = reader.type().codec();
  std::deque<Arrival> arrivals;
  uint64_t received = 0;
  // How many had arrived at the last report: a report with none since says so, as ros2 topic
  // hz does, rather than repeat the window of a topic that went quiet.
  uint64_t reported = 0;
  dds::Deadline next_report = dds::deadline_in(1);
  while (dds::Clock::now() < deadline && !dds::interrupted()) {
    node->activity().wait_until(std::min(deadline, next_report), [&]() {
        type_guard.check();
        for (int i = 0; i < 1000; ++i) {
          // The time of reception, not of the take: a take may come late and take several.
          eprosima::fastdds::dds::SampleInfo info;
          std::optional<Record> message = reader.take(&info);
          if (!message) {
            break;
          }
          ++received;
          arrivals.push_back({info.reception_timestamp.to_ns() * 1e-9,
              static_cast<size_t>(payload_size(codec, message->data()))});
          if (arrivals.size() > window) {
            arrivals.pop_front();
          }
        }
        return false;
      });
    if (dds::Clock::now() >= next_report) {
      next_report += std::chrono::seconds(1);
      if (reported > 0 && received == reported) {
        print_line("no new messages");
      } else if (arrivals.size() >= least) {
        report(arrivals);
        reported = received;
      }
    }
  }
  const std::string where = "'" + reader.name() + "'";
  if (dds::interrupted()) {
    throw dds::interruption("after " + count_of(received, "message") + " on " + where);
  }
  if (received < least) {
    throw Error(count_of(received, "message") + " on " + where + " within " +
            seconds_text(timeout) + " s; " + command + " needs " + std::to_string(least));
  }
}

int run_hz(const Arguments & arguments)
{
  meter(arguments, "hz", 2, [](const std::deque<Arrival> & arrivals) {
      double sum = 0, low = INFINITY, high = 0;
      for (size_t i = 1; i < arrivals.size(); ++i) {
        double gap = arrivals[i].time - arrivals[i - 1].time;
        sum += gap;
        low = std::min(low, gap);
        high = std::max(high, gap);
      }
      const double count = static_cast<double>(arrivals.size() - 1);
      const double mean = sum / count;
      double squares = 0;
      for (size_t i = 1; i < arrivals.size(); ++i) {
        double gap = arrivals[i].time - arrivals[i - 1].time;
        squares += (gap - mean) * (gap - mean);
      }
      char text[200];
      std::snprintf(text, sizeof(text),
        "average rate: %.3f\n\tmin: %.3fs max: %.3fs std dev: %.5fs window: %zu",
        mean > 0 ? 1 / mean : 0.0, low, high, std::sqrt(squares / count), arrivals.size());
      print_line(text);
    });
  return 0;
}

/// "1.33 KB", "512 B": sizes as ros2 topic bw prints them (1 KB = 1000 B).
std::string bytes_text(double bytes)
{
  const char * unit = "B";
  for (const char * larger : {"KB", "MB", "GB"}) {
    if (bytes < 1000) {
      break;
    }
    bytes /= 1000;
    unit = larger;
  }
  char text[32];
  std::snprintf(text, sizeof(text), *unit == 'B' ? "%.0f %s" : "%.2f %s", bytes, unit);
  return text;
}

int run_bw(const Arguments & arguments)
{
  meter(arguments, "bw", 1, [](const std::deque<Arrival> & arrivals) {
      double total = 0, low = INFINITY, high = 0;
      for (const Arrival & arrival : arrivals) {
        total += static_cast<double>(arrival.bytes);
        low = std::min(low, static_cast<double>(arrival.bytes));
        high = std::max(high, static_cast<double>(arrival.bytes));
      }
      // Over the time from the window's first message to its last, at least a second.
      double span = std::max(1.0, arrivals.back().time - arrivals.front().time);
      print_line("average: " + bytes_text(total / span) + "/s\n\tmean: " +
        bytes_text(total / static_cast<double>(arrivals.size())) + " min: " + bytes_text(low) +
        " max: " + bytes_text(high) + " window: " + std::to_string(arrivals.size()));
    });
  return 0;
}

}  // namespace

std::vector<Command> graph_commands()
{
  static const std::string list_help = std::string(
    "Listens to DDS discovery until it is quiet for 0.5 s after finding something, or for\n"
    "--timeout seconds, then prints every ROS 2 topic as\n"
    "'TOPIC [TYPE]' and every service as 'SERVICE [TYPE]', one per line, sorted, topics\n"
    "first. DDS names are mapped back to ROS 2's: rt/camera/metadata is /camera/metadata,\n"
    "kovel_camera_msgs::msg::dds_::Metadata_ is kovel_camera_msgs/msg/Metadata, and\n"
    "rq/NAMERequest with rr/NAMEReply is the service NAME.\n\n"
    "  --timeout S         how long to listen at most (default 2)\n"
    "  --topics            topics (with --services, both)\n"
    "  --services          services (with --topics, both)\n") + kCommonOptions;
  static const std::string info_help = std::string(
    "Listens to DDS discovery as list does, then prints the type of the topic\n"
    "NAME, how many publishers and subscriptions it has, and each one's reliability and\n"
    "durability (discovery does not tell the history). For a service, its type and how\n"
    "many servers and clients it has.\n\n"
    "  --timeout S         how long to listen at most (default 2)\n") + kCommonOptions;
  static const std::string hz_help = std::string(
    "Prints once a second the rate at which messages arrive on TOPIC, over the last\n"
    "--window messages: 'average rate: 10.001', then min, max and standard deviation of\n"
    "the gaps and the window, as ros2 topic hz does; 'no new messages' when none came\n"
    "since the last report. TYPE and the QoS are found as echo finds them. Runs until\n"
    "--timeout or until interrupted.\n\n"
    "  --timeout S         stop after S seconds; an error when fewer than 2 messages came\n"
    "  --window N          how many of the last messages count (default 10000)\n") +
    kQosOptions + kCommonOptions;
  static const std::string bw_help = std::string(
    "Prints once a second the bandwidth used by TOPIC over the last --window messages:\n"
    "bytes per second (1 KB = 1000 B), and the mean, smallest and largest message, each\n"
    "counted as its DDS payload (the 4-byte header and the serialized message), as ros2\n"
    "topic bw does; 'no new messages' when none came since the last report. TYPE and the\n"
    "QoS are found as echo finds them. Runs until --timeout or until interrupted.\n\n"
    "  --timeout S         stop after S seconds; an error when no message came\n"
    "  --window N          how many of the last messages count (default 10000)\n") +
    kQosOptions + kCommonOptions;
  const auto listening = options_with({"timeout"}, kCommonOptionNames);
  const auto metered = options_with(options_with({"timeout", "window"}, kCommonOptionNames),
      dds::kQosOptionNames);
  return {
    {"list", "[--timeout S] [--topics] [--services] [--domain D]",
      "list the topics and services of the graph", list_help.c_str(),
      0, 0, listening, options_with({"topics", "services"}, kCommonFlagNames), run_list},
    {"info", "NAME [--timeout S] [--domain D]",
      "a topic's type, publishers and subscriptions with their QoS", info_help.c_str(),
      1, 1, listening, kCommonFlagNames, run_info},
    {"hz", "[TYPE] TOPIC [--timeout S] [--window N] [QOS] [--domain D]",
      "the rate of a topic's messages", hz_help.c_str(),
      1, 2, metered, kCommonFlagNames, run_hz},
    {"bw", "[TYPE] TOPIC [--timeout S] [--window N] [QOS] [--domain D]",
      "the bandwidth of a topic", bw_help.c_str(),
      1, 2, metered, kCommonFlagNames, run_bw},
  };
}

}  // namespace kovel_cdr
