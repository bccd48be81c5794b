// Bounded waits and how the processes stop: deadlines, the signals that interrupt every
// wait, and the activity of the middleware's threads that wakes a waiting thread.
#ifndef KOVEL_CDR__MIDDLEWARE__WAITING_HPP_
#define KOVEL_CDR__MIDDLEWARE__WAITING_HPP_

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "command_line.hpp"

namespace kovel_cdr
{
namespace dds
{

using Clock = std::chrono::steady_clock;
/// The moment a wait gives up.
using Deadline = Clock::time_point;

/// Now + seconds (at most a day, so that the sum cannot overflow).
Deadline deadline_in(double seconds);

/// Makes SIGINT, SIGTERM and SIGHUP end every wait of this process early (interrupted()
/// turns true), so that a command stops cleanly and deletes its entities, shared memory
/// included. SIGPIPE is ignored: a write to a closed pipe fails with EPIPE instead, and the
/// writer decides.
void stop_on_signals();
bool interrupted();
/// The signal that interrupted the process (0 when none).
int interrupting_signal();
/// "SIGINT", "SIGTERM", "SIGHUP", or "signal N".
std::string signal_name(int signal);

/// The exit status of a process interrupted by a signal (130) or whose output pipe closed
/// (141), as shells report them.
constexpr int kInterruptedExit = 130;
constexpr int kClosedPipeExit = 141;

/// Whether standard output is a pipe whose reading end has closed, found without writing.
bool output_closed();

/// "interrupted by SIGINT <context>", to be thrown when interrupted() turned true.
Interrupted interruption(const std::string & context);

/// What the middleware's threads report (a match, a message) wakes the threads that wait.
class Activity
{
public:
  void notify();

  /// Waits until ready() holds, the deadline passes or the process is interrupted;
  /// ready() is checked at once, after every report and at least every 100 ms. True when
  /// ready.
  bool wait_until(Deadline deadline, const std::function<bool()> & ready);

private:
  std::mutex mutex_;
  std::condition_variable changed_;
  uint64_t generation_ = 0;
};

}  // namespace dds
}  // namespace kovel_cdr

#endif  // KOVEL_CDR__MIDDLEWARE__WAITING_HPP_
