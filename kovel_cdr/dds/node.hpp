// A DDS participant on loopback with ROS 2 naming: publishers and subscriptions of
// kovel_camera_msgs messages, service servers and clients. Every endpoint is reliable;
// topics and services use ROS 2's default profiles unless a Qos is given (qos.hpp).
#ifndef KOVEL_CDR__DDS__NODE_HPP_
#define KOVEL_CDR__DDS__NODE_HPP_

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <fastdds/dds/domain/DomainParticipant.hpp>
#include <fastdds/dds/publisher/Publisher.hpp>
#include <fastdds/dds/subscriber/Subscriber.hpp>
#include <fastdds/dds/topic/Topic.hpp>

#include "dds/endpoints.hpp"
#include "dds/loopback.hpp"
#include "dds/qos.hpp"
#include "codec/record.hpp"
#include "dds/services.hpp"
#include "codec/type_catalog.hpp"
#include "dds/waiting.hpp"

namespace kovel_cdr
{
namespace dds
{

/// An endpoint of another participant, as discovery announced it. Discovery tells a
/// reader's or writer's reliability and durability, not its history.
struct RemoteEndpoint
{
  eprosima::fastrtps::rtps::GUID_t guid;
  bool reader = false;
  std::string dds_topic;
  std::string dds_type;
  bool best_effort = false;
  bool transient_local = false;
};

class Node
{
public:
  using Report = dds::Report;

  /// A participant named `name` in `domain` on loopback with the given transports; by
  /// default its reports go to standard error after its name. Throws Error when Fast DDS
  /// cannot create it.
  Node(const std::string & name, uint32_t domain, Transport transport, Report report = {});
  /// Deletes every entity in order: servers and clients, writers and readers, publisher and
  /// subscriber, topics, participant (and with it its shared memory).
  ~Node();
  Node(const Node &) = delete;
  Node & operator=(const Node &) = delete;

  /// A writer of `type` on ROS topic `topic` (DDS topic "rt/<topic>").
  Writer & create_publisher(
    const MessageType & type, std::string_view topic, const Qos & qos = topic_qos());
  /// A reader of `type` on ROS topic `topic`.
  Reader & create_subscription(
    const MessageType & type, std::string_view topic, const Qos & qos = topic_qos());
  /// The request reader and reply writer of service `name`.
  ServiceServer & create_service(const ServiceType & type, std::string_view name);
  /// The request writer and reply reader of service `name`.
  ServiceClient & create_client(const ServiceType & type, std::string_view name);

  /// Deletes a writer made by create_publisher, or a reader made by create_subscription;
  /// the participant stays.
  void remove(Writer & writer);
  void remove(Reader & reader);

  /// Whether a remote endpoint was found to have no data path in common with this node's
  /// transport (and reported).
  bool unreachable(const eprosima::fastrtps::rtps::GUID_t & endpoint) const;

  /// Whether the participant of a remote endpoint was dropped for not announcing itself
  /// within the lease (killed, stopped, cut off), rather than leaving.
  bool dropped(const eprosima::fastrtps::rtps::GUID_t & endpoint) const;

  /// The endpoints of the other participants of the domain that discovery has found so
  /// far and not seen go; a change wakes activity().
  std::vector<RemoteEndpoint> remote_endpoints() const;
  /// Those of them that are readers (else writers) of DDS topic `dds_topic`.
  std::vector<RemoteEndpoint> remote_endpoints(const std::string & dds_topic, bool readers) const;
  /// How many times discovery has found another participant or endpoint, or seen one
  /// change or go (0: none found yet); each change wakes activity().
  uint64_t graph_changes() const;

  Activity & activity() {return activity_;}
  uint32_t domain() const {return domain_;}
  Transport transport() const {return transport_;}

private:
  class Discovery;

  /// Deletes what exists of the entities, in order.
  void release();
  /// The topic of that name, created with the type at first use (the type registered
  /// once); throws Error when it exists with another type.
  eprosima::fastdds::dds::Topic & topic(
    const MessageType & type, const rosidl_message_type_support_t * handle,
    const std::string & dds_topic);
  Writer & create_writer(
    const MessageType & type, const rosidl_message_type_support_t * handle,
    const std::string & dds_topic, const std::string & name, const Qos & qos);
  Reader & create_reader(
    const MessageType & type, const rosidl_message_type_support_t * handle,
    const std::string & dds_topic, const std::string & name, const Qos & qos);

  uint32_t domain_;
  Transport transport_;
  Report report_;
  Activity activity_;
  std::unique_ptr<Discovery> discovery_;
  eprosima::fastdds::dds::DomainParticipant * participant_ = nullptr;
  eprosima::fastdds::dds::Publisher * publisher_ = nullptr;
  eprosima::fastdds::dds::Subscriber * subscriber_ = nullptr;
  std::map<std::string, eprosima::fastdds::dds::Topic *> topics_;
  std::vector<std::unique_ptr<Writer>> writers_;
  std::vector<std::unique_ptr<Reader>> readers_;
  std::vector<std::unique_ptr<ServiceServer>> servers_;
  std::vector<std::unique_ptr<ServiceClient>> clients_;
};

}  // namespace dds
}  // namespace kovel_cdr

#endif  // KOVEL_CDR__DDS__NODE_HPP_
