#include "cli/command_line.hpp"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>

#include <nlohmann/json.hpp>

#include "codec/error.hpp"
#include "cli/standard_streams.hpp"

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
  // An empty text would be taken whole with nothing parsed: it is no number, not 0.
  if (text.empty() || used != text.size() || !(value >= low && value <= high)) {
    throw UsageError(what + ": expected a number from " + nlohmann::json(low).dump() + " to " +
            nlohmann::json(high).dump() + ", got '" + text + "'");
  }
  return value;
}

uint64_t parse_whole_number(
  const std::string & what, const std::string & text, double low, double high)
{
  const double value = parse_number(what, text, low, high);
  if (std::floor(value) != value) {
    throw UsageError(what + ": expected a whole number, got " + text);
  }
  return static_cast<uint64_t>(value);
}

static bool is_number(const std::string & word)
{
  size_t used = 0;
  try {
    std::stod(word, &used);
  } catch (const std::exception &) {
    return false;
  }
  return used == word.size();
}

Arguments parse_arguments(
  const std::string & program, const Command & command, const std::vector<std::string> & words)
{
  bool numbers_are_options = false;
  for (const auto & spelling : command.short_options) {
    numbers_are_options = numbers_are_options || is_number(spelling.first);
  }
  Arguments arguments;
  bool only_positional = false;
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string & word = words[i];
    if (only_positional || word.size() < 2 || word[0] != '-' ||
      (!numbers_are_options && is_number(word)))
    {
      arguments.positional.push_back(word);
      continue;
    }
    if (word == "--") {
      only_positional = true;
      continue;
    }
    // The option's name, and its value when the word holds it ("--rate=5", "-r5").
    std::string name;
    std::string spelled = word;
    std::optional<std::string> value;
    if (word[1] == '-') {
      size_t equals = word.find('=');
      name = word.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
      if (equals != std::string::npos) {
        spelled = word.substr(0, equals);
        value = word.substr(equals + 1);
      }
    } else {
      auto whole = command.short_options.find(word);
      auto first = command.short_options.find(word.substr(0, 2));
      if (whole != command.short_options.end()) {
        name = whole->second;
      } else if (first != command.short_options.end() &&
        command.value_options.count(first->second))
      {
        name = first->second;
        spelled = word.substr(0, 2);
        value = word.substr(2);
      } else {
        throw Error("unknown option " + word);
      }
    }
    if (command.flag_options.count(name)) {
      if (value) {
        throw Error(spelled + " takes no value");
      }
      arguments.flags.insert(name);
    } else if (command.value_options.count(name)) {
      if (!value) {
        if (i + 1 >= words.size()) {
          throw Error(word + " needs a value");
        }
        value = words[++i];
      }
      arguments.values[name] = *value;
    } else {
      throw Error("unknown option " + spelled);
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
  stop_on_signals();
  bool help = false;
  for (const std::string & word : words) {
    help = help || word == "--help" || word == "-h";
  }
  Arguments arguments;
  if (!help) {
    try {
      arguments = parse_arguments(program, command, words);
    } catch (const Error & e) {
      std::fprintf(stderr, "%s: %s\n", program.c_str(), e.what());
      return 2;
    }
  }
  try {
    if (help) {
      write_output("usage: " + program + " " + command.usage + "\n\n" + command.help + "\n" +
        epilogue);
      return 0;
    }
    return command.run(arguments);
  } catch (const UsageError & e) {
    std::fprintf(stderr, "%s: %s\n", program.c_str(), e.what());
    return 2;
  } catch (const Interrupted & e) {
    // Interrupted by a signal or a closed output: 130 or 141, as shells report them. A
    // closed output is how a reader says it has read enough (`| head`): nothing to say.
    if (e.exit_code() != kClosedPipeExit) {
      std::fprintf(stderr, "%s: %s\n", program.c_str(), e.what());
    }
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

uint64_t Arguments::whole_number(
  const std::string & option, uint64_t fallback, double low, double high) const
{
  auto found = values.find(option);
  return found == values.end() ? fallback :
         parse_whole_number("--" + option, found->second, low, high);
}

std::string read_input(const std::vector<std::string> & positional, size_t file_index)
{
  if (positional.size() <= file_index || positional[file_index] == "-") {
    return read_standard_input();
  }
  const std::string & path = positional[file_index];
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) {
    throw Error("cannot read '" + path + "': it is a directory");
  }
  return read_file(path);
}

}  // namespace kovel_cdr
