// kovel_cdr pub, echo and call: kovel_camera_msgs messages and services over a Fast DDS
// participant on loopback, in the habits of `ros2 topic pub`, `ros2 topic echo` and
// `ros2 service call`.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "command_line.hpp"
#include "command_support.hpp"
#include "input_limits.hpp"
#include "json_codec.hpp"
#include "node.hpp"
#include "record.hpp"
#include "ros_names.hpp"
#include "type_catalog.hpp"
#include "yaml_codec.hpp"

namespace kovel_cdr
{

namespace
{

using dds::Node;

// ---- What pub and call share ----

/// A message argument of `type`: the YAML or JSON text itself ('{name: K1}', 'name: K1'),
/// "-" for standard input, or else the name of a file that holds it.
nlohmann::json message_argument(const MessageType & type, const std::string & argument)
{
  size_t first = argument.find_first_not_of(" \t\r\n");
  std::error_code error;
  bool inline_text = first != std::string::npos &&
    (argument[first] == '{' || argument[first] == '[' ||
    (argument.find(':') != std::string::npos && argument != "-" &&
    !std::filesystem::exists(argument, error)));
  std::string text = inline_text ? argument : read_input({argument}, 0);
  return message_from_yaml(type, text, "the message");
}

/// The message as the command prints it: a YAML document followed by "---", as ROS 2 prints
/// messages, or with --json one line of JSON.
std::string message_text(const Record & record, bool json, bool separator)
{
  nlohmann::ordered_json message = record_to_json(record.type(), record.data());
  if (json) {
    return message.dump();
  }
  std::string yaml = message_to_yaml(record.type(), message);
  return separator ? yaml + "---" : yaml.substr(0, yaml.size() - 1);
}

// ---- pub ----

// A counted pub keeps all its messages until every subscriber acknowledged them, at most
// this many at a time (64 MiB of 1 MiB messages).
constexpr int32_t kCountedPubHistory = 64;
// Discovery has settled when the matched subscribers have not changed for this long: a
// participant that starts at the same time as pub is heard of within an announcement
// period (0.5 s), and its reader matches pub's writer shortly after pub matches it.
constexpr double kSettleSeconds = 1.0;
// Messages per second, at least: one every 100000 s.
constexpr double kSlowestRate = 1e-5;
// How long a counted pub waits to learn whether a subscriber that left was dropped: discovery
// tells it just after the reader goes, but on a loaded machine that has taken over 0.5 s.
constexpr double kDropSeconds = 2.0;

/// The subscribers of a counted pub that did not acknowledge all `total` messages, each
/// told by what became of it ("one left after 3"); those still matched are left out, and
/// told as a whole when the wait for their acknowledgements ran out (`timed_out`).
struct Shortfall
{
  size_t count = 0;
  std::string text;

