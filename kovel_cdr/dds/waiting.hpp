// Bounded waits and how the processes stop: deadlines, the signals that interrupt every
// wait, and the activity of the middleware's threads that wakes a waiting thread.
#ifndef KOVEL_CDR__DDS__WAITING_HPP_
#define KOVEL_CDR__DDS__WAITING_HPP_

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "cli/command_line.hpp"
#include "cli/standard_streams.hpp"

namespace kovel_cdr
{
namespace dds
{

using Clock = std::chrono::steady_clock;
/// The moment a wait gives up.
using Deadline = Clock::time_point;

/// Now + seconds (at most a day, so that the sum cannot overflow).
Deadline deadline_in(double seconds);

// The signals and the closed output that end every wait (standard_streams.hpp).
using kovel_cdr::stop_on_signals;
using kovel_cdr::interrupted;
using kovel_cdr::interrupting_signal;
using kovel_cdr::signal_name;
using kovel_cdr::kInterruptedExit;
using kovel_cdr::kClosedPipeExit;
using kovel_cdr::output_closed;
using kovel_cdr::closed_output;
using kovel_cdr::interruption;

/// What the middleware's threads report (a match, a message) wakes the threads that wait.
class Activity
{
public:
  void notify();

  /// Waits until ready() holds, the deadline passes or the process is interrupted;
  /// ready() is checked at once, after every report and at least every 20 ms. True when
  /// ready.
  bool wait_until(Deadline deadline, const std::function<bool()> & ready);

private:
  std::mutex mutex_;
  std::condition_variable changed_;
  uint64_t generation_ = 0;
};

}  // namespace dds
}  // namespace kovel_cdr

#endif  // KOVEL_CDR__DDS__WAITING_HPP_
