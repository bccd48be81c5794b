// Where kovel_cdr's participants may send: shared memory and UDP on 127.0.0.1, nothing else.
// Fast DDS by default announces itself by multicast on every network interface; the
// participant settings built here replace its transports and its discovery locators so that
// no datagram leaves the loopback interface.
#ifndef KOVEL_CDR__MIDDLEWARE__LOOPBACK_HPP_
#define KOVEL_CDR__MIDDLEWARE__LOOPBACK_HPP_

#include <cstdint>
#include <string>
#include <string_view>

#include <fastdds/dds/domain/qos/DomainParticipantQos.hpp>

namespace kovel_cdr
{
namespace dds
{

/// The transports a participant uses. `both` is the default: discovery over UDP on
/// 127.0.0.1, data over shared memory between processes of this host.
enum class Transport
{
  shared_memory,  // "shm": shared memory only, for discovery as well
  udp,            // "udp": UDPv4 on 127.0.0.1 only
  both,           // "both": shared memory and UDPv4 on 127.0.0.1
};

/// "shm", "udp" or "both"; throws Error for anything else.
Transport parse_transport(std::string_view name);
const char * transport_name(Transport transport);

/// The highest DDS domain id whose UDP ports fit in 16 bits (7400 + 250 * id + 11 + 2 * 15).
constexpr uint32_t kMaxDomainId = 232;

/// ROS_DOMAIN_ID when it is set, else 0. Throws Error when it is set to something that is
/// not a domain id.
uint32_t default_domain();

/// A domain id given as text; throws Error naming `what` when it is not one.
uint32_t parse_domain(const std::string & text, const std::string & what);

/// Participant settings that keep all traffic on this host:
/// - the built-in transports are off; shared memory and/or UDPv4 restricted to the
///   127.0.0.1 interface take their place;
/// - with UDP, discovery is unicast: the participant listens for discovery on 127.0.0.1
///   and announces itself to 127.0.0.1 only (the initial peers), on the ports of the first
///   kMaxLocalParticipants participants of the domain; no multicast locator is set, so none
///   is used or announced;
/// - shared memory alone discovers through shared memory, which never touches a network;
/// - user data "enclave=/;" as ROS 2 participants carry it.
eprosima::fastdds::dds::DomainParticipantQos loopback_participant_qos(
  const std::string & name, Transport transport);

/// How many participants of one domain on this host find each other over UDP.
constexpr uint32_t kMaxLocalParticipants = 16;

/// Removes the environment settings that would make Fast DDS send elsewhere than loopback
/// (ROS_DISCOVERY_SERVER turns a participant into a client of remote discovery servers).
/// Called before any participant is created.
void forget_remote_discovery_settings();

}  // namespace dds
}  // namespace kovel_cdr

#endif  // KOVEL_CDR__MIDDLEWARE__LOOPBACK_HPP_
