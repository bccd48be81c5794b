// kovel_cdr built without Fast DDS has no middleware commands.
#include "command_line.hpp"

namespace kovel_cdr
{

std::vector<Command> middleware_commands()
{
  return {};
}

}  // namespace kovel_cdr
