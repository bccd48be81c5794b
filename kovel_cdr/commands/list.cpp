// kovel_cdr list: the topics and services of the graph, as `ros2 topic list -t` and
// `ros2 service list -t` print them.
#include <set>
#include <string>
#include <vector>

#include "commands/commands.hpp"
#include "commands/dds_command.hpp"
#include "dds/ros_names.hpp"

namespace kovel_cdr
{

namespace
{

using dds::RemoteEndpoint;

int run_list(const Arguments & arguments)
{
  std::map<std::string, std::set<std::string>> topics, services;
  for (const RemoteEndpoint & endpoint : discover(arguments, "list")) {
    dds::RosTopic ros = dds::ros_topic(endpoint.dds_topic);
    if (ros.kind == dds::RosTopic::topic) {
      topics[ros.name].insert(dds::ros_type(endpoint.dds_type));
    } else if (ros.kind != dds::RosTopic::none) {
      services[ros.name].insert(dds::ros_service_type(endpoint.dds_type));
    }
  }
  // Neither flag, or both: everything.
  const bool some = arguments.has("topics") != arguments.has("services");
  for (const auto & [names, wanted] : {std::make_pair(&topics, !some || arguments.has("topics")),
      std::make_pair(&services, !some || arguments.has("services"))})
  {
    for (const auto & [name, types] : *names) {
      if (wanted) {
        print_line(name + " [" + joined(types) + "]");
      }
    }
  }
  return 0;
}

}  // namespace

Command list_command()
{
  static const std::string help = std::string(
    "Listens to DDS discovery until it is quiet for 0.5 s after finding something, or for\n"
    "--timeout seconds, then prints every ROS 2 topic as\n"
    "'TOPIC [TYPE]' and every service as 'SERVICE [TYPE]', one per line, sorted, topics\n"
    "first. DDS names are mapped back to ROS 2's: rt/camera/metadata is /camera/metadata,\n"
    "kovel_camera_msgs::msg::dds_::Metadata_ is kovel_camera_msgs/msg/Metadata, and\n"
    "rq/NAMERequest with rr/NAMEReply is the service NAME.\n\n"
    "  --timeout S         how long to listen at most (default 2)\n"
    "  --topics            topics (with --services, both)\n"
    "  --services          services (with --topics, both)\n"
    "  -t, --show-types    as ros2 topic list -t: the types are always shown\n") +
    kCommonOptions;
  return {"list", "[--timeout S] [--topics] [--services] [--domain D]",
    "list the topics and services of the graph", help.c_str(),
    0, 0, options_with({"timeout"}, kCommonOptionNames),
    options_with({"topics", "services", "show-types"}, kCommonFlagNames), run_list,
    {{"-t", "show-types"}}};
}

}  // namespace kovel_cdr
