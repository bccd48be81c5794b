#include "cli/standard_streams.hpp"

#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <string>

#include "codec/input_limits.hpp"

namespace kovel_cdr
{

static std::atomic<int> g_signal{0};

extern "C" void kovel_cdr_on_signal(int signal)
{
  int none = 0;
  g_signal.compare_exchange_strong(none, signal);  // the first one is the one reported
}

void stop_on_signals()
{
  // Without SA_RESTART: a system call of the thread that takes the signal ends with EINTR.
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

Interrupted interruption(const std::string & context)
{
  return Interrupted("interrupted by " + signal_name(interrupting_signal()) +
           (context.empty() ? "" : " " + context), kInterruptedExit);
}

bool output_closed()
{
  pollfd output{STDOUT_FILENO, 0, 0};
  return poll(&output, 1, 0) > 0 && (output.revents & POLLERR) != 0;
}

Interrupted closed_output()
{
  return Interrupted("interrupted: standard output was closed", kClosedPipeExit);
}

static bool is_open(int fd)
{
  return fcntl(fd, F_GETFD) != -1 || errno != EBADF;
}

bool standard_streams_open()
{
  const bool output_open = is_open(STDOUT_FILENO);
  for (int fd : {STDIN_FILENO, STDERR_FILENO}) {
    if (!is_open(fd)) {
      int null = open("/dev/null", O_RDWR);
      if (null >= 0 && null != fd) {
        dup2(null, fd);
        close(null);
      }
    }
  }
  return output_open;
}

WriteResult write_output_until(
  const std::string & bytes, const std::function<bool()> & give_up, int slice_ms, int & error)
{
  struct stat status = {};
  const bool file = fstat(STDOUT_FILENO, &status) == 0 &&
    (S_ISREG(status.st_mode) || S_ISBLK(status.st_mode));
  size_t done = 0;
  // Ends when all is written, on a failure, or when give_up() holds: each pass writes or
  // waits at most slice_ms.
  while (done < bytes.size()) {
    if (give_up()) {
      return WriteResult::gave_up;
    }
    pollfd output{STDOUT_FILENO, POLLOUT, 0};
    int ready = poll(&output, 1, slice_ms);
    if (ready < 0 && errno != EINTR) {
      error = errno;
      return WriteResult::failed;
    }
    if (ready <= 0) {
      continue;
    }
    // Once a pipe says it has room, it takes PIPE_BUF bytes without blocking; a file never
    // blocks for long.
    const size_t left = bytes.size() - done;
    ssize_t written = write(STDOUT_FILENO, bytes.data() + done,
        file ? left : std::min<size_t>(left, PIPE_BUF));
    if (written < 0) {
      if (errno == EINTR || errno == EAGAIN) {
        continue;
      }
      error = errno;
      return errno == EPIPE ? WriteResult::closed : WriteResult::failed;
    }
    done += static_cast<size_t>(written);
  }
  return WriteResult::written;
}

void write_output(const std::string & bytes)
{
  int error = 0;
  switch (write_output_until(bytes, interrupted, 20, error)) {
    case WriteResult::written:
      return;
    case WriteResult::closed:
      throw closed_output();
    case WriteResult::gave_up:
      throw interruption("while writing to standard output");
    case WriteResult::failed:
      break;
  }
  throw Error(std::string("cannot write to standard output: ") + std::strerror(error));
}

// All of `fd`, which messages call `what`; a failure names its cause when `with_cause`.
static std::string read_all(int fd, const std::string & what, bool with_cause)
{
  std::string text;
  char buffer[65536];
  int error = 0;
  // Ends at the end of the input, on a failure or when interrupted: each pass reads or
  // waits at most 20 ms.
  while (true) {
    if (interrupted()) {
      throw interruption("while reading " + what);
    }
    pollfd input{fd, POLLIN, 0};
    int ready = poll(&input, 1, 20);
    if (ready < 0 && errno != EINTR) {
      error = errno;
      break;
    }
    if (ready <= 0) {
      continue;
    }
    ssize_t got = read(fd, buffer, sizeof(buffer));
    if (got < 0) {
      if (errno == EINTR || errno == EAGAIN) {
        continue;
      }
      error = errno;
      break;
    }
    if (got == 0) {
      return text;
    }
    if (text.size() + static_cast<size_t>(got) > kMaxInputBytes) {
      throw Error(what + " holds more than " + std::to_string(kMaxInputBytes >> 20) +
              " MiB, the most kovel_cdr reads");
    }
    text.append(buffer, static_cast<size_t>(got));
  }
  throw Error("cannot read " + what + (with_cause ? std::string(": ") + std::strerror(error) : ""));
}

std::string read_standard_input()
{
  return read_all(STDIN_FILENO, "standard input", true);
}

std::string read_file(const std::string & path)
{
  // Opening a FIFO waits for its writer: a signal ends that wait with EINTR.
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (interrupted()) {
      throw interruption("while opening '" + path + "'");
    }
    throw Error("cannot open '" + path + "': " + std::strerror(errno));
  }
  try {
    std::string text = read_all(fd, "'" + path + "'", false);
    close(fd);
    return text;
  } catch (...) {
    close(fd);
    throw;
  }
}

}  // namespace kovel_cdr
