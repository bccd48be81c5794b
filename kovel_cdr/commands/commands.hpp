// kovel_cdr's commands, one file each: what each is named, takes and runs.
#ifndef KOVEL_CDR__COMMANDS__COMMANDS_HPP_
#define KOVEL_CDR__COMMANDS__COMMANDS_HPP_

#include <vector>

#include "cli/command_line.hpp"

namespace kovel_cdr
{

Command encode_command();
Command decode_command();
Command sizes_command();
Command types_command();
Command show_command();

Command pub_command();
Command echo_command();
Command call_command();
Command list_command();
Command info_command();
Command hz_command();
Command bw_command();

/// The commands over Fast DDS (pub to bw), when kovel_cdr is built with it.
std::vector<Command> dds_commands();

}  // namespace kovel_cdr

#endif  // KOVEL_CDR__COMMANDS__COMMANDS_HPP_