  void add(const std::string & what)
  {
    ++count;
    text += (text.empty() ? "" : ", ") + what;
  }
};

Shortfall shortfall(
  const dds::Node & node, const std::vector<dds::Writer::ReaderProgress> & readers,
  uint64_t total, bool timed_out)
{
  auto acknowledged = [](uint64_t count) {
      return count == 0 ? std::string("none") : std::to_string(count);
    };
  Shortfall known;
  size_t unseen = 0;
  for (const auto & reader : readers) {
    if (reader.acknowledged >= total) {
      continue;
    }
    if (reader.matched) {
      continue;  // told as a whole when the wait for them ran out
    } else if (node.dropped(reader.guid)) {
      known.add("one stopped answering after acknowledging " +
        acknowledged(reader.acknowledged));
    } else if (reader.written_when_left < total) {
      known.add("one left after " + std::to_string(reader.written_when_left));
    } else {
      ++unseen;
    }
  }
  // A subscriber that left after the last message without its acknowledgement being seen:
  // acknowledgements are seen only when every subscriber has acknowledged, so while another
  // holds them up it cannot be told from one that got everything, and is not blamed.
  if (known.count == 0 && !timed_out) {
    for (size_t i = 0; i < unseen; ++i) {
      known.add("one left before acknowledging them all");
    }
  }
  return known;
}

int run_pub(const Arguments & arguments)
{
  const MessageType & type = find_message_type(arguments.positional[0]);
  const std::string & topic = arguments.positional[1];
  nlohmann::json json = message_argument(type, arguments.positional[2]);
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
  // A slower rate's period would not fit the clock's durations.
  if (rate > 0 && rate < kSlowestRate) {
    throw UsageError("--rate: expected 0 or a number from 1e-05 to 1000000, got '" +
            arguments.values.at("rate") + "'");
  }
  bool counted = arguments.values.count("times") > 0;
  const uint64_t total = arguments.whole_number("times", 0, 1, 1e12);
  double timeout = arguments.number("timeout", 10, 0, 86400);
  const std::string within = " within " + seconds_text(timeout) + " s";
  dds::dds_topic_name(topic);  // a name that can never match is told before any participant

  auto made = make_node("kovel_cdr_pub", arguments, report_as("pub"));
  Node & node = *made;
  dds::Writer & writer = node.create_publisher(type, topic, dds::qos_from_options(
        arguments.values, counted ? dds::keep_all_qos(kCountedPubHistory) : dds::topic_qos()));
  const std::string where = "'" + writer.name() + "'";
  std::set<eprosima::fastrtps::rtps::GUID_t> subscribers;
  if (counted) {
    // Volatile messages sent before a subscriber listens reach no one: wait for the first
    // subscriber, then until no other appears for a while.
    const dds::Deadline deadline = dds::deadline_in(timeout);
    if (!node.activity().wait_until(deadline, [&]() {return writer.matched_readers() > 0;})) {
      if (dds::interrupted()) {
        throw dds::interruption("while waiting for a subscriber on " + where + "; none of the " +
                count_of(total, "message") + " was published");
      }
      throw Error("no subscriber on " + where + within);
    }
    subscribers = writer.matched();
    dds::Deadline settled = dds::deadline_in(kSettleSeconds);
    node.activity().wait_until(std::min(deadline, settled), [&]() {
        auto now = writer.matched();
        if (now != subscribers) {
          subscribers = now;
          settled = dds::deadline_in(kSettleSeconds);
        }
        return dds::Clock::now() >= settled;
      });
    if (dds::interrupted()) {
      throw dds::interruption("while waiting for the subscribers on " + where + "; none of the " +
              count_of(total, "message") + " was published");
    }
  }
  auto period = std::chrono::duration_cast<dds::Clock::duration>(
    std::chrono::duration<double>(rate > 0 ? 1 / rate : 0));
  dds::Deadline next = dds::Clock::now();
  uint64_t sent = 0;
  for (; (!counted || sent < total) && !dds::interrupted(); ++sent) {
    eprosima::fastrtps::rtps::WriteParams params;
    writer.write(messages[sent % messages.size()], params, timeout);
    print_line("publishing #" + std::to_string(sent + 1));
    if (rate > 0 && (!counted || sent + 1 < total)) {
      next += period;
      // Notes the acknowledgements on the way, so that a subscriber that leaves early is
      // told with what it got.
      node.activity().wait_until(next, [&]() {
          if (counted) {
            writer.wait_for_acknowledgments(dds::Clock::now());
          }
          return false;
        });
    }
  }
  const std::string published = count_of(sent, "message") +
    (counted ? " of " + std::to_string(total) : "") + " on " + where;
  if (dds::interrupted()) {
    throw dds::interruption("after publishing " + published);
  }
  const bool acknowledged = writer.wait_for_acknowledgments(dds::deadline_in(timeout));
  if (!acknowledged && dds::interrupted()) {
    throw dds::interruption("before the subscribers acknowledged " + published);
  }
  // Fast DDS counts a reader that it cannot reach as acknowledging everything.
  size_t unreachable = 0;
  std::set<eprosima::fastrtps::rtps::GUID_t> readers = writer.matched();
  readers.insert(subscribers.begin(), subscribers.end());
  for (const auto & reader : readers) {
    unreachable += node.unreachable(reader);
  }
  if (unreachable > 0) {
    throw Error(count_of(unreachable, "subscriber") + " of " + where +
            " cannot be reached over --transport " + dds::transport_name(node.transport()));
  }
  if (counted) {
    // Fast DDS also counts a reader that left (or was dropped when it stopped answering)
    // as acknowledging everything: each one is followed here.
    std::vector<dds::Writer::ReaderProgress> progress = writer.readers();
    auto settled = [&]() {
        return std::none_of(progress.begin(), progress.end(),
                 [&](const dds::Writer::ReaderProgress & reader) {
                   return !reader.matched && reader.acknowledged < total &&
                   !node.dropped(reader.guid);
                 });
      };
    // Discovery may tell that a participant was dropped just after its reader went.
    if (!settled()) {
      node.activity().wait_until(dds::deadline_in(kDropSeconds), settled);
    }
    const Shortfall missing = shortfall(node, progress, total, !acknowledged);
    if (missing.count > 0) {
      throw Error(std::to_string(missing.count) + " of " +
              count_of(progress.size(), "subscriber") + " of " + where +
              " did not acknowledge all " + count_of(total, "message") + ": " + missing.text +
              (acknowledged ? "" : "; and the " +
              count_of(writer.matched_readers(), "subscriber") + " still matched did not " +
              "acknowledge every message" + within));
    }
  }
  if (!acknowledged) {
    throw Error("the subscribers of " + where + " did not acknowledge every message" + within +
            " (" + count_of(writer.matched_readers(), "subscriber") + " matched)");
  }
  if (counted) {
    size_t late = 0;
    for (const auto & reader : writer.matched()) {
      late += subscribers.count(reader) == 0;
    }
    if (late > 0) {
      throw Error(count_of(late, "subscriber") + " of " + where + " appeared after the first " +
              "message was published and missed what came before");
    }
  }
  return 0;
}

// ---- echo ----

// Echo keeps every message that arrives until it has printed it, at most this many: a
// writer that keeps all then waits for echo, one that keeps the last few goes on.
constexpr int32_t kEchoHistory = 128;
// How long echo stays once it has its messages, for its acknowledgements to go out.
constexpr double kAcknowledgeSeconds = 0.3;

int run_echo(const Arguments & arguments)
{
  TopicArgument topic = topic_argument(arguments.positional);
  bool counted = arguments.values.count("times") > 0;
  const uint64_t wanted = arguments.whole_number("times", 0, 1, 1e12);
  bool timed = arguments.values.count("timeout") > 0;
  double timeout = arguments.number("timeout", 0, 0, 86400);

  auto made = make_node("kovel_cdr_echo", arguments, report_as("echo"));
  Node & node = *made;
  dds::Deadline deadline = timed ? dds::deadline_in(timeout) : dds::Deadline::max();
  dds::Reader & reader = subscribe(node, topic, arguments, dds::keep_all_qos(kEchoHistory),
      deadline, "echo");
  TypeGuard type_guard(node, topic, reader);
  const bool json = arguments.has("json");
  uint64_t received = 0;  // printed: one that cannot be printed does not count
  uint64_t taken = 0;
  auto done = [&]() {return counted && received >= wanted;};
  // Ends when enough messages came, at the deadline or when interrupted.
  while (!done() && dds::Clock::now() < deadline && !dds::interrupted()) {
    node.activity().wait_until(deadline, [&]() {
        if (dds::output_closed()) {
          throw dds::closed_output();
        }
        type_guard.check();
        // At most one history's worth per report; the next report brings the rest.
        for (int i = 0; i < 1000; ++i) {
          std::optional<Record> message = reader.take();
          if (!message) {
            break;
          }
          ++taken;
          std::string line;
          try {
            line = message_text(*message, json, true);
          } catch (const Error & e) {
            std::fprintf(stderr, "kovel_cdr echo: message %llu: %s\n",
              static_cast<unsigned long long>(taken), e.what());  // NOLINT(runtime/int)
            continue;
          }
          ++received;
          print_line(line);
          if (done()) {
            return true;
          }
        }
        return false;
      });
  }
  if (done()) {
    // A reader acknowledges what it received when the writer next asks, within 0.1 s for
    // kovel_cdr's writers; leaving before that, it would count as having missed the last
    // messages for a counted pub.
    node.activity().wait_until(dds::deadline_in(kAcknowledgeSeconds), []() {return false;});
  }
  std::string where = "'" + reader.name() + "'";
  std::string skipped = reader.unreadable() == 0 ? "" :
    " (and " + count_of(reader.unreadable(), "unreadable sample") + ")";
  if (reader.mismatched() > 0) {
    skipped += " (a publisher's QoS did not match; see above)";
  }
  if (!done() && dds::interrupted()) {
    throw dds::interruption("after " + count_of(received, "message") + " on " + where +
            skipped);
  }
  if (counted && received < wanted) {
    throw Error("received " + std::to_string(received) + " of " + std::to_string(wanted) +
            " messages on " + where + skipped + " within " + seconds_text(timeout) + " s");
  }
  if (!counted && timed && received == 0) {
    throw Error("no message on " + where + skipped + " within " + seconds_text(timeout) + " s");
  }
  if (reader.unreadable() > 0) {
    std::fprintf(stderr, "kovel_cdr echo: %s on %s could not be read\n",
      count_of(reader.unreadable(), "sample").c_str(), where.c_str());
  }
  return 0;
}

// ---- call ----

int run_call(const Arguments & arguments)
{
  const ServiceType & service = find_service_type(arguments.positional[0]);
  const std::string & name = arguments.positional[1];
  nlohmann::json json = arguments.positional.size() > 2 ?
    message_argument(*service.request, arguments.positional[2]) : nlohmann::json::object();
  Record request = make_record(*service.request, json);
  double timeout = arguments.number("timeout", 5, 0, 86400);
  dds::dds_reply_topic_name(name);  // a name that can never match is told before any participant

  auto made = make_node("kovel_cdr_call", arguments, report_as("call"));
  Node & node = *made;
  dds::ServiceClient & client = node.create_client(service, name);
  const std::string where = "service '" + client.name() + "'";
  dds::Deadline deadline = dds::deadline_in(timeout);
  std::string within = " within " + seconds_text(timeout) + " s";
  if (!client.wait_for_server(deadline)) {
    if (dds::interrupted()) {
      throw dds::interruption("while looking for a server of " + where);
    }
    throw Error("no reply from " + where + within + ": no server of it was found");
  }
  std::optional<Record> reply = client.call(request, deadline);
  if (!reply) {
    if (dds::interrupted()) {
      throw dds::interruption("while waiting for the reply of " + where);
    }
    throw Error("no reply from " + where + within);
  }
  print_line(message_text(*reply, arguments.has("json"), false));
  return 0;
}

}  // namespace

std::vector<Command> middleware_commands()
{
  static const std::string pub_help = std::string(
    "Publishes the message on the ROS 2 topic TOPIC (DDS topic rt/TOPIC, type\n"
    "kovel_camera_msgs::msg::dds_::TYPE_). Without --times it runs until interrupted,\n"
    "reliably, keeping the last 10 messages for the subscribers as ROS 2 does; with\n"
    "--times it keeps every message until every subscriber acknowledged it.\n"
    "MESSAGE is the message as 'kovel_cdr encode' takes it (YAML or JSON), or a list of\n"
    "such messages published in turn; it may also be '-' (standard input) or a file\n"
    "holding it.\n"
    "Prints 'publishing #N' for each message.\n") + kInputSizeHelp +
    kMessageLimitsHelp + std::string("\n"
    "  --rate HZ           messages per second, 0 or from 1e-05 to 1000000 (default 1;\n"
    "                      0: as fast as possible, with --times as fast as the\n"
    "                      subscribers acknowledge)\n"
    "  --times N           publish N messages: first wait for a subscriber and until\n"
    "                      no other appears for 1 s, then publish, then wait until every\n"
    "                      subscriber acknowledged them all. A subscriber that appears\n"
    "                      after the first message, or leaves or stops answering before\n"
    "                      it acknowledged them all, is an error: it missed some\n"
    "  --timeout S         how long to wait for the first subscriber, for room to write\n"
    "                      and for the acknowledgements (default 10); running out is an\n"
    "                      error\n") + kQosOptions + kCommonOptions;
  static const std::string echo_help = std::string(
    "Prints each message arriving on the ROS 2 topic TOPIC as YAML followed by '---', as\n"
    "ros2 topic echo does, or with --json as JSON Lines (one compact object per message,\n"
    "members in record order). Without TYPE, the type is taken from the topic's\n"
    "publishers once discovery is quiet; more than one type, then or later, is an error.\n"
    "Without --qos-* options, echo takes what the publishers offer: best\n"
    "effort when one of them is, transient local (their kept messages too) when all of\n"
    "them are; it keeps up to 128 messages not yet printed. A publisher whose QoS does not\n"
    "match is reported. A sample that cannot be read is reported on stderr (which, from\n"
    "which writer, why), counted and skipped. Without --times or --timeout, echo runs\n"
    "until interrupted.\n\n"
    "  --times N           stop after N messages (and 0.3 s, for the acknowledgements)\n"
    "  --timeout S         stop after S seconds; an error when fewer than N messages (or,\n"
    "                      without --times, none) arrived\n"
    "  --json              JSON Lines instead of YAML\n") + kQosOptions + kCommonOptions;
  static const std::string call_help = std::string(
    "Calls the ROS 2 service NAME (DDS topics rq/NAMERequest and rr/NAMEReply) of type\n"
    "SERVICE (GetDeviceInfo, GetCameraInfo, GetCameraParams or GetString) with the\n"
    "request REQUEST (YAML or JSON, default {}), waits for its reply and prints the reply\n"
    "as YAML, or with --json as JSON on one line.\n") + kInputSizeHelp +
    kMessageLimitsHelp + std::string("\n"
    "  --timeout S         how long to wait for a server and its reply (default 5);\n"
    "                      running out is an error\n"
    "  --json              JSON instead of YAML\n") + kCommonOptions;
  const auto common = options_with(kCommonOptionNames, dds::kQosOptionNames);
  std::vector<Command> commands{
    {"pub", "TYPE TOPIC MESSAGE [--rate HZ] [--times N] [--timeout S] [QOS] [--domain D]",
      "publish a message on a topic", pub_help.c_str(),
      3, 3, options_with({"rate", "times", "timeout"}, common), kCommonFlagNames, run_pub},
    {"echo", "[TYPE] TOPIC [--times N] [--timeout S] [--json] [QOS] [--domain D]",
      "print the messages of a topic", echo_help.c_str(),
      1, 2, options_with({"times", "timeout"}, common), options_with({"json"}, kCommonFlagNames),
      run_echo},
    {"call", "SERVICE NAME [REQUEST] [--timeout S] [--json] [--domain D]",
      "call a service and print its reply", call_help.c_str(),
      2, 3, options_with({"timeout"}, kCommonOptionNames),
      options_with({"json"}, kCommonFlagNames), run_call},
  };
  for (Command & command : graph_commands()) {
    commands.push_back(std::move(command));
  }
  return commands;
}

}  // namespace kovel_cdr
