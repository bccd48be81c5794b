// ROS 2 services over a Node's endpoints: a request topic and a reply topic, each reply tied
// to its request by the related sample identity.
#ifndef KOVEL_CDR__DDS__SERVICES_HPP_
#define KOVEL_CDR__DDS__SERVICES_HPP_

#include <functional>
#include <optional>
#include <list>
#include <set>
#include <string>

#include <fastdds/rtps/common/SampleIdentity.h>

#include "dds/endpoints.hpp"
#include "codec/record.hpp"
#include "codec/type_catalog.hpp"
#include "dds/waiting.hpp"

namespace kovel_cdr
{
namespace dds
{

/// Answers the requests of one service.
class ServiceServer
{
public:
  /// Fills the response (a fresh record of the response type) for the request.
  using Handler = std::function<void(const Record & request, Record & response)>;

  ServiceServer(const ServiceType & type, Reader & requests, Writer & replies);

  const ServiceType & type() const {return type_;}
  const std::string & name() const {return requests_.name();}
  Reader & requests() {return requests_;}
  Writer & replies() {return replies_;}

  /// Answers every request waiting now and sends the replies held until now; returns how
  /// many replies went out. When a request names the client's reply reader, its reply is
  /// held until that reader is matched (at most `reply_match_wait` seconds), so that it is
  /// not sent before anyone can receive it; the other requests are answered meanwhile.
  size_t answer_pending(const Handler & handler, double reply_match_wait = 2.0);

  /// Whether answer_pending has something to do now: a request, or a held reply whose
  /// reader is matched or whose wait is over.
  bool has_work();

private:
  struct Held
  {
    Record reply;
    eprosima::fastrtps::rtps::SampleIdentity request;
    eprosima::fastrtps::rtps::GUID_t reader;
    Deadline give_up;
  };

  bool due(const Held & held) const;
  void send(const Record & reply, const eprosima::fastrtps::rtps::SampleIdentity & request);

  const ServiceType & type_;
  Reader & requests_;
  Writer & replies_;
  std::list<Held> held_;
};

class Node;

/// Calls one service.
class ServiceClient
{
public:
  ServiceClient(
    const ServiceType & type, Writer & requests, Reader & replies, const Node & node,
    Activity & activity);

  const ServiceType & type() const {return type_;}
  const std::string & name() const {return requests_.name();}

  /// True when a server's request reader and reply writer are both matched by the deadline.
  /// Throws Error when only servers of another type are found ("service '/get' has type
  /// kovel_camera_msgs/srv/GetString, not kovel_camera_msgs/srv/GetDeviceInfo"), as their
  /// endpoints never match: once none of this type has matched for half a second after.
  bool wait_for_server(Deadline deadline);

  /// Sends the request and waits for the reply tied to it; replies to other requests are
  /// dropped. Nothing when no reply comes by the deadline or the process is interrupted.
  std::optional<Record> call(const Record & request, Deadline deadline);

private:
  /// The types of the servers found in the graph that are not this client's: the readers
  /// of its request topic and the writers of its reply topic.
  std::set<std::string> other_server_types() const;

  const ServiceType & type_;
  Writer & requests_;
  Reader & replies_;
  const Node & node_;
  Activity & activity_;
};

}  // namespace dds
}  // namespace kovel_cdr

#endif  // KOVEL_CDR__DDS__SERVICES_HPP_
