// kovel_cdr call: a service called and its reply printed, as `ros2 service call` does.
#include <string>
#include <vector>

#include "commands/commands.hpp"
#include "commands/dds_command.hpp"
#include "commands/messages.hpp"
#include "codec/input_limits.hpp"
#include "codec/json_codec.hpp"
#include "codec/record.hpp"
#include "dds/ros_names.hpp"

namespace kovel_cdr
{

namespace
{

using dds::Node;

int run_call(const Arguments & arguments)
{
  const TypedName typed = typed_name(arguments.positional, [](const std::string & word) {
        find_service_type(word);
      });
  const ServiceType & service = find_service_type(arguments.positional[typed.type]);
  const std::string & name = arguments.positional[typed.name];
  std::vector<Record> requests;
  if (arguments.positional.size() > 2) {
    requests = message_argument(*service.request, arguments.positional[2]);
  } else {
    requests.push_back(make_record(*service.request, nlohmann::json::object()));
  }
  double timeout = arguments.number("timeout", 5, 0, 86400);
  dds::dds_reply_topic_name(name);  // a name that can never match is told before any participant

  auto made = make_node("kovel_cdr_call", arguments, report_as("call"));
  Node & node = *made;
  dds::ServiceClient & client = node.create_client(service, name);
  const std::string where = "service '" + client.name() + "'";
  dds::Deadline deadline = dds::deadline_in(timeout);
  std::string within = " within " + seconds_text(timeout) + " s";
  if (!client.wait_for_server(deadline)) {
    if (dds::interrupted()) {
      throw dds::interruption("while looking for a server of " + where);
    }
    throw Error("no reply from " + where + within + ": no server of it was found");
  }
  // Several replies as echo prints messages: YAML documents each ending in "---", or JSON
  // Lines.
  const bool several = requests.size() > 1;
  for (size_t i = 0; i < requests.size(); ++i) {
    // Each reply has the whole timeout; the first shares it with the wait for a server.
    std::optional<Record> reply =
      client.call(requests[i], i == 0 ? deadline : dds::deadline_in(timeout));
    const std::string which = several ?
      " to request " + std::to_string(i + 1) + " of " + std::to_string(requests.size()) : "";
    if (!reply) {
      if (dds::interrupted()) {
        throw dds::interruption("while waiting for the reply of " + where + which);
      }
      throw Error("no reply from " + where + which + within);
    }
    print_line(message_text(*reply, arguments.has("json"), several));
  }
  return 0;
}

}  // namespace

Command call_command()
{
  static const std::string help = std::string(
    "Calls the ROS 2 service SERVICE (DDS topics rq/SERVICERequest and rr/SERVICEReply) of\n"
    "type TYPE (GetDeviceInfo, GetCameraInfo, GetCameraParams or GetString, or\n"
    "kovel_camera_msgs/srv/GetString) with the request VALUES (YAML or JSON, default {}),\n"
    "as ros2 service call does, waits for its reply and prints the reply as YAML, or with\n"
    "--json as JSON on one line.\n"
    "The older order TYPE SERVICE [VALUES] is still taken when the second word is not a\n"
    "service type; when both words could be, ros2's order wins: the first is the service.\n") +
    kInputSizeHelp + kMessageLimitsHelp + std::string("\n"
    "  --timeout S         how long to wait for a server and its reply (default 5);\n"
    "                      running out is an error\n"
    "  --json              JSON instead of YAML\n") + kCommonOptions;
  return {"call", "SERVICE TYPE [VALUES] [--timeout S] [--json] [--domain D]",
    "call a service and print its reply", help.c_str(),
    2, 3, options_with({"timeout"}, kCommonOptionNames),
    options_with({"json"}, kCommonFlagNames), run_call};
}

}  // namespace kovel_cdr
