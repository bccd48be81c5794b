#include "command_line.hpp"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <nlohmann/json.hpp>

#include "error.hpp"
#include "input_limits.hpp"

namespace kovel_cdr
{

double parse_number(const std::string & what, const std::string & text, double low, double high)
{
  size_t used = 0;
  double value = 0;
  try {
    value = std::stod(text, &used);
  } catch (const std::exception &) {
    used = 0;
  }
  if (used != text.size() || !(value >= low && value <= high)) {
    throw Error(what + ": expected a number from " + nlohmann::json(low).dump() + " to " +
            nlohmann::json(high).dump() + ", got '" + text + "'");
  }
  return value;
}

Arguments parse_arguments(
  const std::string & program, const Command & command, const std::vector<std::string> & words)
{
  Arguments arguments;
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string & word = words[i];
    if (word.size() > 2 && word.compare(0, 2, "--") == 0) {
      std::string name = word.substr(2);
      if (command.flag_options.count(name)) {
        arguments.flags.insert(name);
      } else if (command.value_options.count(name)) {
        if (i + 1 >= words.size()) {
          throw Error(word + " needs a value");
        }
        arguments.values[name] = words[++i];
      } else {
        throw Error("unknown option " + word);
      }
    } else {
      arguments.positional.push_back(word);
    }
  }
  if (arguments.positional.size() < command.min_positional ||
    arguments.positional.size() > command.max_positional)
  {
    throw Error("usage: " + program + " " + command.usage);
  }
  return arguments;
}

int run_command(
  const std::string & program, const Command & command, const std::vector<std::string> & words,
  const char * epilogue)
{
  for (const std::string & word : words) {
    if (word == "--help" || word == "-h") {
      std::printf("usage: %s %s\n\n%s\n%s", program.c_str(), command.usage, command.help,
        epilogue);
      return 0;
    }
  }
  Arguments arguments;
  try {
    arguments = parse_arguments(program, command, words);
  } catch (const Error & e) {
    std::fprintf(stderr, "%s: %s\n", program.c_str(), e.what());
    return 2;
  }
  try {
    return command.run(arguments);
  } catch (const Interrupted & e) {
    // Interrupted by a signal or a closed output: 130 or 141, as shells report them.
    std::fprintf(stderr, "%s: %s\n", program.c_str(), e.what());
    return e.exit_code();
  } catch (const std::bad_alloc &) {
    std::fprintf(stderr, "%s: out of memory\n", program.c_str());
  } catch (const std::exception & e) {
    // Anything else still ends as one line and a failing exit, never an abort.
    std::fprintf(stderr, "%s: %s\n", program.c_str(), e.what());
  }
  return 1;
}

double Arguments::number(const std::string & option, double fallback, double low, double high)
const
{
  auto found = values.find(option);
  return found == values.end() ? fallback : parse_number("--" + option, found->second, low, high);
}

// The signal that interrupted reading input, 0 when none.
static volatile sig_atomic_t g_input_signal = 0;

extern "C" void kovel_cdr_on_input_signal(int signal)
{
  if (g_input_signal == 0) {
    g_input_signal = signal;
  }
}

// While it lives, SIGINT, SIGTERM and SIGHUP are blocked except while it waits for input,
// which they interrupt as they do the DDS commands' waits; the handlers and mask that were
// there before come back afterwards.
class InputSignals
{
public:
  InputSignals()
  {
    struct sigaction action = {};
    action.sa_handler = kovel_cdr_on_input_signal;
    sigemptyset(&action.sa_mask);
    sigset_t blocked;
    sigemptyset(&blocked);
    for (size_t i = 0; i < 3; ++i) {
      sigaction(kSignals[i], &action, &previous_[i]);
      sigaddset(&blocked, kSignals[i]);
    }
    pthread_sigmask(SIG_BLOCK, &blocked, &original_);
    unblocked_ = original_;
    for (int signal : kSignals) {
      sigdelset(&unblocked_, signal);
    }
  }
  ~InputSignals()
  {
    // The handlers first: a signal still pending meets them when the mask lifts.
    for (size_t i = 0; i < 3; ++i) {
      sigaction(kSignals[i], &previous_[i], nullptr);
    }
    pthread_sigmask(SIG_SETMASK, &original_, nullptr);
  }
  InputSignals(const InputSignals &) = delete;
  InputSignals & operator=(const InputSignals &) = delete;

  /// Waits until `fd` can be read; throws Interrupted when a signal came first.
  void wait(int fd, const std::string & where)
  {
    pollfd ready{fd, POLLIN, 0};
    while (g_input_signal == 0 && ppoll(&ready, 1, nullptr, &unblocked_) < 0 && errno == EINTR) {
    }
    check(where);
  }

  /// Opens `path` for reading, which waits for a writer when it is a FIFO; -1 with errno
  /// when it cannot, Interrupted when a signal came first.
  int open_file(const std::string & path, const std::string & where)
  {
    int fd = -1;
    do {
      check(where);
      // A signal between the check and open() is seen only when the open ends.
      pthread_sigmask(SIG_SETMASK, &unblocked_, &blocked_);
      fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
      const int error = errno;
      pthread_sigmask(SIG_SETMASK, &blocked_, nullptr);
      errno = error;
    } while (fd < 0 && errno == EINTR);
    return fd;
  }

private:
  void check(const std::string & where)
  {
    if (g_input_signal != 0) {
      const int signal = g_input_signal;
      const char * name = sigabbrev_np(signal);
      throw Interrupted("interrupted by " +
              (name != nullptr ? "SIG" + std::string(name) : "signal " + std::to_string(signal)) +
              " while reading " + where, 130);
    }
  }

  static constexpr int kSignals[3] = {SIGINT, SIGTERM, SIGHUP};
  struct sigaction previous_[3];
  sigset_t original_;
  sigset_t unblocked_;
  sigset_t blocked_;
};

// All of `fd`, up to kMaxInputBytes.
static std::string read_all(InputSignals & signals, int fd, const std::string & where)
{
  std::string content;
  char chunk[65536];
  while (true) {
    signals.wait(fd, where);
    const ssize_t got = read(fd, chunk, sizeof(chunk));
    if (got == 0) {
      return content;
    }
    if (got < 0) {
      if (errno == EINTR || errno == EAGAIN) {
        continue;
      }
      throw Error("cannot read " + where + ": " + std::strerror(errno));
    }
    if (content.size() + static_cast<size_t>(got) > kMaxInputBytes) {
      throw Error(where + " holds more than " + std::to_string(kMaxInputBytes >> 20) +
              " MiB, the most kovel_cdr reads");
    }
    content.append(chunk, static_cast<size_t>(got));
  }
}

std::string read_input(const std::vector<std::string> & positional, size_t file_index)
{
  InputSignals signals;
  if (positional.size() <= file_index || positional[file_index] == "-") {
    return read_all(signals, STDIN_FILENO, "standard input");
  }
  const std::string & path = positional[file_index];
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) {
    throw Error("cannot read '" + path + "': it is a directory");
  }
  const std::string where = "'" + path + "'";
  const int fd = signals.open_file(path, where);
  if (fd < 0) {
    throw Error("cannot open '" + path + "': " + std::strerror(errno));
  }
  try {
    std::string content = read_all(signals, fd, where);
    close(fd);
    return content;
  } catch (...) {
    close(fd);
    throw;
  }
}

}  // namespace kovel_cdr
