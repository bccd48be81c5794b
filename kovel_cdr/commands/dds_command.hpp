// What kovel_cdr's DDS commands share: the options every one of them takes, how results
// and reports are written, and how a command finds a topic's type and publishers in the
// graph before it subscribes.
#ifndef KOVEL_CDR__COMMANDS__DDS_COMMAND_HPP_
#define KOVEL_CDR__COMMANDS__DDS_COMMAND_HPP_

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "cli/command_line.hpp"
#include "dds/loopback.hpp"
#include "dds/node.hpp"
#include "dds/qos.hpp"
#include "codec/type_catalog.hpp"

namespace kovel_cdr
{

/// The help of --domain, --transport and --network.
extern const char kCommonOptions[];
/// The help of the --qos-* options.
extern const char kQosOptions[];
/// The options of kCommonOptions, as a Command lists them (those of kQosOptions are
/// qos.hpp's kQosOptionNames).
extern const std::set<std::string> kCommonOptionNames;
extern const std::set<std::string> kCommonFlagNames;

/// The options of `own` and of `more`.
std::set<std::string> options_with(std::set<std::string> own, const std::set<std::string> & more);

/// Reports on stderr after "kovel_cdr COMMAND: ".
dds::Report report_as(const char * command);

/// A node named `name` on the domain and transport of --domain, --transport (else
/// `transport`) and --network, that stops waiting on SIGINT, SIGTERM and SIGHUP.
std::unique_ptr<dds::Node> make_node(
  const std::string & name, const Arguments & arguments, dds::Report report,
  dds::Transport transport = dds::kDefaultTransport);

/// "5" for 5, "0.5" for 0.5: seconds as people write them.
std::string seconds_text(double seconds);
/// "1 message", "2 messages".
std::string count_of(uint64_t count, const char * noun);

/// Writes one line of results. A closed output ends the command as an interruption.
void print_line(const std::string & line);

/// Which of the first two words of pub and call is the name and which the type: "NAME TYPE"
/// as ros2 orders them, else "TYPE NAME" as kovel_cdr first took them. ros2's order wins
/// when both fit; `find` throws Error for a word that is not a type, and when neither word
/// is, the error of the second, or of the first when only the second starts with '/'.
struct TypedName
{
  size_t name;
  size_t type;
};
TypedName typed_name(
  const std::vector<std::string> & positional,
  const std::function<void(const std::string &)> & find);

/// `name` when it is a valid ROS 2 node name; throws UsageError for --node-name otherwise.
std::string node_name_option(const std::string & name);

/// The topic and type of echo, hz and bw, from "[TYPE] TOPIC" or "TOPIC [TYPE]". Throws
/// UsageError for a topic name that is not valid or can never match (ros_names.hpp).
struct TopicArgument
{
  std::string topic;
  const MessageType * type = nullptr;  // nullptr: to be taken from the graph
};
TopicArgument topic_argument(const std::vector<std::string> & positional);

/// Subscribes to the topic for echo, hz and bw. Without TYPE, the type is taken from the
/// topic's publishers (waiting for one until `deadline`); without --qos-* options and with
/// `adapt_qos`, the subscription takes what every publisher found offers: best effort when
/// one of them is, transient local when all of them are. `base` is the QoS otherwise.
dds::Reader & subscribe(
  dds::Node & node, const TopicArgument & topic, const Arguments & arguments,
  const dds::Qos & base, dds::Deadline deadline, const char * command, bool adapt_qos = true);

/// Without TYPE, the type is taken from the publishers found first; one of another type
/// that appears later would never be heard. check() throws Error when one has appeared (it
/// looks at most every 0.2 s); with TYPE it does nothing.
class TypeGuard
{
public:
  TypeGuard(const dds::Node & node, const TopicArgument & topic, const dds::Reader & reader);
  void check();

private:
  const dds::Node & node_;
  const dds::Reader & reader_;
  bool watching_;
  dds::Deadline next_;
};

// How long list and info listen to discovery at most by default: on loopback every
// participant is heard of within one announcement period (0.5 s), its endpoints right after.
constexpr double kDiscoverySeconds = 2;

/// Listens to discovery until it has found something and then been quiet for a short
/// settle time, or for --timeout seconds (default kDiscoverySeconds), and gives what it found.
std::vector<dds::RemoteEndpoint> discover(const Arguments & arguments, const char * command);

/// "a, b, c".
std::string joined(const std::set<std::string> & words);

}  // namespace kovel_cdr

#endif  // KOVEL_CDR__COMMANDS__DDS_COMMAND_HPP_
