// The commands over Fast DDS, in the order `kovel_cdr --help` lists them.
#include "commands/commands.hpp"

namespace kovel_cdr
{

std::vector<Command> dds_commands()
{
  return {pub_command(), echo_command(), call_command(), list_command(), info_command(),
    hz_command(), bw_command()};
}

}  // namespace kovel_cdr
