#include "commands/dds_command.hpp"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <set>

#include "dds/ros_names.hpp"
#include "dds/waiting.hpp"

namespace kovel_cdr
{

const char kQosOptions[] =
  "  --qos-profile P     default, sensor_data, services_default or system_default,\n"
  "                      as ROS 2 names them; the options below change it\n"
  "  --qos-reliability R reliable or best_effort\n"
  "  --qos-durability D  volatile or transient_local\n"
  "  --qos-history H     keep_last or keep_all\n"
  "  --qos-depth N       how many messages the history keeps\n";

const char kCommonOptions[] =
  "  --domain D          DDS domain id (default: ROS_DOMAIN_ID, else 0)\n"
  "  --transport T       how data travels: udp (UDP on 127.0.0.1; kovel_cdr's\n"
  "                      default), shm (shared memory) or both (shared memory with\n"
  "                      the peers that have it, else UDP; kovel_camera_node's\n"
  "                      default). Discovery is always over UDP on 127.0.0.1, so\n"
  "                      all three find each other; udp cannot send to shm, and\n"
  "                      such a peer is reported. Nothing is ever sent beyond\n"
  "                      127.0.0.1.\n"
  "  --network           standard ROS 2 discovery instead: Fast DDS's defaults, UDP on\n"
  "                      every network interface and shared memory, multicast\n"
  "                      discovery, so that ROS 2 nodes on other hosts are found\n";

const std::set<std::string> kCommonOptionNames = {"domain", "transport"};
const std::set<std::string> kCommonFlagNames = {"network"};

std::set<std::string> options_with(std::set<std::string> own, const std::set<std::string> & more)
{
  own.insert(more.begin(), more.end());
  return own;
}

dds::Report report_as(const char * command)
{
  return [command](const std::string & line) {
           std::fprintf(stderr, "kovel_cdr %s: %s\n", command, line.c_str());
         };
}

std::unique_ptr<dds::Node> make_node(
  const std::string & name, const Arguments & arguments, dds::Report report,
  dds::Transport default_transport)
{
  auto domain = arguments.values.find("domain");
  auto transport = arguments.values.find("transport");
  if (arguments.has("network") && transport != arguments.values.end()) {
    throw UsageError("--network and --transport exclude each other");
  }
  dds::stop_on_signals();
  return std::make_unique<dds::Node>(name,
           domain == arguments.values.end() ?
           dds::default_domain() : dds::parse_domain(domain->second, "--domain"),
           arguments.has("network") ? dds::Transport::network :
           transport == arguments.values.end() ? default_transport :
           dds::parse_transport(transport->second), std::move(report));
}

std::string seconds_text(double seconds)
{
  char text[32];
  std::snprintf(text, sizeof(text), "%g", seconds);
  return text;
}

std::string count_of(uint64_t count, const char * noun)
{
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

void print_line(const std::string & line)
{
  write_output(line + "\n");
}

TypedName typed_name(
  const std::vector<std::string> & positional,
  const std::function<void(const std::string &)> & find)
{
  try {
    find(positional[1]);
    return {0, 1};
  } catch (const Error & as_type) {
    try {
      find(positional[0]);
      return {1, 0};
    } catch (const Error & first_as_type) {
      // The misspelled type is rather the word that is not an absolute name.
      if (positional[1][0] == '/' && positional[0][0] != '/') {
        throw first_as_type;
      }
      throw as_type;
    }
  }
}

std::string node_name_option(const std::string & name)
{
  bool valid = !name.empty() && !std::isdigit(static_cast<unsigned char>(name[0]));
  for (char c : name) {
    valid = valid && (std::isalnum(static_cast<unsigned char>(c)) || c == '_');
  }
  if (!valid) {
    throw UsageError("--node-name: '" + name + "' is not a node name (letters, digits and "
            "underscores, not starting with a digit)");
  }
  return name;
}

static TopicArgument topic_and_type(const std::vector<std::string> & positional)
{
  if (positional.size() == 1) {
    return {positional[0], nullptr};
  }
  // "TOPIC TYPE" as ros2 takes it, else "TYPE TOPIC" as kovel_cdr first did.
  TypedName typed = typed_name(positional, [](const std::string & word) {
        find_message_type(word);
      });
  return {positional[typed.name], &find_message_type(positional[typed.type])};
}

TopicArgument topic_argument(const std::vector<std::string> & positional)
{
  TopicArgument argument = topic_and_type(positional);
  dds::dds_topic_name(argument.topic);  // a name that can never match is told at once
  return argument;
}

// Without TYPE and options, a command waits this long for a publisher before it says that
// it waits; with TYPE, it takes the publishers found by then into account and subscribes.
constexpr double kGraphSeconds = 2;
// Without TYPE, the type is decided once no other publisher has appeared for this long after
// the first (a participant missed at first is heard at its next announcement, every 0.5 s),
// and at most this long after the first.
constexpr double kTypeSettleSeconds = 0.6;
constexpr double kMostTypeSettleSeconds = 3;

static std::vector<dds::RemoteEndpoint> publishers_of(
  const dds::Node & node, const std::string & dds_topic)
{
  return node.remote_endpoints(dds_topic, false);
}

static const MessageType & type_of_publishers(
  const std::string & topic, const std::vector<dds::RemoteEndpoint> & publishers)
{
  std::set<std::string> types;
  for (const dds::RemoteEndpoint & publisher : publishers) {
    types.insert(dds::ros_type(publisher.dds_type));
  }
  if (types.size() > 1) {
    std::string list;
    for (const std::string & type : types) {
      list += (list.empty() ? "" : ", ") + type;
    }
    throw Error("the publishers of '" + topic + "' publish more than one type (" + list +
            "); give TYPE");
  }
  const std::string & type = *types.begin();
  try {
    return find_message_type(type);
  } catch (const Error & e) {
    throw Error("'" + topic + "' carries " + type + ", which kovel_cdr cannot read: " +
            e.what());
  }
}

dds::Reader & subscribe(
  dds::Node & node, const TopicArgument & topic, const Arguments & arguments,
  const dds::Qos & base, dds::Deadline deadline, const char * command, bool adapt_qos)
{
  const std::string name = dds::fully_qualified_name(topic.topic);
  const std::string dds_topic = dds::dds_topic_name(name);
  // Without options, the publishers are looked at: to adapt to them, and to say when one
  // of them publishes another type.
  const bool look = !dds::has_qos_options(arguments.values);
  const bool adapt = look && adapt_qos;
  // Checked before any wait: a bad option is a mistake to tell at once.
  dds::Qos qos = dds::qos_from_options(arguments.values, base);
  std::vector<dds::RemoteEndpoint> publishers;
  if (topic.type == nullptr || look) {
    auto found = [&]() {
        // Nothing it finds could be shown any more.
        if (dds::output_closed()) {
          throw dds::closed_output();
        }
        publishers = publishers_of(node, dds_topic);
        return !publishers.empty();
      };
    if (!node.activity().wait_until(std::min(deadline, dds::deadline_in(kGraphSeconds)), found) &&
      topic.type == nullptr && !dds::interrupted() && dds::Clock::now() < deadline)
    {
      report_as(command)("waiting for a publisher of '" + name + "' to learn its type");
      node.activity().wait_until(deadline, found);
    }
  }
  if (topic.type == nullptr && !publishers.empty()) {
    // Publishers that start together are found one by one: the type is decided when
    // discovery has gone quiet, not on the first.
    const dds::Deadline most = std::min(deadline, dds::deadline_in(kMostTypeSettleSeconds));
    size_t seen = publishers.size();
    dds::Deadline settled = dds::deadline_in(kTypeSettleSeconds);
    node.activity().wait_until(most, [&]() {
        publishers = publishers_of(node, dds_topic);
        if (publishers.size() != seen) {
          seen = publishers.size();
          settled = dds::deadline_in(kTypeSettleSeconds);
        }
        return dds::Clock::now() >= settled;
      });
  }
  // With TYPE, an interruption ends the command once it subscribed, as any other wait.
  if (dds::interrupted() && topic.type == nullptr) {
    throw dds::interruption("while waiting for a publisher of '" + name + "'");
  }
  const MessageType * type = topic.type;
  if (type == nullptr) {
    if (publishers.empty()) {
      throw Error("no publisher of '" + name + "' was found, so its type is unknown; give TYPE");
    }
    type = &type_of_publishers(name, publishers);
  } else {
    for (const dds::RemoteEndpoint & publisher : publishers) {
      const std::string published = dds::ros_type(publisher.dds_type);
      if (published != type->full_name()) {
        report_as(command)("a publisher of '" + name + "' publishes " + published + ", not " +
          type->full_name());
      }
    }
  }
  if (adapt && !publishers.empty()) {
    qos.best_effort = std::any_of(publishers.begin(), publishers.end(),
        [](const dds::RemoteEndpoint & publisher) {return publisher.best_effort;});
    qos.transient_local = std::all_of(publishers.begin(), publishers.end(),
        [](const dds::RemoteEndpoint & publisher) {return publisher.transient_local;});
  }
  return node.create_subscription(*type, name, qos);
}

// How often a command without TYPE looks at the topic's publishers again.
constexpr auto kTypeCheckPeriod = std::chrono::milliseconds(200);

TypeGuard::TypeGuard(
  const dds::Node & node, const TopicArgument & topic, const dds::Reader & reader)
: node_(node), reader_(reader), watching_(topic.type == nullptr),
  next_(dds::Clock::now() + kTypeCheckPeriod)
{
}

void TypeGuard::check()
{
  if (!watching_ || dds::Clock::now() < next_) {
    return;
  }
  next_ = dds::Clock::now() + kTypeCheckPeriod;
  const std::string dds_topic = dds::dds_topic_name(reader_.name());
  for (const dds::RemoteEndpoint & publisher : publishers_of(node_, dds_topic)) {
    const std::string published = dds::ros_type(publisher.dds_type);
    if (published != reader_.type().full_name()) {
      throw Error("a publisher of '" + reader_.name() + "' that appeared later publishes " +
              published + ", not " + reader_.type().full_name() + " as the first ones; give TYPE");
    }
  }
}

// Once something is found, how long discovery must stay quiet for the graph to be taken as
// complete: a participant's endpoints follow it within milliseconds on loopback, and
// participants that start together are heard of within one announcement period.
constexpr double kSettleSeconds = 0.5;

std::vector<dds::RemoteEndpoint> discover(const Arguments & arguments, const char * command)
{
  double timeout = arguments.number("timeout", kDiscoverySeconds, 0, 86400);
  auto node = make_node(std::string("kovel_cdr_") + command, arguments, report_as(command));
  uint64_t seen = 0;
  dds::Deadline quiet_at = dds::Deadline::max();
  node->activity().wait_until(dds::deadline_in(timeout), [&]() {
      const uint64_t changes = node->graph_changes();
      if (changes != seen) {
        seen = changes;
        quiet_at = dds::deadline_in(kSettleSeconds);
      }
      return seen > 0 && dds::Clock::now() >= quiet_at;
    });
  if (dds::interrupted()) {
    throw dds::interruption("while listening to discovery");
  }
  return node->remote_endpoints();
}

std::string joined(const std::set<std::string> & words)
{
  std::string text;
  for (const std::string & word : words) {
    text += (text.empty() ? "" : ", ") + word;
  }
  return text;
}

}  // namespace kovel_cdr
