// The rosidl runtime failing under the type supports. This executable defines
// rosidl_runtime_c__String__assignn and rosidl_runtime_c__double__Sequence__init itself
// and exports them, so that the calls made inside the shared libraries resolve here first;
// each forwards to the runtime's own function unless told to fail on its n-th call.
//
// For every string member of every type (nested ones included) and for the CameraInfo
// sequence `d`: deserialize returns false, writes exactly the one line naming the member,
// leaves the members before it filled and the members after it as they were.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "hardening_support.hpp"
#include "codec/json_codec.hpp"
#include "codec/payload.hpp"
#include "codec/record.hpp"
#include "rosidl_runtime_c/primitives_sequence_functions.h"
#include "rosidl_runtime_c/string_functions.h"

namespace
{

// A runtime function that fails on its n-th call once armed (n = 0: never).
struct Fault
{
  int fail_at = 0;
  int calls = 0;
  void arm(int n) {fail_at = n; calls = 0;}
  void disarm() {fail_at = 0;}
  bool fails_now() {return fail_at > 0 && ++calls == fail_at;}
};

Fault g_assign;
Fault g_sequence_init;

template<class Function>
Function real(const char * name)
{
  void * found = dlsym(RTLD_NEXT, name);
  if (found == nullptr) {
    fprintf(stderr, "the rosidl runtime has no %s\n", name);
    abort();
  }
  return reinterpret_cast<Function>(found);
}

}  // namespace

extern "C" bool rosidl_runtime_c__String__assignn(
  rosidl_runtime_c__String * str, const char * value, size_t n)
{
  using Assignn = bool (*)(rosidl_runtime_c__String *, const char *, size_t);
  static const Assignn forward = real<Assignn>("rosidl_runtime_c__String__assignn");
  if (g_assign.fails_now()) {
    return false;
  }
  return forward(str, value, n);
}

extern "C" bool rosidl_runtime_c__double__Sequence__init(
  rosidl_runtime_c__double__Sequence * sequence, size_t size)
{
  using Init = bool (*)(rosidl_runtime_c__double__Sequence *, size_t);
  static const Init forward = real<Init>("rosidl_runtime_c__double__Sequence__init");
  if (g_sequence_init.fails_now()) {
    return false;
  }
  return forward(sequence, size);
}

