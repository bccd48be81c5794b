// The catalog and the member kinds on types described by a hand-made C introspection, as
// rosidl generates it for an interface file: every shape and bound, a `.msg` default, and a
// member kind kovel_cdr does not know.
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "codec/json_codec.hpp"
#include "codec/payload.hpp"
#include "codec/record.hpp"
#include "rosidl_runtime_c/primitives_sequence_functions.h"
#include "rosidl_runtime_c/string_functions.h"
#include "rosidl_typesupport_introspection_c/field_types.h"
#include "codec/type_catalog.hpp"
#include "codec/yaml_codec.hpp"

namespace
{

using nlohmann::json;
using Members = rosidl_typesupport_introspection_c__MessageMembers;
using Field = rosidl_typesupport_introspection_c__MessageMember;

// float64 x
struct Inner
{
  double x;
};

struct InnerSequence
{
  Inner * data;
  size_t size;
  size_t capacity;
};

// int32 sensor_id 7, float64 gain, uint64 big, int8[2] small, int16[<=2] bounded,
// string<=4 label, string[] names, Inner[] inners
struct Probe
{
  int32_t sensor_id;
  double gain;
  uint64_t big;
  int8_t small[2];
  rosidl_runtime_c__int16__Sequence bounded;
  rosidl_runtime_c__String label;
  rosidl_runtime_c__String__Sequence names;
  InnerSequence inners;
};

void probe_init(void * record, rosidl_runtime_c__message_initialization)
{
  auto & probe = *static_cast<Probe *>(record);
  probe.sensor_id = 7;
  rosidl_runtime_c__int16__Sequence__init(&probe.bounded, 0);
  rosidl_runtime_c__String__init(&probe.label);
  rosidl_runtime_c__String__Sequence__init(&probe.names, 0);
}

void probe_fini(void * record)
{
  auto & probe = *static_cast<Probe *>(record);
  rosidl_runtime_c__int16__Sequence__fini(&probe.bounded);
  rosidl_runtime_c__String__fini(&probe.label);
  rosidl_runtime_c__String__Sequence__fini(&probe.names);
  std::free(probe.inners.data);
}

bool resize_bounded(void * slot, size_t size)
{
  auto * sequence = static_cast<rosidl_runtime_c__int16__Sequence *>(slot);
  rosidl_runtime_c__int16__Sequence__fini(sequence);
  return rosidl_runtime_c__int16__Sequence__init(sequence, size);
}

bool resize_names(void * slot, size_t size)
{
  auto * sequence = static_cast<rosidl_runtime_c__String__Sequence *>(slot);
  rosidl_runtime_c__String__Sequence__fini(sequence);
  return rosidl_runtime_c__String__Sequence__init(sequence, size);
}

bool resize_inners(void * slot, size_t size)
{
  auto * sequence = static_cast<InnerSequence *>(slot);
  std::free(sequence->data);
  sequence->data = static_cast<Inner *>(std::calloc(size == 0 ? 1 : size, sizeof(Inner)));
  sequence->size = sequence->capacity = sequence->data == nullptr ? 0 : size;
  return sequence->data != nullptr;
}

void nothing_to_init(void *, rosidl_runtime_c__message_initialization) {}
void nothing_to_fini(void *) {}

Field field(const char * name, uint8_t type_id, size_t offset)
{
  Field described{};
  described.name_ = name;
  described.type_id_ = type_id;
  described.offset_ = static_cast<uint32_t>(offset);
  return described;
}

Field array_field(Field described, size_t size, bool upper_bound, bool (*resize)(void *, size_t))
{
  described.is_array_ = true;
  described.array_size_ = size;
  described.is_upper_bound_ = upper_bound;
  described.resize_function = resize;
  return described;
}

const Field kInnerFields[] = {
  field("x", rosidl_typesupport_introspection_c__ROS_TYPE_DOUBLE, 0)};
const Members kInner{"kovel_probe__msg", "Inner", 1, sizeof(Inner), kInnerFields,
  nothing_to_init, nothing_to_fini};
const rosidl_message_type_support_t kInnerHandle{
  "rosidl_typesupport_introspection_c", &kInner, nullptr};

Field nested_field(Field described, const rosidl_message_type_support_t * handle)
{
  described.members_ = handle;
  return described;
}

Field bounded_string(Field described, size_t bound)
{
  described.string_upper_bound_ = bound;
  return described;
}

const Field kProbeFields[] = {
  field("sensor_id", rosidl_typesupport_introspection_c__ROS_TYPE_INT32,
    offsetof(Probe, sensor_id)),
  field("gain", rosidl_typesupport_introspection_c__ROS_TYPE_DOUBLE, offsetof(Probe, gain)),
  field("big", rosidl_typesupport_introspection_c__ROS_TYPE_UINT64, offsetof(Probe, big)),
  array_field(field("small", rosidl_typesupport_introspection_c__ROS_TYPE_INT8,
    offsetof(Probe, small)), 2, false, nullptr),
  array_field(field("bounded", rosidl_typesupport_introspection_c__ROS_TYPE_INT16,
    offsetof(Probe, bounded)), 2, true, resize_bounded),
  bounded_string(field("label", rosidl_typesupport_introspection_c__ROS_TYPE_STRING,
    offsetof(Probe, label)), 4),
  array_field(field("names", rosidl_typesupport_introspection_c__ROS_TYPE_STRING,
    offsetof(Probe, names)), 0, false, resize_names),
  array_field(nested_field(field("inners", rosidl_typesupport_introspection_c__ROS_TYPE_MESSAGE,
    offsetof(Probe, inners)), &kInnerHandle), 0, false, resize_inners),
};
const Members kProbe{"kovel_probe__msg", "Probe", std::size(kProbeFields), sizeof(Probe),
  kProbeFields, probe_init, probe_fini};

std::string error_of(const std::function<void()> & action)
{
  try {
    action();
  } catch (const kovel_cdr::Error & e) {
    return e.what();
  }
  return "(no error)";
}

TEST(MemberKinds, EveryShapeRoundTripsThroughJsonAndYamlAndDefaultsHold)
{
  const kovel_cdr::MessageType & probe = kovel_cdr::describe(kProbe);

  // A member the input leaves out keeps the default the type's own set-up gives it.
  EXPECT_EQ(kovel_cdr::record_to_json(probe, kovel_cdr::make_record(probe, json::object()).data())
    ["sensor_id"], 7);

  const json message = json::parse(R"({"gain": 0.1, "big": 18446744073709551615,
    "small": [-128, 127], "bounded": [1, -2], "label": "abcd", "names": ["a", "b"],
    "inners": [{"x": "nan"}, {"x": 1.5}]})");
  json expected = message;
  expected["sensor_id"] = 7;
  const auto round_trip = kovel_cdr::record_to_json(
    probe, kovel_cdr::make_record(probe, message).data());
  EXPECT_EQ(json(round_trip), expected);
  const std::string yaml = kovel_cdr::message_to_yaml(probe, round_trip);
  EXPECT_EQ(kovel_cdr::messages_from_yaml(probe, yaml, "YAML").at(0).message, expected) << yaml;

