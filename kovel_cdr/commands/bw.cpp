// kovel_cdr bw: the bandwidth of a topic, as `ros2 topic bw` prints it.
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

Command bw_command()
{
  static const std::string help = std::string(
    "Prints once a second the bandwidth used by TOPIC over the last --window messages:\n"
    "bytes per second (1 KB = 1000 B), and the mean, smallest and largest message, each\n"
    "counted as its DDS payload (the 4-byte header and the serialized message), as ros2\n"
    "topic bw does; 'no new messages' when none came since the last report. TYPE is\n"
    "found as echo finds it; the subscription is best effort and volatile unless --qos-*\n"
    "options say otherwise, as ros2 topic bw's. Runs until --timeout (reporting at the end\n"
    "when it came before the first report) or until interrupted.\n\n"
    "  --timeout S         stop after S seconds; an error when no message came\n"
    "  -w N, --window N    how many of the last messages count (default 10000)\n") +
    kQosOptions + kCommonOptions;
  return {"bw", "TOPIC [TYPE] [--timeout S] [-w N] [QOS] [--domain D]",
    "the bandwidth of a topic", help.c_str(),
    1, 2,
    options_with(options_with({"timeout", "window"}, kCommonOptionNames), dds::kQosOptionNames),
    kCommonFlagNames, run_bw, {{"-w", "window"}}};
}

}  // namespace kovel_cdr
