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
  const MessageType & type = find_message_type(arguments.positional[0]);
  const std::string & topic = arguments.positional[1];
  const std::vector<Record> messages = message_argument(type, arguments.positional[2]);
  double rate = arguments.number("rate", 1, 0, 1e6);
  // A slower rate's period would not fit the clock's durations.
  if (rate > 0 && rate < kSlowestRate) {
    throw UsageError("--rate: expected 0 or a number from 1e-05 to 1000000, got '" +
            arguments.values.at("rate") + "'");
  }
  bool counted = arguments.values.count("times") > 0;
  // --times N publishes the whole sequence N times.
  const uint64_t total = arguments.whole_number("times", 0, 1, 1e12) * messages.size();
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

}  // namespace

Command pub_command()
{
  static const std::string help = std::string(
    "Publishes the message on the ROS 2 topic TOPIC (DDS topic rt/TOPIC, type\n"
    "kovel_camera_msgs::msg::dds_::TYPE_). Without --times it runs until interrupted,\n"
    "reliably, keeping the last 10 messages for the subscribers as ROS 2 does; with\n"
    "--times it keeps every message until every subscriber acknowledged it.\n"
    "MESSAGE is the message as 'kovel_cdr encode' takes it (YAML or JSON), or several\n"
    "(a list, YAML documents separated by '---', JSON Lines) published in turn; it may\n"
    "also be '-' (standard input) or a file holding it.\n"
    "Prints 'publishing #N' for each message.\n") + kInputSizeHelp +
    kMessageLimitsHelp + std::string("\n"
    "  --rate HZ           messages per second, 0 or from 1e-05 to 1000000 (default 1;\n"
    "                      0: as fast as possible, with --times as fast as the\n"
    "                      subscribers acknowledge)\n"
    "  --times N           publish the message (all of them in turn) N times: first\n"
    "                      wait for a subscriber and until no other appears for 1 s,\n"
    "                      then publish, then wait until every subscriber\n"
    "                      acknowledged them all. A subscriber that appears\n"
    "                      after the first message, or leaves or stops answering before\n"
    "                      it acknowledged them all, is an error: it missed some\n"
    "  --timeout S         how long to wait for the first subscriber, for room to write\n"
    "                      and for the acknowledgements (default 10); running out is an\n"
    "                      error\n") + kQosOptions + kCommonOptions;
  return {"pub", "TYPE TOPIC MESSAGE [--rate HZ] [--times N] [--timeout S] [QOS] [--domain D]",
    "publish a message on a topic", help.c_str(),
    3, 3,
    options_with({"rate", "times", "timeout"}, options_with(kCommonOptionNames, dds::kQosOptionNames)),
    kCommonFlagNames, run_pub};
}

}  // namespace kovel_cdr
