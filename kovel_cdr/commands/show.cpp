// kovel_cdr show: a message or service definition as `ros2 interface show` prints it, read
// from the interface files the packages installed (share/<package>/msg|srv on
// AMENT_PREFIX_PATH), nested types expanded with --all.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command_line.hpp"
#include "codec/error.hpp"
#include "cli/standard_streams.hpp"

namespace kovel_cdr
{

namespace
{

namespace fs = std::filesystem;

struct Interface
{
  std::string package;
  std::string kind;  // "msg" or "srv"
  std::string name;
};

// "DeviceInfo", "kovel_camera_msgs/DeviceInfo", "kovel_camera_msgs/msg/DeviceInfo",
// "GetString", "std_msgs/msg/Header": package kovel_camera_msgs unless named; kind found.
Interface interface_named(const std::string & text, const std::string & own_package)
{
  std::vector<std::string> parts;
  std::stringstream words(text);
  for (std::string part; std::getline(words, part, '/'); ) {
    parts.push_back(part);
  }
  if (parts.size() == 1) {
    return {own_package, "", parts[0]};
  }
  if (parts.size() == 2) {
    return {parts[0], "", parts[1]};
  }
  if (parts.size() == 3 && (parts[1] == "msg" || parts[1] == "srv")) {
    return {parts[0], parts[1], parts[2]};
  }
  throw Error("'" + text + "' is not an interface name (as DeviceInfo, " +
          "kovel_camera_msgs/msg/DeviceInfo or kovel_camera_msgs/srv/GetString)");
}

// The installed file of an interface, its kind filled in; throws Error when none is found.
fs::path installed_file(Interface & interface)
{
  const char * prefixes = std::getenv("AMENT_PREFIX_PATH");
  std::stringstream paths(prefixes == nullptr ? "" : prefixes);
  for (std::string prefix; std::getline(paths, prefix, ':'); ) {
    for (const char * kind : {"msg", "srv"}) {
      if (!interface.kind.empty() && interface.kind != kind) {
        continue;
      }
      fs::path file = fs::path(prefix) / "share" / interface.package / kind /
        (interface.name + "." + kind);
      std::error_code error;
      if (fs::is_regular_file(file, error)) {
        interface.kind = kind;
        return file;
      }
    }
  }
  throw Error("no installed definition of " + interface.package + "/" +
          (interface.kind.empty() ? "" : interface.kind + "/") + interface.name +
          (prefixes == nullptr ? " (AMENT_PREFIX_PATH is not set: source install/setup.bash)" :
          " on AMENT_PREFIX_PATH"));
}

std::vector<std::string> lines_of(const fs::path & file)
{
  std::ifstream in(file);
  if (!in) {
    throw Error("cannot read " + file.string());
  }
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line); ) {
    lines.push_back(line);
  }
  return lines;
}

bool is_primitive(const std::string & type)
{
  static const std::set<std::string> primitives{"bool", "byte", "char", "float32", "float64",
    "int8", "uint8", "int16", "uint16", "int32", "uint32", "int64", "uint64", "string",
    "wstring"};
  return primitives.count(type) > 0;
}

// The message type a field line names, when it names one: "std_msgs/Header header" gives
// std_msgs/Header, "RegionOfInterest roi" a type of the same package, "float64[9] k" none.
bool nested_type_of(const std::string & line, const std::string & package, Interface & nested)
{
  std::stringstream words(line.substr(0, line.find('#')));
  std::string type;
  std::string field;
  if (!(words >> type >> field) || field.find('=') != std::string::npos) {
    return false;
  }
  type = type.substr(0, type.find_first_of("[<"));
  if (type.empty() || is_primitive(type) || type.find('=') != std::string::npos) {
    return false;
  }
  const size_t slash = type.find('/');
  nested = slash == std::string::npos ? Interface{package, "msg", type} :
    Interface{type.substr(0, slash), "msg", type.substr(slash + 1)};
  return true;
}

// Appends the lines to `text`; with `expand`, each field of a message type is followed by that type's
// own fields, indented one tab further. Nesting is bounded by the depth of real types.
void print_definition(
  const std::vector<std::string> & lines, const std::string & package, bool expand,
  const std::string & indent, int depth, std::string & text)
{
  if (depth > 32) {
    throw Error("message types nest more than 32 deep");
  }
  for (const std::string & line : lines) {
    const bool blank_or_comment = line.find_first_not_of(" \t") == std::string::npos ||
      line[line.find_first_not_of(" \t")] == '#';
    // Expanded types show their fields only, as ros2 does.
    if (depth > 0 && blank_or_comment) {
      continue;
    }
    text += indent + line + "\n";
    Interface nested;
    if (expand && !blank_or_comment && nested_type_of(line, package, nested)) {
      print_definition(lines_of(installed_file(nested)), nested.package, expand, indent + "\t",
        depth + 1, text);
    }
  }
}

int run_show(const Arguments & arguments)
{
  Interface interface = interface_named(arguments.positional[0], "kovel_camera_msgs");
  const fs::path file = installed_file(interface);
  std::string text;
  print_definition(lines_of(file), interface.package, arguments.has("all"), "", 0, text);
  write_output(text);
  return 0;
}

}  // namespace

Command show_command()
{
  return {"show", "TYPE [--all]", "a message or service definition",
    "Prints the definition of a message or service as its installed interface file holds\n"
    "it (a service: the request, '---', the response), as 'ros2 interface show' does. TYPE\n"
    "is DeviceInfo, GetString, kovel_camera_msgs/msg/DeviceInfo, std_msgs/msg/Header, ...;\n"
    "without a package it is one of kovel_camera_msgs. With --all, each field of a message\n"
    "type is followed by that type's fields, indented by a tab.\n",
    1, 1, {}, {"all"}, run_show};
}

}  // namespace kovel_cdr
