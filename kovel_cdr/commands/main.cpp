// kovel_cdr: kovel_camera_msgs messages between JSON and DDS payloads, through the
// Fast-CDR C type support library, in the habits of the ros2 command line.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "cli/command_line.hpp"
#include "cli/standard_streams.hpp"
#include "commands/commands.hpp"

namespace kovel_cdr
{

static const char kTypeNames[] =
  "TYPE is a message type: a name alone is one of kovel_camera_msgs, as DeviceInfo;\n"
  "PACKAGE/NAME or PACKAGE/msg/NAME is one of any interface package installed on\n"
  "AMENT_PREFIX_PATH, as kovel_camera_msgs/DeviceInfo or std_msgs/msg/String; a service's\n"
  "request and response are GetString_Request or kovel_camera_msgs/srv/GetString_Response.\n"
  "'kovel_cdr types' lists those of kovel_camera_msgs, 'kovel_cdr types PACKAGE' those of\n"
  "a package, 'kovel_cdr types --all' every one.\n\n"
  "Exit status: 0 done, 1 failed (one line on stderr), 2 usage, 130 interrupted by\n"
  "SIGINT, SIGTERM or SIGHUP, 141 standard output closed.\n";

static std::vector<Command> all_commands()
{
  std::vector<Command> commands{
    encode_command(), decode_command(), sizes_command(), types_command(), show_command()};
  for (Command & command : dds_commands()) {
    commands.push_back(std::move(command));
  }
  return commands;
}

static std::string usage(const std::vector<Command> & commands)
{
  std::string text = "usage: kovel_cdr COMMAND ...\n\ncommands:\n";
  for (const Command & command : commands) {
    char line[256];
    std::snprintf(line, sizeof(line), "  %-8s %s\n", command.name, command.summary);
    text += line;
  }
  return text + "\n'kovel_cdr COMMAND --help' tells more.\n\n" + kTypeNames;
}

}  // namespace kovel_cdr

int main(int argc, char ** argv)
{
  using namespace kovel_cdr;  // NOLINT
  if (!standard_streams_open()) {
    return kClosedPipeExit;
  }
  std::vector<Command> commands = all_commands();
  if (argc < 2) {
    std::fputs(usage(commands).c_str(), stderr);
    return 2;
  }
  std::string name = argv[1];
  if (name == "--help" || name == "-h" || name == "help") {
    // As a command, so that its output is written and fails as every command's.
    const Command help{"help", "", "", "", 0, 0, {}, {}, [](const Arguments &) {
        write_output(usage(all_commands()));
        return 0;
      }};
    return run_command("kovel_cdr", help, {});
  }
  for (const Command & command : commands) {
    if (name != command.name) {
      continue;
    }
    return run_command(std::string("kovel_cdr ") + command.name, command,
             std::vector<std::string>(argv + 2, argv + argc), kTypeNames);
  }
  std::fprintf(stderr, "kovel_cdr: unknown command '%s' ('kovel_cdr --help' lists them)\n",
    name.c_str());
  return 2;
}
