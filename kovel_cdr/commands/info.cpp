// kovel_cdr info: a topic's type and endpoints with their QoS, as `ros2 topic info -v`
// prints them, or a service's type, servers and clients.
#include <set>
#include <sstream>
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

std::string endpoint_text(const RemoteEndpoint & endpoint, const char * kind)
{
  std::ostringstream guid;
  guid << endpoint.guid;
  return std::string("Endpoint type: ") + kind + "\nGID: " + guid.str() +
         "\nQoS profile:\n  Reliability: " + (endpoint.best_effort ? "BEST_EFFORT" : "RELIABLE") +
         "\n  Durability: " + (endpoint.transient_local ? "TRANSIENT_LOCAL" : "VOLATILE") +
         "\n  History (Depth): UNKNOWN (discovery does not tell it)\n";
}

int run_info(const Arguments & arguments)
{
  const std::string name = dds::fully_qualified_name(arguments.positional[0]);
  std::vector<RemoteEndpoint> readers, writers;
  std::set<std::string> types;
  bool service = false;
  for (const RemoteEndpoint & endpoint : discover(arguments, "info")) {
    dds::RosTopic ros = dds::ros_topic(endpoint.dds_topic);
    if (ros.name != name || ros.kind == dds::RosTopic::none) {
      continue;
    }
    // A service is counted by its requests: servers read them, clients write them.
    service = ros.kind != dds::RosTopic::topic;
    if (ros.kind == dds::RosTopic::reply) {
      continue;
    }
    types.insert(service ? dds::ros_service_type(endpoint.dds_type) :
      dds::ros_type(endpoint.dds_type));
    (endpoint.reader ? readers : writers).push_back(endpoint);
  }
  if (types.empty()) {
    throw Error("no topic or service '" + name + "' was found within " +
            seconds_text(arguments.number("timeout", kDiscoverySeconds, 0, 86400)) + " s");
  }
  std::string text = "Type: " + joined(types) + "\n" +
    (service ? "Server count: " : "Publisher count: ") + std::to_string(
    service ? readers.size() : writers.size()) + "\n" +
    (service ? "Client count: " : "Subscription count: ") + std::to_string(
    service ? writers.size() : readers.size()) + "\n";
  for (const RemoteEndpoint & writer : writers) {
    text += "\n" + endpoint_text(writer, service ? "CLIENT" : "PUBLISHER");
  }
  for (const RemoteEndpoint & reader : readers) {
    text += "\n" + endpoint_text(reader, service ? "SERVER" : "SUBSCRIPTION");
  }
  text.pop_back();
  print_line(text);
  return 0;
}

}  // namespace

Command info_command()
{
  static const std::string help = std::string(
    "Listens to DDS discovery as list does, then prints the type of the topic\n"
    "NAME, how many publishers and subscriptions it has, and each one's reliability and\n"
    "durability (discovery does not tell the history). For a service, its type and how\n"
    "many servers and clients it has.\n\n"
    "  --timeout S         how long to listen at most (default 2)\n"
    "  -v, --verbose       as ros2 topic info -v: the endpoints are always shown\n") +
    kCommonOptions;
  return {"info", "NAME [--timeout S] [--domain D]",
    "a topic's type, publishers and subscriptions with their QoS", help.c_str(),
    1, 1, options_with({"timeout"}, kCommonOptionNames),
    options_with({"verbose"}, kCommonFlagNames), run_info, {{"-v", "verbose"}}};
}

}  // namespace kovel_cdr
