// Where kovel_cdr's participants may send: shared memory and UDP on 127.0.0.1, nothing else.
// Fast DDS by default announces itself by multicast on every network interface; the
// participant settings built here replace its transports and its discovery locators so that
// no datagram leaves the loopback interface.
#ifndef KOVEL_CDR__DDS__LOOPBACK_HPP_
#define KOVEL_CDR__DDS__LOOPBACK_HPP_

#include <cstdint>
#include <string>
#include <string_view>

#include <fastdds/dds/domain/qos/DomainParticipantQos.hpp>

namespace kovel_cdr
{
namespace dds
{

/// The transports that carry a participant's data. Discovery is over UDP on 127.0.0.1
/// whatever the choice, so that every participant finds every other; a pair whose data
/// paths have nothing in common (shm and udp) is reported when it meets.
enum class Transport
{
  shared_memory,  // "shm": data over shared memory only
  udp,            // "udp": data over UDPv4 on 127.0.0.1 only
  both,           // "both": shared memory with the peers that have it, else UDP
  network,        // --network: Fast DDS's defaults, as every ROS 2 node on a LAN
};

/// The tools' transport without --transport: UDP on 127.0.0.1. A process killed with
/// shared memory leaves its files behind, and each peer that wrote to it keeps its port
/// mapped until that peer ends; the tools are the short-lived processes that come, go and
/// get killed, so they keep off shared memory unless asked, at the price of a copy through
/// the kernel, which the small messages of a camera's state do not feel.
constexpr Transport kDefaultTransport = Transport::udp;
/// The camera node's: both, so that it serves tools of every transport.
constexpr Transport kNodeDefaultTransport = Transport::both;

/// "shm", "udp" or "both"; throws Error for anything else.
Transport parse_transport(std::string_view name);
const char * transport_name(Transport transport);

/// The highest DDS domain id whose UDP ports fit in 16 bits for 60 participants
/// (7400 + 250 * id + 11 + 2 * 59).
constexpr uint32_t kMaxDomainId = 232;

/// ROS_DOMAIN_ID when it is set, else 0. Throws Error when it is set to something that is
/// not a domain id.
uint32_t default_domain();

/// A domain id given as text; throws Error naming `what` when it is not one.
uint32_t parse_domain(const std::string & text, const std::string & what);

/// Participant settings that keep all traffic on this host:
/// - the built-in transports are off; UDPv4 restricted to the 127.0.0.1 interface and,
///   unless `transport` is udp, shared memory take their place;
/// - discovery is unicast over UDP: the participant listens for discovery on 127.0.0.1
///   and announces itself to 127.0.0.1 only (the initial peers), on the ports of the first
///   max_local_participants(domain) participants of the domain; no multicast locator is
///   set, so none is used or announced;
/// - with shm, the participant announces only shared memory locators for its data; with
///   shm and both, it listens for data over shared memory on a port number of its own,
///   never one that an earlier process used;
/// - a participant that has not announced itself for kLeaseSeconds is taken as gone;
/// - user data "enclave=/;" as ROS 2 participants carry it.
eprosima::fastdds::dds::DomainParticipantQos loopback_participant_qos(
  const std::string & name, Transport transport, uint32_t domain = 0);

/// The participant settings of `transport`: loopback_participant_qos, or for
/// Transport::network Fast DDS's defaults (UDPv4 on every interface and shared memory,
/// multicast discovery on the domain's standard ports), which is how ROS 2 nodes on other
/// hosts are found. Both carry the ROS 2 user data.
eprosima::fastdds::dds::DomainParticipantQos participant_qos(
  const std::string & name, Transport transport, uint32_t domain);

/// How many participants of `domain` on this host find each other: as many as have
/// discovery ports in the domain's own block of ports (120; fewer in domains above 231,
/// whose ports reach 65535).
uint32_t max_local_participants(uint32_t domain);

/// Throws Error when every discovery port of `domain` on 127.0.0.1 is taken (by as many
/// participants as max_local_participants): Fast DDS would then give the new participant
/// the port past the domain's block, beyond 65535 in the highest domains, where no one
/// finds it and it finds no one.
void check_room_for_participant(uint32_t domain);

/// A participant announces itself every half second and is taken as gone when no
/// announcement came for this long.
constexpr double kAnnouncementSeconds = 0.5;
constexpr double kLeaseSeconds = 5;

/// Removes the environment settings that would make Fast DDS send elsewhere than loopback
/// (ROS_DISCOVERY_SERVER turns a participant into a client of remote discovery servers).
/// Called before any participant is created.
void forget_remote_discovery_settings();

}  // namespace dds
}  // namespace kovel_cdr

#endif  // KOVEL_CDR__DDS__LOOPBACK_HPP_
