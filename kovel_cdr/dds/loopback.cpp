#include "dds/loopback.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include <fastdds/rtps/transport/TransportInterface.h>
#include <fastdds/rtps/transport/UDPv4TransportDescriptor.h>
#include <fastdds/rtps/transport/shared_mem/SharedMemTransportDescriptor.h>
#include <fastrtps/utils/IPLocator.h>

#include "codec/error.hpp"

namespace kovel_cdr
{
namespace dds
{

using eprosima::fastdds::dds::DomainParticipantQos;
using eprosima::fastdds::rtps::SharedMemTransportDescriptor;
using eprosima::fastdds::rtps::UDPv4TransportDescriptor;
using eprosima::fastrtps::rtps::IPLocator;
using eprosima::fastdds::rtps::LocatorList;
using eprosima::fastrtps::rtps::Locator_t;

static constexpr char kLoopback[] = "127.0.0.1";

// The shared memory segment of a participant: room for a 1 MiB message in one piece.
static constexpr uint32_t kSegmentSize = 4 * 1024 * 1024;

Transport parse_transport(std::string_view name)
{
  if (name == "shm") {
    return Transport::shared_memory;
  }
  if (name == "udp") {
    return Transport::udp;
  }
  if (name == "both") {
    return Transport::both;
  }
  throw UsageError("--transport: expected shm, udp or both, got '" + std::string(name) + "'");
}

const char * transport_name(Transport transport)
{
  switch (transport) {
    case Transport::shared_memory:
      return "shm";
    case Transport::udp:
      return "udp";
    case Transport::network:
      return "the network";
    case Transport::both:
      break;
  }
  return "both";
}

uint32_t parse_domain(const std::string & text, const std::string & what)
{
  size_t used = 0;
  unsigned long value = 0;  // NOLINT(runtime/int): what std::stoul gives
  try {
    value = std::stoul(text, &used);
  } catch (const std::exception &) {
    used = 0;
  }
  if (text.empty() || used != text.size() || text[0] == '-' || value > kMaxDomainId) {
    throw UsageError(what + ": expected a domain id from 0 to " + std::to_string(kMaxDomainId) +
            ", got '" + text + "'");
  }
  return static_cast<uint32_t>(value);
}

uint32_t default_domain()
{
  const char * text = std::getenv("ROS_DOMAIN_ID");
  if (text == nullptr || text[0] == '\0') {
    return 0;
  }
  return parse_domain(text, "ROS_DOMAIN_ID");
}

void forget_remote_discovery_settings()
{
  unsetenv("ROS_DISCOVERY_SERVER");
  unsetenv("ROS_SUPER_CLIENT");
}

static Locator_t loopback_locator()
{
  Locator_t locator;
  locator.kind = LOCATOR_KIND_UDPv4;
  IPLocator::setIPv4(locator, kLoopback);
  locator.port = 0;  // Fast DDS fills in the domain's well-known port
  return locator;
}

// A listening port number for the shared memory transport that no earlier participant on
// this host used: drawn at random far above the numbers Fast DDS gives by default, which
// follow the participant ids and so come back with every new process. Fast DDS 2.9.1
// keeps a port it has sent to mapped for as long as its participant lives. When the
// participant that listened on it was killed, the next one to take that number may find
// the port a "zombie" and replace it, and every sender that had it mapped goes on writing,
// without an error, into the replaced one, which nobody reads any more: a node then never
// again delivers to any new reader of that number, while discovery still shows it matched.
static uint32_t unique_shm_port()
{
  std::random_device entropy;
  std::uniform_int_distribution<uint32_t> pick(1u << 20, (1u << 31) - 1);
  return pick(entropy);
}

// Fast DDS's well-known ports: participant p of domain d receives on
// 7400 + 250 d + 10 + 2 p (discovery) and + 11 + 2 p (data).
constexpr uint32_t kBase = 7400, kDomainGain = 250, kDiscoveryOffset = 10, kHighestOffset = 11,
  kParticipantGain = 2;

uint32_t max_local_participants(uint32_t domain)
{
  const uint32_t block = (kDomainGain - kHighestOffset - 1) / kParticipantGain + 1;
  const uint32_t highest = kBase + kDomainGain * domain + kHighestOffset;
  const uint32_t below_65536 = highest > 65535 ? 0 : (65535 - highest) / kParticipantGain + 1;
  return std::max<uint32_t>(1, std::min(block, below_65536));
}

// Whether 127.0.0.1:port can be bound for UDP now; a port that cannot be tried counts as
// free, so that only a port held by another socket says no.
static bool udp_port_free(uint32_t port)
{
  int probe = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (probe < 0) {
    return true;
  }
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const bool taken = bind(probe, reinterpret_cast<const sockaddr *>(&address),
      sizeof(address)) != 0 && errno == EADDRINUSE;
  close(probe);
  return !taken;
}

void check_room_for_participant(uint32_t domain)
{
  // A new participant takes the first free discovery port of the block, as Fast DDS tries
  // them in turn from participant 0.
  const uint32_t room = max_local_participants(domain);
  const uint32_t first = kBase + kDomainGain * domain + kDiscoveryOffset;
  for (uint32_t participant = 0; participant < room; ++participant) {
    if (udp_port_free(first + kParticipantGain * participant)) {
      return;
    }
  }
  throw Error("domain " + std::to_string(domain) + " is full on this host: its " +
          std::to_string(room) + " participants (UDP ports " + std::to_string(first) + " to " +
          std::to_string(first + kParticipantGain * (room - 1)) + " of 127.0.0.1) are all " +
          "taken, and one more would find no one; use another domain or stop some");
}

static eprosima::fastrtps::Duration_t seconds(double value)
{
  return eprosima::fastrtps::Duration_t(static_cast<long double>(value));
}

// A participant of the given name with the user data that ROS 2 participants carry.
static DomainParticipantQos ros_participant_qos(const std::string & name)
{
  DomainParticipantQos qos = eprosima::fastdds::dds::PARTICIPANT_QOS_DEFAULT;
  qos.name(name);
  static const char kEnclave[] = "enclave=/;";
  qos.user_data().setValue(std::vector<eprosima::fastrtps::rtps::octet>(
      kEnclave, kEnclave + sizeof(kEnclave) - 1));
  return qos;
}

DomainParticipantQos participant_qos(
  const std::string & name, Transport transport, uint32_t domain)
{
  return transport == Transport::network ?
         ros_participant_qos(name) : loopback_participant_qos(name, transport, domain);
}

DomainParticipantQos loopback_participant_qos(
  const std::string & name, Transport transport, uint32_t domain)
{
  DomainParticipantQos qos = ros_participant_qos(name);

  qos.transport().use_builtin_transports = false;
  qos.transport().user_transports.clear();
  if (transport != Transport::udp) {
    auto shm = std::make_shared<SharedMemTransportDescriptor>();
    shm->segment_size(kSegmentSize);
    qos.transport().user_transports.push_back(shm);
    // The transport's own unicast locator on a port of its own, and for both, UDP on
    // 127.0.0.1 (its port filled in by Fast DDS) beside it.
    std::unique_ptr<eprosima::fastdds::rtps::TransportInterface> probe(shm->create_transport());
    LocatorList data;
    probe->getDefaultUnicastLocators(data, 0);
    for (Locator_t & locator : data) {
      locator.port = unique_shm_port();
    }
    if (transport == Transport::both) {
      data.push_back(loopback_locator());
    }
    qos.wire_protocol().default_unicast_locator_list = data;
  }
  auto udp = std::make_shared<UDPv4TransportDescriptor>();
  udp->interfaceWhiteList = {kLoopback};
  udp->maxInitialPeersRange = max_local_participants(domain);
  qos.transport().user_transports.push_back(udp);

  auto & builtin = qos.wire_protocol().builtin;
  builtin.metatrafficMulticastLocatorList.clear();
  builtin.metatrafficUnicastLocatorList.clear();
  builtin.metatrafficUnicastLocatorList.push_back(loopback_locator());
  builtin.initialPeersList.clear();
  builtin.initialPeersList.push_back(loopback_locator());
  builtin.avoid_builtin_multicast = true;
  // A participant takes the first free port of the domain's block, trying one after another
  // from participant 0's: Fast DDS's default of 100 tries would leave participants past the
  // 101st on a port outside the block, where no one finds them.
  builtin.mutation_tries = max_local_participants(domain);
  // Without multicast a participant hears another's announcement only when it is sent to
  // its port. One that arrives while a participant is still starting is lost to it, and it
  // then waits for the next periodic announcement: every 500 ms instead of 3 s, so that
  // such a start costs half a second, not three. A participant that stops announcing
  // (killed) is dropped after the lease, and with it its readers, which writers then
  // stop serving.
  builtin.discovery_config.leaseDuration_announcementperiod = seconds(kAnnouncementSeconds);
  builtin.discovery_config.leaseDuration = seconds(kLeaseSeconds);
  // No multicast for data either.
  qos.wire_protocol().default_multicast_locator_list.clear();
  return qos;
}

}  // namespace dds
}  // namespace kovel_cdr
