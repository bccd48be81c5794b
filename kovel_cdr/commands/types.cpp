// kovel_cdr types: every message type with its sizes.
#include <cstdio>
#include <string>

#include "cli/standard_streams.hpp"
#include "commands/commands.hpp"
#include "commands/messages.hpp"

namespace kovel_cdr
{

namespace
{

int run_types(const Arguments &)
{
  std::string text;
  for (const MessageType * type : message_types()) {
    if (!type->unsupported.empty()) {
      text += type->unsupported + "\n";
      continue;
    }
    Record empty(*type);
    nlohmann::ordered_json sizes = sizes_of(*type, empty.data());
    char line[256];
    std::snprintf(line, sizeof(line),
      "%-48s empty message %3zu bytes, maximum %3zu bytes, full_bounded %s\n",
      type->full_name().c_str(), sizes["serialized_size"].get<size_t>(),
      sizes["max_serialized_size"].get<size_t>(),
      sizes["full_bounded"].get<bool>() ? "true" : "false");
    text += line;
  }
  write_output(text);
  return 0;
}

}  // namespace

Command types_command()
{
  return {"types", "", "every message type with its sizes",
    "Lists every message type with the size of its empty message, its maximum size and\n"
    "full_bounded.\n",
    0, 0, {}, {}, run_types};
}

}  // namespace kovel_cdr
