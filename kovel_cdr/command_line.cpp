#include "command_line.hpp"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include <fstream>
#include <iostream>
#include <iterator>

#include <nlohmann/json.hpp>

#include "error.hpp"

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

double Arguments::number(const std::string & option, double fallback, double low, double high)
const
{
  auto found = values.find(option);
  return found == values.end() ? fallback : parse_number("--" + option, found->second, low, high);
}

std::string read_input(const std::vector<std::string> & positional, size_t file_index)
{
  if (positional.size() <= file_index || positional[file_index] == "-") {
    return std::string(std::istreambuf_iterator<char>(std::cin), {});
  }
  const std::string & path = positional[file_index];
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) {
    throw Error("cannot read '" + path + "': it is a directory");
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    throw Error("cannot open '" + path + "': " + std::strerror(errno));
  }
  std::string content(std::istreambuf_iterator<char>(file), {});
  if (file.bad()) {
    throw Error("cannot read '" + path + "'");
  }
  return content;
}

}  // namespace kovel_cdr
