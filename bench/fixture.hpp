// What both benchmark programs measure: a typical message of each type of kovel_camera_msgs
// (as the catalog lists them), the large-string sweep, and a fixture holding one message
// twice, as our record and as the peer's object (fastddsgen's class for the same IDL type),
// with the payload between them.
#ifndef KOVEL_BENCH__FIXTURE_HPP_
#define KOVEL_BENCH__FIXTURE_HPP_

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <fastcdr/Cdr.h>
#include <fastcdr/exceptions/Exception.h>
#include <nlohmann/json.hpp>

#include "codec/json_codec.hpp"
#include "kovel_camera_msgs.h"
#include "codec/payload.hpp"
#include "codec/record.hpp"
#include "codec/type_catalog.hpp"

namespace kovel_bench
{

using eprosima::fastcdr::Cdr;

struct Message
{
  std::string label;  // "DeviceInfo", or "Metadata/1MiB" in the sweep
  std::string type;   // our type's name
  nlohmann::json json;
};

inline nlohmann::json typical_header()
{
  return {{"stamp", {{"sec", 1765200000}, {"nanosec", 123456789}}}, {"frame_id", "camera_link"}};
}

inline nlohmann::json typical_device_info()
{
  return {{"header", typical_header()}, {"name", "Kovel K1 Pro"}, {"vid", 11205}, {"pid", 1},
    {"serial_number", "KV-000123"}, {"firmware_version", "2.4.1"},
    {"supported_min_sdk_version", "1.0.0"}, {"hardware_version", "rev-B"}};
}

/// The typical values of the types that carry data, by our type's name, as the camera sends
/// them. A type of the package without one here (the requests, whose one member is a
/// placeholder) is measured with a fresh record's values.
inline std::map<std::string, nlohmann::json> typical_values()
{
  const nlohmann::json camera_info = {
    {"header", typical_header()}, {"height", 480}, {"width", 640},
    {"distortion_model", "plumb_bob"}, {"d", {-0.28, 0.07, 0.0002, -0.0001, 0.0}},
    {"k", {615.2, 0, 320.5, 0, 615.9, 240.3, 0, 0, 1}},
    {"r", {1, 0, 0, 0, 1, 0, 0, 0, 1}},
    {"p", {615.2, 0, 320.5, 0, 0, 615.9, 240.3, 0, 0, 0, 1, 0}},
    {"binning_x", 0}, {"binning_y", 0},
    {"roi", {{"x_offset", 0}, {"y_offset", 0}, {"height", 0}, {"width", 0},
      {"do_rectify", false}}}};
  return {
    {"DeviceInfo", typical_device_info()},
    {"Metadata",
      {{"header", typical_header()},
        {"json_data", "{\"exposure_us\":8000,\"gain\":1.5,\"fps\":30,\"temp_c\":41.2}"}}},
    {"Extrinsics",
      {{"header", typical_header()},
        {"rotation", {0.9998, -0.0174, 0.0052, 0.0175, 0.9998, -0.0031, -0.0051, 0.0032, 1.0}},
        {"translation", {0.05, 0.0002, -0.0011}}}},
    {"GetDeviceInfo_Response",
      {{"info", typical_device_info()}, {"success", true}, {"message", "ok"}}},
    {"GetCameraInfo_Response", {{"info", camera_info}, {"success", true}, {"message", "ok"}}},
    {"GetCameraParams_Response",
      {{"l_intr_p", {615.2, 615.9, 320.5, 240.3}}, {"r_intr_p", {614.8, 615.1, 318.9, 241.0}},
        {"r2l_r", {0.9999, -0.0012, 0.0041, 0.0012, 1.0, 0.0003, -0.0041, -0.0003, 0.9999}},
        {"r2l_t", {-0.0501, 0.0001, 0.0002}},
        {"l_k", {-0.28, 0.07, 0.0002, -0.0001, 0.0}}, {"r_k", {-0.27, 0.068, 0.0001, 0.0, 0.0}},
        {"success", true}, {"message", "ok"}}},
    {"GetString_Response",
      {{"data", "{\"serial\":\"KV-000123\",\"fw\":\"2.4.1\"}"}, {"success", true},
        {"message", "ok"}}},
  };
}

/// One typical message of each type of the package, in the package's order (the catalog's).
/// Throws kovel_cdr::Error when a typical value names a type the package does not have.
inline std::vector<Message> typical_messages()
{
  std::map<std::string, nlohmann::json> values = typical_values();
  std::vector<Message> messages;
  for (const kovel_cdr::MessageType * type : kovel_cdr::message_types()) {
    auto value = values.find(type->name);
    if (value == values.end()) {
      messages.push_back({type->name, type->name, nlohmann::json::object()});
    } else {
      messages.push_back({type->name, type->name, std::move(value->second)});
      values.erase(value);
    }
  }
  if (!values.empty()) {
    throw kovel_cdr::Error("the benchmarks have a typical " + values.begin()->first +
            " but kovel_camera_msgs has no such type");
  }
  return messages;
}

/// Metadata's json_data and GetString_Response's data at 16 B up to 16 MiB.
inline std::vector<Message> sweep_messages()
{
  const std::vector<std::pair<const char *, size_t>> sizes = {
    {"16B", 16}, {"1KiB", 1 << 10}, {"64KiB", 64 << 10}, {"1MiB", 1 << 20}, {"16MiB", 16 << 20}};
  const std::string pattern = "{\"frame\":1234,\"exposure_us\":8000,\"gain\":1.5},";
  std::vector<Message> messages;
  for (const auto & [label, bytes] : sizes) {
    std::string text;
    text.reserve(bytes);
    while (text.size() < bytes) {
      text.append(pattern, 0, std::min(pattern.size(), bytes - text.size()));
    }
    messages.push_back({std::string("Metadata/") + label, "Metadata",
        {{"header", typical_header()}, {"json_data", text}}});
    messages.push_back({std::string("GetString_Response/") + label, "GetString_Response",
        {{"data", text}, {"success", true}, {"message", "ok"}}});
  }
  return messages;
}

/// One message as our record and our payload, and as the peer's object, filled by the
/// peer reading our payload. `mismatch` says why the peer cannot stand beside us for this
/// message (it cannot read our payload, or writes other bytes or another size); it is
/// empty when the peer's bytes and exact size equal ours.
template<class Peer>
struct Fixture
{
  explicit Fixture(const Message & message)
  : type(kovel_cdr::find_message_type(message.type)),
    callbacks(kovel_cdr::callbacks_of(type)),
    record(kovel_cdr::make_record(type, message.json)),
    into(type)
  {
    const std::vector<uint8_t> bytes = kovel_cdr::encode_payload(type, record.data());
    payload.assign(bytes.begin(), bytes.end());
    scratch.assign(payload.size(), 0);
    // Both readers once: the reused record and object start as they will stay.
    kovel_cdr::decode_payload(type, bytes.data(), bytes.size(), into.data());
    try {
      kovel_cdr::PayloadReader reader(payload.data(), payload.size());
      object.deserialize(reader.cdr());
      object_into = object;
      std::vector<char> written(payload.size() + 64, 0);
      kovel_cdr::PayloadWriter writer(written.data(), written.size());
      object.serialize(writer.cdr());
      const size_t body = payload.size() - kovel_cdr::kEncapsulationSize;
      if (writer.length() != payload.size() ||
        std::memcmp(written.data(), payload.data(), payload.size()) != 0)
      {
        mismatch = message.label + ": the peer writes other bytes than ours (" +
          std::to_string(writer.length()) + " bytes, ours " +
          std::to_string(payload.size()) + ")";
      } else if (Peer::getCdrSerializedSize(object, 0) != body) {
        mismatch = message.label + ": the peer's exact size " +
          std::to_string(Peer::getCdrSerializedSize(object, 0)) + " is not ours, " +
          std::to_string(body);
      }
    } catch (const eprosima::fastcdr::exception::Exception & e) {
      mismatch = message.label + ": the peer fails on our payload: " + e.what();
    }
  }

  const kovel_cdr::MessageType & type;
  const message_type_support_callbacks_t & callbacks;
  kovel_cdr::Record record;   // the message
  kovel_cdr::Record into;     // filled again by each deserialize
  Peer object;                // the same message
  Peer object_into;           // filled again by each deserialize
  std::vector<char> payload;  // encapsulation and body, as ours writes it
  std::vector<char> scratch;  // where each serialize writes, payload.size() bytes
  std::string mismatch;
};

// One serialize as both programs measure it, for either side: a stream over the
// preallocated buffer, the encapsulation header, then the message.
template<class Write>
inline void serialize_into(std::vector<char> & scratch, Write write)
{
  kovel_cdr::PayloadWriter out(scratch.data(), scratch.size());
  write(out.cdr());
}

// One deserialize as both programs measure it.
template<class Read>
inline void deserialize_from(std::vector<char> & payload, Read read)
{
  kovel_cdr::PayloadReader in(payload.data(), payload.size());
  read(in.cdr());
}

}  // namespace kovel_bench

#endif  // KOVEL_BENCH__FIXTURE_HPP_
