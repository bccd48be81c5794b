#include "waiting.hpp"

#include <algorithm>
#include <atomic>
#include <csignal>

#include <poll.h>
#include <unistd.h>

namespace kovel_cdr
{
namespace dds
{

Deadline deadline_in(double seconds)
{
  seconds = std::max(0.0, std::min(seconds, 86400.0));
  return Clock::now() + std::chrono::duration_cast<Clock::duration>(
    std::chrono::duration<double>(seconds));
}

static std::atomic<int> g_signal{0};

extern "C" void kovel_cdr_on_signal(int signal)
{
  int none = 0;
  g_signal.compare_exchange_strong(none, signal);  // the first one is the one reported
}

void stop_on_signals()
{
  struct sigaction action = {};
  action.sa_handler = kovel_cdr_on_signal;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    sigaction(signal, &action, nullptr);
  }
  std::signal(SIGPIPE, SIG_IGN);
}

bool interrupted()
{
  return g_signal.load() != 0;
}

int interrupting_signal()
{
  return g_signal.load();
}

std::string signal_name(int signal)
{
  switch (signal) {
    case SIGINT:
      return "SIGINT";
    case SIGTERM:
      return "SIGTERM";
    case SIGHUP:
      return "SIGHUP";
    case SIGPIPE:
      return "SIGPIPE";
    default:
      return "signal " + std::to_string(signal);
  }
}

bool output_closed()
{
  pollfd output{STDOUT_FILENO, 0, 0};
  return poll(&output, 1, 0) > 0 && (output.revents & POLLERR) != 0;
}

Interrupted interruption(const std::string & context)
{
  return Interrupted("interrupted by " + signal_name(interrupting_signal()) +
           (context.empty() ? "" : " " + context), kInterruptedExit);
}

void Activity::notify()
{
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++generation_;
  }
  changed_.notify_all();
}

bool Activity::wait_until(Deadline deadline, const std::function<bool()> & ready)
{
  constexpr auto kSlice = std::chrono::milliseconds(100);
  std::unique_lock<std::mutex> lock(mutex_);
  // Ends by the deadline: every pass either returns or waits, and the waits end at the
  // deadline.
  while (true) {
    uint64_t seen = generation_;
    lock.unlock();
    bool done = ready();
    lock.lock();
    if (done) {
      return true;
    }
    Deadline now = Clock::now();
    if (now >= deadline || interrupted()) {
      return false;
    }
    changed_.wait_until(lock, std::min(deadline, now + kSlice),
      [&]() {return generation_ != seen;});
  }
}

}  // namespace dds
}  // namespace kovel_cdr
