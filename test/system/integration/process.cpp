#include "process.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

namespace kovel_test
{

static std::string temporary_path()
{
  const char * directory = std::getenv("TMPDIR");
  std::string pattern = std::string(directory != nullptr ? directory : "/tmp") +
    "/kovel_integration_XXXXXX";
  int fd = mkstemp(pattern.data());
  if (fd < 0) {
    throw std::runtime_error("cannot create a temporary file");
  }
  close(fd);
  return pattern;
}

std::string write_temporary_file(const std::string & text)
{
  std::string path = temporary_path();
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

void remove_file(const std::string & path)
{
  unlink(path.c_str());
}

static std::string read_file(const std::string & path)
{
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

Process::Process(const std::vector<std::string> & argv, bool output_pipe)
: out_path_(temporary_path()), err_path_(temporary_path())
{
  int pipe_ends[2] = {-1, -1};
  if (output_pipe && pipe2(pipe_ends, O_CLOEXEC) != 0) {
    throw std::runtime_error("cannot make a pipe");
  }
  for (const std::string & word : argv) {
    command_ += (command_.empty() ? "" : " ") + word.substr(0, 200);
  }
  std::vector<char *> pointers;
  for (const std::string & word : argv) {
    pointers.push_back(const_cast<char *>(word.c_str()));
  }
  pointers.push_back(nullptr);
  pid_ = fork();
  if (pid_ < 0) {
    throw std::runtime_error("cannot fork for " + command_);
  }
  if (pid_ == 0) {
    int in = open("/dev/null", O_RDONLY);
    int out = output_pipe ? pipe_ends[1] : open(out_path_.c_str(), O_WRONLY | O_TRUNC);
    int err = open(err_path_.c_str(), O_WRONLY | O_TRUNC);
    if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 ||
      dup2(err, 2) < 0)
    {
      _exit(126);
    }
    execv(pointers[0], pointers.data());
    _exit(127);
  }
  if (output_pipe) {
    close(pipe_ends[1]);
    output_ = pipe_ends[0];
  }
}

Process::~Process()
{
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  close_output();
  remove_file(out_path_);
  remove_file(err_path_);
}

void Process::signal(int number)
{
  if (pid_ > 0) {
    kill(pid_, number);
  }
}

bool Process::read_line(std::string & line, double seconds)
{
  auto deadline = std::chrono::steady_clock::now() +
    std::chrono::milliseconds(static_cast<int64_t>(seconds * 1000));
  // One read per pass, each waiting at most until the deadline.
  while (output_ >= 0) {
    size_t end = unread_.find('\n');
    if (end != std::string::npos) {
      line = unread_.substr(0, end);
      unread_.erase(0, end + 1);
      return true;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now()).count();
    pollfd ready{output_, POLLIN, 0};
    if (left <= 0 || poll(&ready, 1, static_cast<int>(left)) <= 0) {
      return false;
    }
    char buffer[4096];
    ssize_t got = read(output_, buffer, sizeof(buffer));
    if (got <= 0) {
      return false;
    }
    unread_.append(buffer, static_cast<size_t>(got));
  }
  return false;
}

void Process::close_output()
{
  if (output_ >= 0) {
    close(output_);
    output_ = -1;
  }
}

void Process::fill_output()
{
  if (output_ < 0) {
    return;
  }
  // A writing end of our own to the same pipe, that never blocks.
  int writer = open(("/proc/self/fd/" + std::to_string(output_)).c_str(),
      O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (writer < 0) {
    throw std::runtime_error("cannot open the output pipe for writing");
  }
  const std::string filler(4096, '\n');
  // Ends when the pipe is full: each write takes room, and a pipe holds at most 1 MiB
  // unless made larger.
  for (size_t chunk : {filler.size(), size_t{1}}) {
    while (write(writer, filler.data(), chunk) > 0) {
    }
  }
  close(writer);
}

int Process::wait(double seconds)
{
  if (pid_ > 0) {
    auto deadline = std::chrono::steady_clock::now() +
      std::chrono::milliseconds(static_cast<int64_t>(seconds * 1000));
    int status = 0;
    pid_t done = 0;
    // One check every 10 ms until the deadline.
    while ((done = waitpid(pid_, &status, WNOHANG)) == 0 &&
      std::chrono::steady_clock::now() < deadline)
    {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (done == 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      status_ = -1;
    } else {
      status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    pid_ = -1;
  }
  return status_;
}

void Process::terminate()
{
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
  }
}

std::string Process::out() const
{
  return read_file(out_path_);
}

std::string Process::err() const
{
  return read_file(err_path_);
}

}  // namespace kovel_test
