// kovel_cdr's commands: each names its arguments and options once; the parser checks the
// command line against them before the command runs.
#ifndef KOVEL_CDR__CLI__COMMAND_LINE_HPP_
#define KOVEL_CDR__CLI__COMMAND_LINE_HPP_

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "codec/error.hpp"

namespace kovel_cdr
{

struct Arguments
{
  std::vector<std::string> positional;
  std::map<std::string, std::string> values;  // --option VALUE
  std::set<std::string> flags;                // --flag

  bool has(const std::string & flag) const {return flags.count(flag) > 0;}
  /// The option's value as a number in [low, high], or fallback when it is absent.
  double number(const std::string & option, double fallback, double low, double high) const;
  /// The same for a count: a fraction is a usage error too.
  uint64_t whole_number(
    const std::string & option, uint64_t fallback, double low, double high) const;
};

struct Command
{
  const char * name;
  const char * usage;        // after "kovel_cdr NAME "
  const char * summary;      // one line
  const char * help;         // the rest of the command's help
  size_t min_positional;
  size_t max_positional;
  std::set<std::string> value_options;
  std::set<std::string> flag_options;
  int (*run)(const Arguments & arguments);
  // Single-dash spellings, as ros2 gives them: "-r" for "rate", "-1" for "once".
  std::map<std::string, std::string> short_options = {};
};

/// The command stopped before it finished: interrupted by a signal, or its output closed.
/// Ends the command with `exit_code`: 130 and one line, or 141 for a closed pipe and no
/// line, as a process ended by SIGPIPE.
class Interrupted : public Error
{
public:
  Interrupted(const std::string & what, int exit_code)
  : Error(what), exit_code_(exit_code) {}
  int exit_code() const {return exit_code_;}

private:
  int exit_code_;
};

/// The arguments of `command` from the words after its name; throws Error when they do not
/// fit it (an unknown option, a missing value, too few or too many arguments). As ros2's
/// parser: "--rate=5" and "-r5" give a value too, every word after "--" is positional, and a
/// word that starts with '-' is an option, never positional, unless it is "-" (standard
/// input) or a negative number for a command without options spelled as numbers ("-1").
Arguments parse_arguments(
  const std::string & program, const Command & command, const std::vector<std::string> & words);

/// Runs `command` (named `program` in messages: "kovel_cdr pub", "kovel_camera_node") on
/// the words after its name. --help or -h prints "usage: PROGRAM USAGE", the help and
/// `epilogue`, and exits 0; words that do not fit the command, and a UsageError, exit 2; a
/// failure exits 1 and an interruption 130, each with one line on stderr after the
/// program's name; a closed output exits 141 without one.
int run_command(
  const std::string & program, const Command & command, const std::vector<std::string> & words,
  const char * epilogue = "");

/// `text` as a number in [low, high]; throws UsageError naming `what` otherwise.
double parse_number(const std::string & what, const std::string & text, double low, double high);
/// `text` as a whole number in [low, high]; throws UsageError naming `what` otherwise.
uint64_t parse_whole_number(
  const std::string & what, const std::string & text, double low, double high);

/// Reads FILE, or standard input for "-" or no FILE, whole. Throws Error when it cannot or
/// it holds more than kMaxInputBytes, and Interrupted (130) when SIGINT, SIGTERM or SIGHUP
/// comes while it waits for input.
std::string read_input(const std::vector<std::string> & positional, size_t file_index);

}  // namespace kovel_cdr

#endif  // KOVEL_CDR__CLI__COMMAND_LINE_HPP_
