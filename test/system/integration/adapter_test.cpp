// The Fast DDS side of the type supports without a network: the data type adapter's payloads,
// the ROS 2 names, and the loopback-only participant settings.
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <fastdds/rtps/common/SerializedPayload.h>
#include <fastdds/rtps/transport/UDPv4TransportDescriptor.h>
#include <fastdds/rtps/transport/shared_mem/SharedMemTransportDescriptor.h>
#include <fastrtps/utils/IPLocator.h>
#include <nlohmann/json.hpp>

#include "dds/cdr_data_type.hpp"
#include "codec/json_codec.hpp"
#include "dds/loopback.hpp"
#include "codec/payload.hpp"
#include "dds/qos.hpp"
#include "codec/record.hpp"
#include "dds/ros_names.hpp"
#include "rosidl_typesupport_fastrtps_cpp/service_type_support.h"
#include "codec/type_catalog.hpp"

namespace
{

using eprosima::fastrtps::rtps::SerializedPayload_t;
using kovel_cdr::MessageType;
using kovel_cdr::Record;
using kovel_cdr::dds::CdrDataType;
using nlohmann::json;

json samples_of(const MessageType & type)
{
  std::ifstream file(std::string(KOVEL_SAMPLES_DIR) + "/" + type.name + ".json");
  if (!file) {
    return json::array({json::object()});
  }
  return json::parse(std::string(std::istreambuf_iterator<char>(file), {}));
}

Record record_of(const MessageType & type, const json & message)
{
  Record record(type);
  kovel_cdr::record_from_json(type, message, record.data());
  return record;
}

// ---- The data type adapter ----

// For every sample of every type: the payload Fast DDS gets is exactly what the type
// support writes behind the encapsulation header, with zeroed padding, in as many bytes as
// the size provider announced; and it reads back to the same message.
TEST(CdrDataType, PayloadsAreTheTypeSupportsBytesAndReadBack)
{
  for (const MessageType * type : kovel_cdr::message_types()) {
    CdrDataType adapter(*type, type->handle());
    for (const json & message : samples_of(*type)) {
      SCOPED_TRACE(std::string(type->name) + " " + message.dump().substr(0, 200));
      Record sent = record_of(*type, message);
      std::vector<uint8_t> expected = kovel_cdr::encode_payload(*type, sent.data());

      uint32_t announced = adapter.getSerializedSizeProvider(&sent)();
      EXPECT_EQ(announced, expected.size());
      SerializedPayload_t payload(announced);
      std::memset(payload.data, 0xA5, payload.max_size);  // stale bytes of an earlier sample
      ASSERT_TRUE(adapter.serialize(&sent, &payload));
      ASSERT_EQ(payload.length, expected.size());
      EXPECT_EQ(std::vector<uint8_t>(payload.data, payload.data + payload.length), expected);
      EXPECT_EQ(payload.encapsulation, CDR_LE);

      std::unique_ptr<Record> received(static_cast<Record *>(adapter.createData()));
      ASSERT_TRUE(adapter.deserialize(&payload, received.get()));
      EXPECT_EQ(kovel_cdr::record_to_json(*type, received->data()),
        kovel_cdr::record_to_json(*type, sent.data()));
      adapter.deleteData(received.release());
    }
  }
}

TEST(CdrDataType, ShortPayloadsAndRoomlessBuffersAreRefusedWithoutThrowing)
{
  for (const MessageType * type : kovel_cdr::message_types()) {
    SCOPED_TRACE(type->name);
    CdrDataType adapter(*type, type->handle());
    json samples = samples_of(*type);
    Record sent = record_of(*type, samples.back());
    SerializedPayload_t payload(adapter.getSerializedSizeProvider(&sent)());
    ASSERT_TRUE(adapter.serialize(&sent, &payload));

    // Every truncation of the payload: refused, never an exception through Fast DDS.
    for (uint32_t length = 0; length < payload.length; ++length) {
      SerializedPayload_t cut(payload.length);
      std::memcpy(cut.data, payload.data, length);
      cut.length = length;
      Record received(*type);
      EXPECT_FALSE(adapter.deserialize(&cut, &received)) << "length " << length;
    }

    SerializedPayload_t small(payload.length - 1);
    EXPECT_FALSE(adapter.serialize(&sent, &small));
  }
}

TEST(CdrDataType, SizesNamesAndBoundsFollowTheTypeSupport)
{
  for (const MessageType * type : kovel_cdr::message_types()) {
    SCOPED_TRACE(type->name);
    CdrDataType adapter(*type, type->handle());
    bool full_bounded = true;
    size_t max = type->max(full_bounded, 0);
    EXPECT_EQ(adapter.m_typeSize, 4 + max);
    EXPECT_GT(adapter.m_typeSize, 4u);
    EXPECT_EQ(adapter.is_bounded(), full_bounded);
    EXPECT_FALSE(adapter.m_isGetKeyDefined);
    EXPECT_EQ(std::string(adapter.getName()),
      std::string("kovel_camera_msgs::") + type->kind + "::dds_::" + type->name + "_");
  }
  // Only the empty requests have a true bound.
  EXPECT_TRUE(CdrDataType(kovel_cdr::find_message_type("GetString_Request"),
    kovel_cdr::find_message_type("GetString_Request").handle()).is_bounded());
  EXPECT_FALSE(CdrDataType(kovel_cdr::find_message_type("Metadata"),
    kovel_cdr::find_message_type("Metadata").handle()).is_bounded());
}

TEST(CdrDataType, ServiceHandlesLeadToTheRequestAndResponseTypes)
{
  for (const kovel_cdr::ServiceType * service : kovel_cdr::service_types()) {
    SCOPED_TRACE(service->name);
    const auto * callbacks =
      static_cast<const service_type_support_callbacks_t *>(service->handle()->data);
    CdrDataType request(*service->request, callbacks->request_members_);
    CdrDataType response(*service->response, callbacks->response_members_);
    EXPECT_EQ(std::string(request.getName()),
      std::string("kovel_camera_msgs::srv::dds_::") + service->name + "_Request_");
    EXPECT_EQ(std::string(response.getName()),
      std::string("kovel_camera_msgs::srv::dds_::") + service->name + "_Response_");
  }
}

TEST(CdrDataType, RefusesAHandleOfAnotherTypeOrFlavour)
{
  const MessageType & info = kovel_cdr::find_message_type("DeviceInfo");
  const MessageType & metadata = kovel_cdr::find_message_type("Metadata");
  EXPECT_THROW(CdrDataType(info, metadata.handle()), kovel_cdr::Error);

  rosidl_message_type_support_t other_flavour = *info.handle();
  other_flavour.typesupport_identifier = "rosidl_typesupport_introspection_c";
  EXPECT_THROW(CdrDataType(info, &other_flavour), kovel_cdr::Error);
}

// ---- ROS 2 names ----

TEST(RosNames, TopicsAndServicesMapToTheRos2DdsNames)
{
  using namespace kovel_cdr::dds;  // NOLINT
  EXPECT_EQ(dds_topic_name("/camera/device_info"), "rt/camera/device_info");
  EXPECT_EQ(dds_topic_name("metadata"), "rt/metadata");
  EXPECT_EQ(dds_request_topic_name("/camera/get_string"), "rq/camera/get_stringRequest");
  EXPECT_EQ(dds_reply_topic_name("camera/get_string"), "rr/camera/get_stringReply");
  for (const char * bad : {"", "/", "/a//b", "/a/", "/1a", "/a/2b", "a b", "a-b", "~/x"}) {
    EXPECT_THROW(dds_topic_name(bad), kovel_cdr::Error) << "'" << bad << "'";
  }
  EXPECT_NO_THROW(dds_topic_name("/a1/_b/c_2"));
}

TEST(RosNames, DiscoveredDdsNamesMapBackToRos2Names)
{
  using namespace kovel_cdr::dds;  // NOLINT
  for (const char * name : {"/camera/metadata", "/a"}) {
    RosTopic topic = ros_topic(dds_topic_name(name));
    EXPECT_EQ(topic.kind, RosTopic::topic);
    EXPECT_EQ(topic.name, name);
    RosTopic request = ros_topic(dds_request_topic_name(name));
    EXPECT_EQ(request.kind, RosTopic::request);
    EXPECT_EQ(request.name, name);
    RosTopic reply = ros_topic(dds_reply_topic_name(name));
    EXPECT_EQ(reply.kind, RosTopic::reply);
    EXPECT_EQ(reply.name, name);
  }
  for (const char * foreign : {"", "rt", "rt/", "DCPSParticipant", "rq/xReply", "rr/xRequest",
      "rx/x"})
  {
    EXPECT_EQ(ros_topic(foreign).kind, RosTopic::none) << foreign;
  }
  EXPECT_EQ(ros_type("kovel_camera_msgs::msg::dds_::Metadata_"), "kovel_camera_msgs/msg/Metadata");
  EXPECT_EQ(ros_type("kovel_camera_msgs::srv::dds_::GetString_Request_"),
    "kovel_camera_msgs/srv/GetString_Request");
  EXPECT_EQ(ros_service_type("kovel_camera_msgs::srv::dds_::GetString_Response_"),
    "kovel_camera_msgs/srv/GetString");
  EXPECT_EQ(ros_type("PlainDdsType"), "PlainDdsType");
  // The names the type support gives our types read back as the catalog's names.
  for (const kovel_cdr::MessageType * type : kovel_cdr::message_types()) {
    EXPECT_EQ(ros_type(CdrDataType(*type, type->handle()).getName()), type->full_name());
  }
}

// ---- Quality of service ----

TEST(Qos, OptionsTakeRos2NamesOverAProfile)
{
  using namespace kovel_cdr::dds;  // NOLINT
  Qos sensor = qos_from_options({{"qos-profile", "sensor_data"}}, latched_qos());
  EXPECT_EQ(describe(sensor), "BEST_EFFORT, VOLATILE, KEEP_LAST (5)");
  Qos changed = qos_from_options({{"qos-profile", "default"}, {"qos-reliability", "best_effort"},
        {"qos-durability", "transient_local"}, {"qos-history", "keep_all"}, {"qos-depth", "7"}},
      topic_qos());
  EXPECT_EQ(describe(changed), "BEST_EFFORT, TRANSIENT_LOCAL, KEEP_ALL (7)");
  EXPECT_EQ(describe(qos_from_options({}, latched_qos())),
    "RELIABLE, TRANSIENT_LOCAL, KEEP_LAST (1)");
  EXPECT_FALSE(has_qos_options({{"domain", "3"}}));
  for (auto [option, value] : std::vector<std::pair<const char *, const char *>>{
      {"qos-profile", "fast"}, {"qos-reliability", "sometimes"}, {"qos-durability", "forever"},
      {"qos-history", "all"}, {"qos-depth", "0"}, {"qos-depth", "2.5"}})
  {
    try {
      qos_from_options({{option, value}}, topic_qos());
      ADD_FAILURE() << option << " " << value << " was taken";
    } catch (const kovel_cdr::Error & e) {
      EXPECT_NE(std::string(e.what()).find(std::string("--") + option), std::string::npos) <<
        e.what();
    }
  }
  // The reader and writer settings carry the choice to Fast DDS.
  auto reader = reader_qos(sensor);
  EXPECT_EQ(reader.reliability().kind, eprosima::fastdds::dds::BEST_EFFORT_RELIABILITY_QOS);
  EXPECT_EQ(reader.history().depth, 5);
  EXPECT_EQ(writer_qos(changed).durability().kind,
    eprosima::fastdds::dds::TRANSIENT_LOCAL_DURABILITY_QOS);
}

// ---- Network safety ----

TEST(Loopback, ParticipantsUseOnlyLoopbackAndSharedMemory)
{
  using eprosima::fastdds::rtps::SharedMemTransportDescriptor;
  using eprosima::fastdds::rtps::UDPv4TransportDescriptor;
  using eprosima::fastrtps::rtps::IPLocator;
  using kovel_cdr::dds::Transport;
  for (Transport transport : {Transport::shared_memory, Transport::udp, Transport::both}) {
    SCOPED_TRACE(kovel_cdr::dds::transport_name(transport));
    auto qos = kovel_cdr::dds::loopback_participant_qos("test", transport);
    EXPECT_FALSE(qos.transport().use_builtin_transports);
    size_t udp = 0, shm = 0;
    for (const auto & descriptor : qos.transport().user_transports) {
      if (auto * v4 = dynamic_cast<UDPv4TransportDescriptor *>(descriptor.get())) {
        ++udp;
        EXPECT_EQ(v4->interfaceWhiteList, std::vector<std::string>{"127.0.0.1"});
      } else if (dynamic_cast<SharedMemTransportDescriptor *>(descriptor.get()) != nullptr) {
        ++shm;
      } else {
        ADD_FAILURE() << "a transport that is neither UDPv4 nor shared memory";
      }
    }
    // Discovery is always over UDP on loopback; shm restricts only the data.
    EXPECT_EQ(udp, 1u);
    EXPECT_EQ(shm, transport == Transport::udp ? 0u : 1u);
    // Shared memory listens on a port number of its own, never one that Fast DDS derives
    // from the participant id and so gives again to the next process; shm announces it
    // alone, both beside UDP on 127.0.0.1.
    size_t shm_data = 0, udp_data = 0;
    for (const auto & locator : qos.wire_protocol().default_unicast_locator_list) {
      if (locator.kind == LOCATOR_KIND_SHM) {
        ++shm_data;
        EXPECT_GE(locator.port, 1u << 20);
        EXPECT_NE(locator.port, kovel_cdr::dds::loopback_participant_qos("test", transport)
          .wire_protocol().default_unicast_locator_list.begin()->port);
      } else {
        ++udp_data;
        EXPECT_EQ(locator.kind, LOCATOR_KIND_UDPv4);
        EXPECT_EQ(IPLocator::ip_to_string(locator), "127.0.0.1");
      }
    }
    EXPECT_EQ(shm_data, transport == Transport::udp ? 0u : 1u);
    EXPECT_EQ(udp_data, transport == Transport::both ? 1u : 0u);

    const auto & builtin = qos.wire_protocol().builtin;
    EXPECT_TRUE(builtin.metatrafficMulticastLocatorList.empty());
    EXPECT_TRUE(qos.wire_protocol().default_multicast_locator_list.empty());
    // Without these Fast DDS would fall back to multicast discovery.
    ASSERT_FALSE(builtin.metatrafficUnicastLocatorList.empty());
    ASSERT_FALSE(builtin.initialPeersList.empty());
    for (const auto & list : {builtin.metatrafficUnicastLocatorList, builtin.initialPeersList}) {
      for (const auto & locator : list) {
        EXPECT_EQ(IPLocator::ip_to_string(locator), "127.0.0.1");
      }
    }
  }
}

}  // namespace
