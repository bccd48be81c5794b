#include "loopback.hpp"

#include <cstdlib>
#include <memory>
#include <vector>

#include <fastdds/rtps/transport/UDPv4TransportDescriptor.h>
#include <fastdds/rtps/transport/shared_mem/SharedMemTransportDescriptor.h>
#include <fastrtps/utils/IPLocator.h>

#include "type_catalog.hpp"

namespace kovel_cdr
{
namespace dds
{

using eprosima::fastdds::dds::DomainParticipantQos;
using eprosima::fastdds::rtps::SharedMemTransportDescriptor;
using eprosima::fastdds::rtps::UDPv4TransportDescriptor;
using eprosima::fastrtps::rtps::IPLocator;
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
  throw Error("--transport: expected shm, udp or both, got '" + std::string(name) + "'");
}

const char * transport_name(Transport transport)
{
  switch (transport) {
    case Transport::shared_memory:
      return "shm";
    case Transport::udp:
      return "udp";
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
    throw Error(what + ": expected a domain id from 0 to " + std::to_string(kMaxDomainId) +
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

DomainParticipantQos loopback_participant_qos(const std::string & name, Transport transport)
{
  DomainParticipantQos qos;
  qos.name(name);

  static const char kEnclave[] = "enclave=/;";
  qos.user_data().setValue(std::vector<eprosima::fastrtps::rtps::octet>(
      kEnclave, kEnclave + sizeof(kEnclave) - 1));

  qos.transport().use_builtin_transports = false;
  qos.transport().user_transports.clear();
  if (transport != Transport::udp) {
    auto shm = std::make_shared<SharedMemTransportDescriptor>();
    shm->segment_size(kSegmentSize);
    qos.transport().user_transports.push_back(shm);
  }
  if (transport != Transport::shared_memory) {
    auto udp = std::make_shared<UDPv4TransportDescriptor>();
    udp->interfaceWhiteList = {kLoopback};
    udp->maxInitialPeersRange = kMaxLocalParticipants;
    qos.transport().user_transports.push_back(udp);

    auto & builtin = qos.wire_protocol().builtin;
    builtin.metatrafficMulticastLocatorList.clear();
    builtin.metatrafficUnicastLocatorList.clear();
    builtin.metatrafficUnicastLocatorList.push_back(loopback_locator());
    builtin.initialPeersList.clear();
    builtin.initialPeersList.push_back(loopback_locator());
    builtin.avoid_builtin_multicast = true;
    // Without multicast a participant hears another's announcement only when it is sent to
    // its port. One that arrives while a participant is still starting is lost to it, and it
    // then waits for the next periodic announcement: every 500 ms instead of 3 s, so that
    // such a start costs half a second, not three.
    builtin.discovery_config.leaseDuration_announcementperiod =
      eprosima::fastrtps::Duration_t(0, 500 * 1000 * 1000);
    // User data goes to the transports' own unicast locators: shared memory and 127.0.0.1.
    qos.wire_protocol().default_multicast_locator_list.clear();
  }
  return qos;
}

}  // namespace dds
}  // namespace kovel_cdr
