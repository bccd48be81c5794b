// kovel_cdr sizes: a message's serialized size and its type's maximum.
#include <string>

#include "cli/standard_streams.hpp"
#include "codec/input_limits.hpp"
#include "commands/commands.hpp"
#include "commands/messages.hpp"

namespace kovel_cdr
{

namespace
{

int run_sizes(const Arguments & arguments)
{
  const MessageType & type = find_message_type(arguments.positional[0]);
  std::string sizes;
  for (const Record & record : records_from_input(type, arguments)) {
    sizes += sizes_of(type, record.data()).dump(2) + "\n";
  }
  write_output(sizes);
  return 0;
}

}  // namespace

Command sizes_command()
{
  static const std::string help = std::string(
    "Reads the message as YAML or JSON and prints its serialized size, the type's\n"
    "maximum size and whether that maximum is a true bound (full_bounded); for several\n"
    "messages (a list, YAML documents separated by '---', JSON Lines), one object each.\n") +
    kInputSizeHelp + kMessageLimitsHelp;
  return {"sizes", "TYPE [FILE]", "a message's serialized size and the type's maximum",
    help.c_str(), 1, 2, {}, {}, run_sizes};
}

}  // namespace kovel_cdr
