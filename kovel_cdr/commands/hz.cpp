// kovel_cdr hz: the rate of a topic's messages, as `ros2 topic hz` prints it.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>
#include <string>

#include "commands/commands.hpp"
#include "commands/dds_command.hpp"
#include "commands/meter.hpp"

namespace kovel_cdr
{

namespace
{

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

}  // namespace

Command hz_command()
{
  static const std::string help = std::string(
    "Prints once a second the rate at which messages arrive on TOPIC, over the last\n"
    "--window messages: 'average rate: 10.001', then min, max and standard deviation of\n"
    "the gaps and the window, as ros2 topic hz does; 'no new messages' when none came\n"
    "since the last report. TYPE is found as echo finds it; the subscription is best\n"
    "effort and volatile unless --qos-* options say otherwise, as ros2 topic hz's, so\n"
    "that only live messages count. Runs until --timeout (reporting at the end when it\n"
    "came before the first report) or until interrupted.\n\n"
    "  --timeout S         stop after S seconds; an error when fewer than 2 messages came\n"
    "  -w N, --window N    how many of the last messages count (default 10000)\n") +
    kQosOptions + kCommonOptions;
  return {"hz", "TOPIC [TYPE] [--timeout S] [-w N] [QOS] [--domain D]",
    "the rate of a topic's messages", help.c_str(),
    1, 2,
    options_with(options_with({"timeout", "window"}, kCommonOptionNames), dds::kQosOptionNames),
    kCommonFlagNames, run_hz, {{"-w", "window"}}};
}

}  // namespace kovel_cdr
