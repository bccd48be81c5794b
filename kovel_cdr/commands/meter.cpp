#include "commands/meter.hpp"

#include <algorithm>
#include <string>

#include "codec/payload.hpp"
#include "commands/dds_command.hpp"
#include "dds/waiting.hpp"

namespace kovel_cdr
{

// hz and bw keep every message that arrives until they have counted it, at most this many.
constexpr int32_t kMeterHistory = 128;

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
  // Best effort and volatile unless asked otherwise, as ros2 topic hz and bw subscribe, so
  // that every message counts when it comes live. A reliable subscription also gets, as it
  // joins, the messages that the writer sent before the subscription matched it, repaired a
  // heartbeat later and several at once, and a transient local one the writer's kept
  // messages, all at once: either made the first report a burst.
  dds::Qos live = dds::keep_all_qos(kMeterHistory);
  live.best_effort = true;
  dds::Reader & reader = subscribe(*node, topic, arguments, live, deadline, command, false);
  TypeGuard type_guard(*node, topic, reader);
  const Codec & codec = reader.type().codec();
  std::deque<Arrival> arrivals;
  uint64_t received = 0;
  // How many had arrived at the last report: a report with none since says so, as ros2 topic
  // hz does, rather than repeat the window of a topic that went quiet.
  uint64_t reported = 0;
  bool any_report = false;
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
        any_report = true;
      }
    }
  }
  const std::string where = "'" + reader.name() + "'";
  if (dds::interrupted()) {
    throw dds::interruption("after " + count_of(received, "message") + " on " + where);
  }
  // A timeout shorter than the first report still tells what it measured.
  if (!any_report && arrivals.size() >= least) {
    report(arrivals);
  }
  if (received < least) {
    throw Error(count_of(received, "message") + " on " + where + " within " +
            seconds_text(timeout) + " s; " + command + " needs " + std::to_string(least));
  }
}

}  // namespace kovel_cdr
