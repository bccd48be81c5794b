// kovel_cdr pub: messages published on a topic, as `ros2 topic pub` publishes them.
#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "commands/commands.hpp"
#include "commands/dds_command.hpp"
#include "commands/messages.hpp"
#include "codec/input_limits.hpp"
#include "codec/json_codec.hpp"
#include "codec/record.hpp"
#include "dds/ros_names.hpp"

namespace kovel_cdr
{

namespace
{

using dds::Node;


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
  const TypedName typed = typed_name(arguments.positional, [](const std::string & word) {
        find_message_type(word);
      });
  const MessageType & type = find_message_type(arguments.positional[typed.type]);
  const std::string & topic = arguments.positional[typed.name];
  std::vector<Record> messages;
  if (arguments.positional.size() > 2) {
    messages = message_argument(type, arguments.positional[2]);
  } else {
    messages.push_back(make_record(type, nlohmann::json::object()));
  }
  double rate = arguments.number("rate", 1, 0, 1e6);
  // A slower rate's period would not fit the clock's durations.
  if (rate > 0 && rate < kSlowestRate) {
    throw UsageError("--rate: expected 0 or a number from 1e-05 to 1000000, got '" +
            arguments.values.at("rate") + "'");
  }
  const bool once = arguments.has("once");
  if (once && arguments.values.count("times") > 0) {
    throw UsageError("--once and --times exclude each other");
  }
  bool counted = once || arguments.values.count("times") > 0;
  // --times N (--once: 1) publishes the whole sequence N times.
  const uint64_t total =
    (once ? 1 : arguments.whole_number("times", 0, 1, 1e12)) * messages.size();
  // A counted pub always waits for one subscriber: its messages are for someone.
  const uint64_t wanted = std::max<uint64_t>(counted ? 1 : 0,
      arguments.whole_number("wait-matching-subscriptions", 0, 0, 1e6));
  const uint64_t print_every = arguments.whole_number("print", 1, 0, 1e12);
  const double keep_alive = arguments.number("keep-alive", 0, 0, 86400);
  const std::string node_name = arguments.values.count("node-name") > 0 ?
    node_name_option(arguments.values.at("node-name")) : "kovel_cdr_pub";
  double timeout = arguments.number("timeout", 10, 0, 86400);
  const std::string within = " within " + seconds_text(timeout) + " s";
  dds::dds_topic_name(topic);  // a name that can never match is told before any participant

  auto made = make_node(node_name, arguments, report_as("pub"));
  Node & node = *made;
  dds::Writer & writer = node.create_publisher(type, topic, dds::qos_from_options(
        arguments.values, counted ? dds::keep_all_qos(kCountedPubHistory) : dds::topic_qos()));
  const std::string where = "'" + writer.name() + "'";
  std::set<eprosima::fastrtps::rtps::GUID_t> subscribers;
  // Volatile messages sent before a subscriber listens reach no one: wait for the first
  // subscribers, then, counted, until no other appears for a while.
  const dds::Deadline deadline = dds::deadline_in(timeout);
  if (wanted > 0) {
    if (!node.activity().wait_until(deadline,
      [&]() {return writer.matched_readers() >= wanted;}))
    {
      const std::string waited = wanted == 1 ? "a subscriber" : count_of(wanted, "subscriber");
      if (dds::interrupted()) {
        throw dds::interruption("while waiting for " + waited + " on " + where +
                (counted ? "; none of the " + count_of(total, "message") + " was published" : ""));
      }
      if (wanted == 1) {
        throw Error("no subscriber on " + where + within);
      }
      throw Error(std::to_string(writer.matched_readers()) + " of the " + waited +
              " waited for on " + where + within);
    }
    subscribers = writer.matched();
  }
  if (counted) {
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
    if (print_every > 0 && (sent + 1) % print_every == 0) {
      print_line("publishing #" + std::to_string(sent + 1));
    }
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
  if (keep_alive > 0) {
    node.activity().wait_until(dds::deadline_in(keep_alive), []() {return false;});
    if (dds::interrupted()) {
      throw dds::interruption("while staying after publishing " + published);
    }
  }
  return 0;
}

}  // namespace

Command pub_command()
{
  static const std::string help = std::string(
    "Publishes VALUES, a message of type TYPE, on the ROS 2 topic TOPIC (DDS topic\n"
    "rt/TOPIC, type kovel_camera_msgs::msg::dds_::TYPE_), as ros2 topic pub does.\n"
    "Without --times or --once it runs until interrupted, reliably, keeping the last 10\n"
    "messages for the subscribers as ROS 2 does; with them it keeps every message until\n"
    "every subscriber acknowledged it.\n"
    "VALUES is the message as 'kovel_cdr encode' takes it (YAML or JSON, default {}), or\n"
    "several (a list, YAML documents separated by '---', JSON Lines) published in turn;\n"
    "it may also be '-' (standard input) or a file holding it.\n"
    "The older order TYPE TOPIC [VALUES] is still taken when the second word is not a\n"
    "type; when both words could be types, ros2's order wins: the first is the topic.\n"
    "Prints 'publishing #N' for each message (or each -p N-th).\n") + kInputSizeHelp +
    kMessageLimitsHelp + std::string("\n"
    "  -r HZ, --rate HZ    messages per second, 0 or from 1e-05 to 1000000 (default 1;\n"
    "                      0: as fast as possible, with --times as fast as the\n"
    "                      subscribers acknowledge)\n"
    "  -1, --once          publish the message (all of them in turn) once and exit:\n"
    "                      --times 1\n"
    "  -t N, --times N     publish the message (all of them in turn) N times and exit.\n"
    "                      Unlike ros2, which exits after writing them, it first\n"
    "                      waits for a subscriber (at least the -w count) and until\n"
    "                      no other appears for 1 s, then publishes, then waits until\n"
    "                      every subscriber acknowledged them all. A subscriber that\n"
    "                      appears after the first message, or leaves or stops\n"
    "                      answering before it acknowledged them all, is an error: it\n"
    "                      missed some\n"
    "  -w N, --wait-matching-subscriptions N\n"
    "                      wait for N matching subscriptions before publishing (default\n"
    "                      1 with --once or --times, else 0), at most --timeout\n"
    "  -p N, --print N     print only every N-th 'publishing #N' (default 1; 0: none)\n"
    "  --keep-alive S      stay S seconds after the last message (default 0)\n"
    "  -n NAME, --node-name NAME\n"
    "                      the name of the publishing node (default kovel_cdr_pub)\n"
    "  --timeout S         how long to wait for the subscribers, for room to write and\n"
    "                      for the acknowledgements (default 10); running out is an\n"
    "                      error\n") + kQosOptions + kCommonOptions;
  return {"pub", "TOPIC TYPE [VALUES] [-r HZ] [-1 | -t N] [-w N] [-p N] [--keep-alive S] "
    "[-n NAME] [--timeout S] [QOS] [--domain D]",
    "publish a message on a topic", help.c_str(),
    2, 3,
    options_with({"rate", "times", "timeout", "wait-matching-subscriptions", "print",
        "keep-alive", "node-name"}, options_with(kCommonOptionNames, dds::kQosOptionNames)),
    options_with({"once"}, kCommonFlagNames), run_pub,
    {{"-r", "rate"}, {"-1", "once"}, {"-t", "times"}, {"-w", "wait-matching-subscriptions"},
      {"-p", "print"}, {"-n", "node-name"}}};
}

}  // namespace kovel_cdr
