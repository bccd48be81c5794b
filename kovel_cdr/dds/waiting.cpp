#include "dds/waiting.hpp"

#include <algorithm>

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
  // A signal handler cannot wake a condition variable: the flag it sets is looked at
  // between slices, short enough for a process to end within 0.2 s of a signal.
  constexpr auto kSlice = std::chrono::milliseconds(20);
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
