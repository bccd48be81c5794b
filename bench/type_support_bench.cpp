// The type supports' own cost: serialize, deserialize and size of a typical message of
// each kind, against memcpy of the same number of bytes, measured in one run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include <fastcdr/Cdr.h>
#include <fastcdr/FastBuffer.h>
#include <nlohmann/json.hpp>

#include "json_codec.hpp"
#include "payload.hpp"
#include "record.hpp"
#include "type_catalog.hpp"

namespace
{

using eprosima::fastcdr::Cdr;
using eprosima::fastcdr::FastBuffer;

struct Sample
{
  const char * label;
  const char * type;
  nlohmann::json message;
};

std::vector<Sample> samples()
{
  const nlohmann::json header = {
    {"stamp", {{"sec", 1765200000}, {"nanosec", 500}}}, {"frame_id", "camera_link"}};
  return {
    {"DeviceInfo", "DeviceInfo",
      {{"header", header}, {"name", "Kovel K1"}, {"vid", 11205}, {"pid", 1},
        {"serial_number", "KV-000123"}, {"firmware_version", "2.4.1"},
        {"supported_min_sdk_version", "1.0"}, {"hardware_version", "B"}}},
    {"Extrinsics", "Extrinsics",
      {{"header", header}, {"rotation", {1, 0, 0, 0, 1, 0, 0, 0, 1}},
        {"translation", {0.05, 0, 0}}}},
    {"GetCameraParams_Response", "GetCameraParams_Response",
      {{"l_intr_p", {600, 600, 320, 240}}, {"success", true}, {"message", "ok"}}},
    {"GetCameraInfo_Response", "GetCameraInfo_Response",
      {{"info", {{"header", header}, {"height", 480}, {"width", 640},
        {"distortion_model", "plumb_bob"}, {"d", {0.1, -0.2, 0.001, 0.002, 0}}}},
        {"success", true}}},
    {"Metadata/1KiB", "Metadata", {{"header", header}, {"json_data", std::string(1024, 'j')}}},
    {"Metadata/1MiB", "Metadata",
      {{"header", header}, {"json_data", std::string(1 << 20, 'j')}}},
  };
}

struct Prepared
{
  explicit Prepared(const Sample & sample)
  : type(kovel_cdr::find_message_type(sample.type)), record(type), into(type)
  {
    kovel_cdr::record_from_json(type, sample.message, record.data());
    payload = kovel_cdr::encode_payload(type, record.data());
    scratch.assign(payload.size(), 0);
  }
  const kovel_cdr::MessageType & type;
  kovel_cdr::Record record;
  kovel_cdr::Record into;
  std::vector<uint8_t> payload;
  std::vector<char> scratch;
};

void serialize(benchmark::State & state, const Sample & sample)
{
  Prepared p(sample);
  const auto & callbacks = kovel_cdr::callbacks_of(p.type);
  for (auto _ : state) {
    FastBuffer buffer(p.scratch.data(), p.scratch.size());
    Cdr cdr(buffer, Cdr::DEFAULT_ENDIAN, Cdr::DDS_CDR);
    cdr.serialize_encapsulation();
    benchmark::DoNotOptimize(callbacks.cdr_serialize(p.record.data(), cdr));
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(p.payload.size()));
}

void deserialize(benchmark::State & state, const Sample & sample)
{
  Prepared p(sample);
  const auto & callbacks = kovel_cdr::callbacks_of(p.type);
  for (auto _ : state) {
    FastBuffer buffer(reinterpret_cast<char *>(p.payload.data()), p.payload.size());
    Cdr cdr(buffer, Cdr::DEFAULT_ENDIAN, Cdr::DDS_CDR);
    cdr.read_encapsulation();
    benchmark::DoNotOptimize(callbacks.cdr_deserialize(cdr, p.into.data()));
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(p.payload.size()));
}

void size(benchmark::State & state, const Sample & sample)
{
  Prepared p(sample);
  const auto & callbacks = kovel_cdr::callbacks_of(p.type);
  for (auto _ : state) {
    benchmark::DoNotOptimize(callbacks.get_serialized_size(p.record.data()));
  }
}

// The floor: copying the payload's bytes and nothing else.
void copy(benchmark::State & state, const Sample & sample)
{
  Prepared p(sample);
  for (auto _ : state) {
    std::memcpy(p.scratch.data(), p.payload.data(), p.payload.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(p.payload.size()));
}

const bool registered = [] {
    static const std::vector<Sample> all = samples();
    for (const Sample & sample : all) {
      const std::string label = sample.label;
      benchmark::RegisterBenchmark(("memcpy/" + label).c_str(), copy, sample);
      benchmark::RegisterBenchmark(("serialize/" + label).c_str(), serialize, sample);
      benchmark::RegisterBenchmark(("deserialize/" + label).c_str(), deserialize, sample);
      benchmark::RegisterBenchmark(("size/" + label).c_str(), size, sample);
    }
    return true;
  }();

}  // namespace

BENCHMARK_MAIN();
