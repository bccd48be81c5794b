// kovel_cdr echo: the messages of a topic printed as `ros2 topic echo` prints them.
#include <cstdio>
#include <string>
#include <vector>

#include "commands/commands.hpp"
#include "commands/dds_command.hpp"
#include "commands/echo_format.hpp"
#include "commands/messages.hpp"
#include "codec/json_codec.hpp"
#include "codec/record.hpp"
#include "dds/ros_names.hpp"

namespace kovel_cdr
{

namespace
{

using dds::Node;


// Echo keeps every message that arrives until it has printed it, at most this many: a
// writer that keeps all then waits for echo, one that keeps the last few goes on.
constexpr int32_t kEchoHistory = 128;
// How long echo stays once it has its messages, for its acknowledgements to go out.
constexpr double kAcknowledgeSeconds = 0.3;

int run_echo(const Arguments & arguments)
{
  TopicArgument topic = topic_argument(arguments.positional);
  const EchoFormat format = echo_format(arguments);
  if (topic.type != nullptr) {
    check_field(format, *topic.type);
  }
  const bool once = arguments.has("once");
  if (once && arguments.values.count("times") > 0) {
    throw UsageError("--once and --times exclude each other");
  }
  bool counted = once || arguments.values.count("times") > 0;
  const uint64_t wanted = once ? 1 : arguments.whole_number("times", 0, 1, 1e12);
  bool timed = arguments.values.count("timeout") > 0;
  double timeout = arguments.number("timeout", 0, 0, 86400);

  auto made = make_node("kovel_cdr_echo", arguments, report_as("echo"));
  Node & node = *made;
  dds::Deadline deadline = timed ? dds::deadline_in(timeout) : dds::Deadline::max();
  dds::Reader & reader = subscribe(node, topic, arguments, dds::keep_all_qos(kEchoHistory),
      deadline, "echo");
  TypeGuard type_guard(node, topic, reader);
  check_field(format, reader.type());
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
          eprosima::fastdds::dds::SampleInfo info;
          std::optional<Record> message = reader.take(&info);
          if (!message) {
            break;
          }
          ++taken;
          std::string line;
          try {
            line = echo_text(format, *message,
                {info.source_timestamp.to_ns(), info.reception_timestamp.to_ns()});
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

}  // namespace

Command echo_command()
{
  static const std::string help = std::string(
    "Prints each message arriving on the ROS 2 topic TOPIC as YAML followed by '---', as\n"
    "ros2 topic echo does, or with --json as JSON Lines (one compact object per message,\n"
    "members in record order). Without TYPE, the type is taken from the topic's\n"
    "publishers once discovery is quiet; more than one type, then or later, is an error.\n"
    "TYPE TOPIC, the older order, is still taken when the second word is not a type;\n"
    "when both could be types, ros2's order wins: the first is the topic.\n"
    "Without --qos-* options, echo takes what the publishers offer: best\n"
    "effort when one of them is, transient local (their kept messages too) when all of\n"
    "them are; it keeps up to 128 messages not yet printed. A publisher whose QoS does not\n"
    "match is reported. A sample that cannot be read is reported on stderr (which, from\n"
    "which writer, why), counted and skipped. Without --once, --times or --timeout, echo\n"
    "runs until interrupted.\n\n"
    "  -1, --once          print one message and exit: --times 1\n"
    "  --times N           stop after N messages (and 0.3 s, for the acknowledgements)\n"
    "  --timeout S         stop after S seconds; an error when fewer than N messages (or,\n"
    "                      without --times, none) arrived\n"
    "  --json              JSON Lines instead of YAML\n") + kEchoFormatOptions + kQosOptions +
    kCommonOptions;
  return {"echo", "TOPIC [TYPE] [-1 | --times N] [--timeout S] [--field FIELD] "
    "[--csv | --flow-style | --json] [--no-arr] [--no-str] [-l N] [-i] [QOS] [--domain D]",
    "print the messages of a topic", help.c_str(),
    1, 2,
    options_with(options_with({"times", "timeout"}, kEchoFormatValues),
      options_with(kCommonOptionNames, dds::kQosOptionNames)),
    options_with(options_with({"json", "once"}, kEchoFormatFlags), kCommonFlagNames),
    run_echo,
    {{"-1", "once"}, {"-l", "truncate-length"}, {"-f", "full-length"},
      {"-i", "include-message-info"}, {"-v", "include-message-info"}}};
}

}  // namespace kovel_cdr