  const std::pair<const char *, const char *> refused[] = {
    {R"({"bounded": [1, 2, 3]})", "Probe.bounded: expected at most 2 elements, got 3"},
    {R"({"label": "abcde"})", "Probe.label: a text of 5 bytes is longer than the bound 4"},
    {R"({"small": [200, 0]})", "Probe.small[0]: integer 200 out of range [-128, 127]"},
    {R"({"inners": [{"x": true}]})",
      "Probe.inners[0].x: expected a number or \"nan\", \"inf\", \"-inf\", got true"},
  };
  for (const auto & [input, error] : refused) {
    EXPECT_EQ(error_of([&] {kovel_cdr::make_record(probe, json::parse(input));}), error);
  }
  EXPECT_EQ(error_of([&] {kovel_cdr::messages_from_yaml(probe, "gain: 1e400", "YAML");}),
    "Probe.gain: 1e400 is out of range for float64");
}

// long double m; and a type holding one.
const Field kBadFields[] = {
  field("m", rosidl_typesupport_introspection_c__ROS_TYPE_LONG_DOUBLE, 0)};
const Members kBad{"kovel_probe__msg", "Bad", 1, sizeof(long double), kBadFields,
  nothing_to_init, nothing_to_fini};
const rosidl_message_type_support_t kBadHandle{
  "rosidl_typesupport_introspection_c", &kBad, nullptr};
const Field kHoldsBadFields[] = {nested_field(
    field("bad", rosidl_typesupport_introspection_c__ROS_TYPE_MESSAGE, 0), &kBadHandle)};
const Members kHoldsBad{"kovel_probe__msg", "HoldsBad", 1, sizeof(long double), kHoldsBadFields,
  nothing_to_init, nothing_to_fini};

