// kovel_cdr types: every message type with its sizes.
#include <cstdio>
#include <string>
#include <vector>

#include "cli/standard_streams.hpp"
#include "commands/commands.hpp"
#include "commands/messages.hpp"

namespace kovel_cdr
{

namespace
{

std::string type_line(const MessageType * type)
{
  if (!type->unsupported.empty()) {
    return type->unsupported + "\n";
  }
  Record empty(*type);
  nlohmann::ordered_json sizes = sizes_of(*type, empty.data());
  char line[256];
  std::snprintf(line, sizeof(line),
    "%-48s empty message %3zu bytes, maximum %3zu bytes, full_bounded %s\n",
    type->full_name().c_str(), sizes["serialized_size"].get<size_t>(),
    sizes["max_serialized_size"].get<size_t>(),
    sizes["full_bounded"].get<bool>() ? "true" : "false");
  return line;
}

int run_types(const Arguments & arguments)
{
  std::vector<std::string> packages;
  if (arguments.has("all")) {
    packages = interface_packages();
  } else if (!arguments.positional.empty()) {
    packages = {arguments.positional[0]};
  }
  std::string text;
  if (packages.empty()) {
    for (const MessageType * type : message_types()) {
      text += type_line(type);
    }
  }
  for (const std::string & package : packages) {
    for (const std::string & name : package_type_names(package)) {
      try {
        text += type_line(&find_message_type(name));
      } catch (const Error & e) {
        // A type that cannot be described is told in its line; the others are listed.
        text += e.what() + std::string("\n");
      }
    }
  }
  write_output(text);
  return 0;
}

}  // namespace

Command types_command()
{
  return {"types", "[PACKAGE] [--all]", "message types with their sizes",
    "Lists the message types of kovel_camera_msgs, of PACKAGE, or with --all of every\n"
    "interface package on AMENT_PREFIX_PATH, with the size of the empty message, the\n"
    "maximum size and full_bounded. A type kovel_cdr cannot handle is listed with why.\n",
    0, 1, {}, {"all"}, run_types};
}

}  // namespace kovel_cdr
