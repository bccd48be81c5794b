// Child processes for the integration tests: started with their output in temporary files,
// waited for with a time limit, killed when they overstay.
#ifndef KOVEL_TEST__INTEGRATION__PROCESS_HPP_
#define KOVEL_TEST__INTEGRATION__PROCESS_HPP_

#include <sys/types.h>

#include <string>
#include <vector>

namespace kovel_test
{

class Process
{
public:
  /// Starts argv[0] with the arguments; standard input is empty. Standard output goes to a
  /// file, or with `output_pipe` to a pipe that the test reads (read_line) and may close.
  explicit Process(const std::vector<std::string> & argv, bool output_pipe = false);
  /// Kills the process if it still runs, reaps it and removes its output files.
  ~Process();
  Process(const Process &) = delete;
  Process & operator=(const Process &) = delete;

  /// Waits at most `seconds` for the exit; kills the process when it overstays. Returns
  /// the exit status, or -1 when it was killed or died of a signal.
  int wait(double seconds);

  /// Sends SIGTERM (the processes stop cleanly on it).
  void terminate();
  /// Sends any signal.
  void signal(int number);
  pid_t pid() const {return pid_;}

  /// With an output pipe: the next line the process wrote, waiting at most `seconds`;
  /// false when none came. close_output() closes the test's end of the pipe.
  bool read_line(std::string & line, double seconds);
  void close_output();
  /// With an output pipe: fills it, so that the process's next write waits for a read.
  void fill_output();

  std::string out() const;
  std::string err() const;
  /// The command line, for failure messages.
  const std::string & command() const {return command_;}

private:
  pid_t pid_ = -1;
  int status_ = -1;
  std::string command_;
  std::string out_path_;
  std::string err_path_;
  int output_ = -1;
  std::string unread_;
};

/// The path of a new temporary file holding `text`; removed by remove_file.
std::string write_temporary_file(const std::string & text);
void remove_file(const std::string & path);

}  // namespace kovel_test

#endif  // KOVEL_TEST__INTEGRATION__PROCESS_HPP_