TEST(MemberKinds, AnUnknownKindFailsOnlyTheTypesThatHoldIt)
{
  const std::string why = "kovel_probe/msg/Bad.m: member kind long double is not supported";
  EXPECT_EQ(kovel_cdr::describe(kBad).unsupported, why);
  EXPECT_EQ(kovel_cdr::describe(kHoldsBad).unsupported, why);
  // The package's own types are still there, and still encode.
  const kovel_cdr::MessageType & info = kovel_cdr::find_message_type("DeviceInfo");
  EXPECT_EQ(info.unsupported, "");
  EXPECT_GT(kovel_cdr::encode_payload(info, kovel_cdr::make_record(info, json::object()).data())
    .size(), kovel_cdr::kEncapsulationSize);
}

std::string hex(const std::vector<uint8_t> & bytes)
{
  std::string text;
  for (uint8_t byte : bytes) {
    text += "0123456789abcdef"[byte >> 4];
    text += "0123456789abcdef"[byte & 15];
    text += ' ';
  }
  return text;
}

// The introspection codec on every shape, where no Fast-CDR C type support exists to compare
// with: the bytes as CDR lays them out, a bound exceeded refused both ways, and input that
// ends early, or holds a count it cannot, refused before anything is allocated for it.
TEST(MemberKinds, TheIntrospectionCodecWritesAndReadsEveryShapeAndRefusesWhatBreaksABound)
{
  const kovel_cdr::MessageType & probe = kovel_cdr::describe(kProbe);
  ASSERT_EQ(probe.fastrtps, nullptr);
  const kovel_cdr::Record record = kovel_cdr::make_record(probe, json::parse(R"({"gain": 0.5,
    "big": 1, "small": [-1, 2], "bounded": [3], "label": "ab", "names": ["x"],
    "inners": [{"x": 2.0}]})"));
  const std::vector<uint8_t> expected{0, 1, 0, 0,
    7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xe0, 0x3f,  // sensor_id, gain at 8
    1, 0, 0, 0, 0, 0, 0, 0, 0xff, 2,  // big, small
    0, 0, 1, 0, 0, 0, 3, 0,  // bounded: count at 28
    0, 0, 3, 0, 0, 0, 'a', 'b', 0,  // label at 36
    0, 1, 0, 0, 0, 2, 0, 0, 0, 'x', 0,  // names at 44
    0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x40};  // inners at 56, x at 64
  const std::vector<uint8_t> payload = kovel_cdr::encode_payload(probe, record.data());
  ASSERT_EQ(hex(payload), hex(expected));
  bool full_bounded = true;
  EXPECT_EQ(probe.codec().max(full_bounded, 0), 56u);
  EXPECT_FALSE(full_bounded);
  EXPECT_EQ(probe.codec().size(record.data(), 1), 71u);

  auto decoded = [&](std::vector<uint8_t> bytes) {
      kovel_cdr::Record back(probe);
      kovel_cdr::decode_payload(probe, bytes.data(), bytes.size(), back.data());
      return json(kovel_cdr::record_to_json(probe, back.data()));
    };
  EXPECT_EQ(decoded(payload), json(kovel_cdr::record_to_json(probe, record.data())));
  auto with = [&](size_t at, uint8_t byte) {
      std::vector<uint8_t> bytes = payload;
      bytes[4 + at] = byte;
      return bytes;
    };
  const std::string refused = "Probe: the type support refused the payload";
  EXPECT_EQ(error_of([&] {decoded(with(28, 3));}), refused);  // bounded: 3 of at most 2
  EXPECT_EQ(error_of([&] {decoded(with(36, 6));}), refused);  // label: 5 characters of 4
  const std::string early = "ends early";
  EXPECT_NE(error_of([&] {decoded(with(47, 0x7f));}).find(early), std::string::npos);  // names
  EXPECT_NE(error_of([&] {decoded({payload.begin(), payload.end() - 1});}).find(early),
    std::string::npos);

  kovel_cdr::Record over(probe);
  auto & bounded = kovel_cdr::member_at<rosidl_runtime_c__int16__Sequence>(
    over.data(), offsetof(Probe, bounded));
  ASSERT_TRUE(resize_bounded(&bounded, 3));
  EXPECT_EQ(error_of([&] {kovel_cdr::encode_payload(probe, over.data());}),
    "Probe: the type support refused the message");
}

}  // namespace
