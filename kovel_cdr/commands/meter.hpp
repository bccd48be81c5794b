// What hz and bw share: a subscription whose arrivals are reported once a second over a
// window of the last messages.
#ifndef KOVEL_CDR__COMMANDS__METER_HPP_
#define KOVEL_CDR__COMMANDS__METER_HPP_

#include <cstddef>
#include <deque>
#include <functional>

#include "cli/command_line.hpp"

namespace kovel_cdr
{

struct Arrival
{
  double time;  // seconds, when the sample reached the subscription
  size_t bytes;
};

/// Subscribes as echo does, but best effort and volatile unless --qos-* options say
/// otherwise, then calls report(window) once a second with the last --window arrivals,
/// until --timeout or an interruption, and once at the end when --timeout came before the
/// first report. An error when fewer than `least` messages arrived by --timeout.
void meter(
  const Arguments & arguments, const char * command, size_t least,
  const std::function<void(const std::deque<Arrival> &)> & report);

}  // namespace kovel_cdr

#endif  // KOVEL_CDR__COMMANDS__METER_HPP_
