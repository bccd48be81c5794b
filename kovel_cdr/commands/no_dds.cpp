// kovel_cdr built without Fast DDS has no commands over it.
#include "commands/commands.hpp"

namespace kovel_cdr
{

std::vector<Command> dds_commands()
{
  return {};
}

}  // namespace kovel_cdr