namespace
{

using kovel_cdr::Kind;
using kovel_cdr::MessageType;
using kovel_cdr::Shape;
using kovel_cdr::Record;
using namespace kovel_hardening;  // NOLINT

struct Outcome
{
  bool ok;
  std::string text;
};

// Deserializes the whole payload with `fault` failing its n-th call.
Outcome deserialize_with_fault(
  const MessageType & type, const std::vector<uint8_t> & payload, void * record, Fault & fault,
  int n)
{
  StderrCapture capture;
  fault.arm(n);
  capture.begin();
  bool ok = deserialize_payload(type, payload.data(), payload.size(), record);
  std::string text = capture.end();
  fault.disarm();
  return Outcome{ok, text};
}

// Members before leaf `failed` hold the original's values; those after it are untouched.
void expect_state(
  const MessageType & type, const void * original, const void * record,
  const Snapshot & before, size_t failed)
{
  const auto leaves = leaves_of(type);
  for (size_t i = 0; i < leaves.size(); ++i) {
    if (i < failed) {
      EXPECT_TRUE(leaf_equal(leaves[i], record, original)) <<
        leaves[i].path << " before the failure holds " << show_leaf(leaves[i], record);
    } else if (i > failed) {
      EXPECT_TRUE(before.untouched(leaves[i], record)) <<
        leaves[i].path << " after the failure was changed to " << show_leaf(leaves[i], record);
    }
  }
  EXPECT_EQ(check_owned_members(type, record), "");
}

size_t index_of(const std::vector<Leaf> & leaves, const Leaf & leaf)
{
  for (size_t i = 0; i < leaves.size(); ++i) {
    if (leaves[i].offset == leaf.offset) {
      return i;
    }
  }
  return leaves.size();
}

struct Prepared
{
  Record original;
  std::vector<uint8_t> payload;
};

Prepared prepare(const MessageType & type, const Sample & sample)
{
  Record original(type);
  kovel_cdr::record_from_json(type, nlohmann::json::parse(sample.json), original.data());
  auto payload = kovel_cdr::encode_payload(type, original.data());
  return Prepared{std::move(original), std::move(payload)};
}

class FaultInjection : public testing::TestWithParam<const MessageType *> {};

// The interposed function is the one the libraries call: one call per string member of a
// zero-filled record, and none when every string already has room for what arrives.
TEST_P(FaultInjection, StringsAreAssignedThroughTheRuntimeOnlyWhenTheyMustGrow)
{
  const MessageType & type = *GetParam();
  Prepared p = prepare(type, samples_of(type).at(0));
  ZeroRecord record(type);
  Outcome outcome = deserialize_with_fault(type, p.payload, record.data(), g_assign, 1 << 30);
  EXPECT_TRUE(outcome.ok);
  EXPECT_EQ(outcome.text, "");
  EXPECT_EQ(static_cast<size_t>(g_assign.calls), string_leaves_of(type).size());

  outcome = deserialize_with_fault(type, p.payload, record.data(), g_assign, 1 << 30);
  EXPECT_TRUE(outcome.ok);
  EXPECT_EQ(g_assign.calls, 0) << "a string with room was reallocated";
  EXPECT_EQ(kovel_hardening::first_difference(type, record.data(), p.original.data()), "");
}

// Gives every string of an initialised record the text "k" (a buffer of two bytes), and
// returns the string leaves whose received text will not fit that buffer, in CDR order.
std::vector<Leaf> fill_short_and_list_growing(
  const MessageType & type, void * record, const void * received)
{
  std::vector<Leaf> growing;
  for (const Leaf & leaf : string_leaves_of(type)) {
    auto & s = *reinterpret_cast<rosidl_runtime_c__String *>(
      static_cast<unsigned char *>(record) + leaf.offset);
    if (!rosidl_runtime_c__String__assign(&s, "k")) {
      throw std::bad_alloc();
    }
    const auto & arriving = *reinterpret_cast<const rosidl_runtime_c__String *>(
      static_cast<const unsigned char *>(received) + leaf.offset);
    if (arriving.size + 1 > s.capacity) {
      growing.push_back(leaf);
    }
  }
  return growing;
}

TEST_P(FaultInjection, FailedAssignmentNamesTheMemberAndStopsThere)
{
  const MessageType & type = *GetParam();
  const auto leaves = leaves_of(type);
  const auto strings = string_leaves_of(type);
  for (const Sample & sample : samples_of(type)) {
    SCOPED_TRACE(sample.name);
    Prepared p = prepare(type, sample);
    for (size_t n = 1; n <= strings.size(); ++n) {
      SCOPED_TRACE("assignment " + std::to_string(n) + " fails: " + strings[n - 1].path);
      const std::string expected =
        std::string("failed to assign string into field '") + strings[n - 1].member->name + "'\n";
      const size_t failed = index_of(leaves, strings[n - 1]);

      // Zero-filled: the failing string was initialised empty before its assignment.
      ZeroRecord zero(type);
      const Snapshot before(type, zero.data());
      Outcome outcome = deserialize_with_fault(type, p.payload, zero.data(), g_assign, n);
      EXPECT_FALSE(outcome.ok);
      EXPECT_EQ(outcome.text, expected);
      EXPECT_EQ(g_assign.calls, static_cast<int>(n)) << "assignments went on after the failure";
      expect_state(type, p.original.data(), zero.data(), before, failed);
      const auto & s = *reinterpret_cast<const rosidl_runtime_c__String *>(
        static_cast<const unsigned char *>(zero.data()) + strings[n - 1].offset);
      EXPECT_TRUE(s.data != nullptr && s.size == 0 && s.data[0] == '\0');
    }

    // Holding short texts: only the strings that must grow are assigned; the one whose
    // assignment fails keeps its old text.
    Record shorter(type);
    const auto growing = fill_short_and_list_growing(type, shorter.data(), p.original.data());
    for (size_t n = 1; n <= growing.size(); ++n) {
      SCOPED_TRACE("growing assignment " + std::to_string(n) + " fails: " + growing[n - 1].path);
      Record record(type);
      (void)fill_short_and_list_growing(type, record.data(), p.original.data());
      const Snapshot before(type, record.data());
      Outcome outcome = deserialize_with_fault(type, p.payload, record.data(), g_assign, n);
      EXPECT_FALSE(outcome.ok);
      EXPECT_EQ(
        outcome.text,
        std::string("failed to assign string into field '") + growing[n - 1].member->name +
        "'\n");
      expect_state(type, p.original.data(), record.data(), before, index_of(leaves, growing[n - 1]));
      EXPECT_TRUE(before.untouched(growing[n - 1], record.data()));
    }
  }
}

std::vector<const MessageType *> types_with_strings()
{
  std::vector<const MessageType *> types;
  for (const MessageType * type : kovel_cdr::message_types()) {
    if (!string_leaves_of(*type).empty()) {
      types.push_back(type);
    }
  }
  return types;
}

INSTANTIATE_TEST_SUITE_P(
  TypesWithStrings, FaultInjection, testing::ValuesIn(types_with_strings()),
  [](const testing::TestParamInfo<const MessageType *> & info) {return info.param->name;});

// When the received elements do not fit CameraInfo's `d`, it is released, then allocated
// for them; when the allocation fails it is left released and nothing after it is read.
TEST(SequenceFaultInjection, FailedAllocationOfDNamesItAndStopsThere)
{
  const MessageType & type = kovel_cdr::find_message_type("GetCameraInfo_Response");
  const auto leaves = leaves_of(type);
  size_t d = leaves.size();
  for (size_t i = 0; i < leaves.size(); ++i) {
    if (leaves[i].member->kind == Kind::float64 && leaves[i].member->shape == Shape::sequence) {
      d = i;
    }
  }
  ASSERT_LT(d, leaves.size());
  auto sequence_at = [&](void * record) -> rosidl_runtime_c__double__Sequence & {
      return *reinterpret_cast<rosidl_runtime_c__double__Sequence *>(
        static_cast<unsigned char *>(record) + leaves[d].offset);
    };
  for (const Sample & sample : samples_of(type)) {
    SCOPED_TRACE(sample.name);
    Prepared p = prepare(type, sample);
    const size_t arriving = sequence_at(p.original.data()).size;
    ZeroRecord zero(type);
    Record one_element(type);  // room for one element: more arriving must be allocated
    fill_pattern(type, one_element.data());
    rosidl_runtime_c__double__Sequence__fini(&sequence_at(one_element.data()));
    ASSERT_TRUE(rosidl_runtime_c__double__Sequence__init(&sequence_at(one_element.data()), 1));
    for (void * record : {zero.data(), one_element.data()}) {
      const Snapshot before(type, record);
      Outcome outcome = deserialize_with_fault(type, p.payload, record, g_sequence_init, 1);
      if (record == one_element.data() && arriving <= 1) {
        EXPECT_TRUE(outcome.ok) << "elements that fit were not read in place";
        EXPECT_EQ(g_sequence_init.calls, 0);
        continue;
      }
      EXPECT_FALSE(outcome.ok);
      EXPECT_EQ(outcome.text, "failed to allocate sequence 'd'\n");
      EXPECT_EQ(g_sequence_init.calls, 1);
      expect_state(type, p.original.data(), record, before, d);
      const auto & seq = sequence_at(record);
      EXPECT_TRUE(seq.data == nullptr && seq.size == 0 && seq.capacity == 0);
    }
  }
}

}  // namespace
