// How kovel_cdr and kovel_camera_node use their standard streams and signals: every byte
// of standard output goes through one checked writer that a reader who does not read can
// never hold past a signal, and SIGINT, SIGTERM and SIGHUP end whatever the process waits
// for.
#ifndef KOVEL_CDR__CLI__STANDARD_STREAMS_HPP_
#define KOVEL_CDR__CLI__STANDARD_STREAMS_HPP_

#include <functional>
#include <string>

#include "cli/command_line.hpp"

namespace kovel_cdr
{

/// The exit status of a process interrupted by a signal (130) or whose output pipe closed
/// (141), as shells report them.
constexpr int kInterruptedExit = 130;
constexpr int kClosedPipeExit = 141;

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
/// "interrupted by SIGINT <context>", to be thrown when interrupted() turned true.
Interrupted interruption(const std::string & context);

/// Whether standard output is a pipe whose reading end has closed, found without writing.
bool output_closed();
/// What ends a command whose standard output closed (141, and silently: run_command does
/// not print its text).
Interrupted closed_output();

/// To be called first in main: a standard stream that the process was started without
/// would be taken by the next file opened (a Fast DDS file, an input file), and output
/// would go into it. Standard input and error are opened on /dev/null then; false when
/// standard output is closed, which the caller treats as a closed output.
bool standard_streams_open();

enum class WriteResult {written, closed, failed, gave_up};

/// Writes all of `bytes` to standard output, never blocked for longer than `slice_ms` at
/// a time: between slices it asks give_up() and stops when that holds. `error` is the
/// errno of a failure.
WriteResult write_output_until(
  const std::string & bytes, const std::function<bool()> & give_up, int slice_ms, int & error);

/// Writes all of `bytes` to standard output. A closed output throws closed_output(), an
/// interruption interruption(), any other failure an Error naming its cause.
void write_output(const std::string & bytes);

/// All of standard input, or of the file at `path` (a pipe or FIFO too); an interruption
/// throws interruption(), a failure an Error.
std::string read_standard_input();
std::string read_file(const std::string & path);

}  // namespace kovel_cdr

#endif  // KOVEL_CDR__CLI__STANDARD_STREAMS_HPP_
