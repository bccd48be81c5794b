// Every sample of every type, cut at every byte: deserializing the cut payload never
// reports success, fails only through the stream's exception (leaving the stream where
// the member that ran out began) or a false with its text, leaves the members that lie
// wholly before the cut filled and every other member as it was. Each cut payload sits in a buffer of exactly its length, so that a read past the
// end shows up under the address sanitizer.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include <fastcdr/exceptions/Exception.h>
#include <nlohmann/json.hpp>

#include "hardening_support.hpp"
#include "codec/json_codec.hpp"
#include "codec/payload.hpp"
#include "codec/record.hpp"

namespace
{

using kovel_cdr::MessageType;
using kovel_cdr::Record;
using namespace kovel_hardening;  // NOLINT

enum class Start {zero_filled, holding_long_strings};

// One cut: returns an empty text when every expectation holds, else the first broken one.
std::string check_cut(
  const MessageType & type, const Record & original, const std::vector<size_t> & ends,
  const std::vector<uint8_t> & payload, size_t cut, Start start, StderrCapture & capture)
{
  const std::vector<uint8_t> prefix(payload.begin(), payload.begin() + cut);
  ZeroRecord zero(type);
  Record prefilled(type);
  void * record = zero.data();
  if (start == Start::holding_long_strings) {
    fill_pattern(type, prefilled.data());
    record = prefilled.data();
  }
  const Snapshot before(type, record);

  std::optional<kovel_cdr::PayloadReader> in;
  bool ok = false;
  bool threw = false;
  capture.begin();
  try {
    in.emplace(prefix.data(), prefix.size());
    ok = kovel_cdr::callbacks_of(type).cdr_deserialize(in->cdr(), record);
  } catch (const eprosima::fastcdr::exception::Exception &) {
    threw = true;
  } catch (const kovel_cdr::Error &) {
    threw = true;
  }
  const std::string text = capture.end();

  if (ok) {
    return "reported success";
  }
  if (threw && !text.empty()) {
    return "threw after writing '" + text + "'";
  }
  if (!threw) {
    auto allowed = allowed_failure_texts(type);
    if (std::find(allowed.begin(), allowed.end(), text) == allowed.end()) {
      return "returned false with the text '" + text + "'";
    }
  }
  std::string owned = check_owned_members(type, record);
  if (!owned.empty()) {
    return owned;
  }
  const size_t body = cut < kovel_cdr::kEncapsulationSize ? 0 : cut - kovel_cdr::kEncapsulationSize;
  const auto leaves = leaves_of(type);
  if (threw) {
    // The stream stands where the member that ran out began: after the last whole one.
    size_t expected = 0;
    if (cut >= kovel_cdr::kEncapsulationSize) {
      expected = kovel_cdr::kEncapsulationSize;
      for (size_t i = 0; i < leaves.size() && ends[i] <= body; ++i) {
        expected = kovel_cdr::kEncapsulationSize + ends[i];
      }
    }
    const size_t stopped = in ? in->consumed() : 0;
    if (stopped != expected) {
      return "the stream was left at byte " + std::to_string(stopped) +
             " instead of " + std::to_string(expected);
    }
  }
  for (size_t i = 0; i < leaves.size(); ++i) {
    bool before_cut = cut >= kovel_cdr::kEncapsulationSize && ends[i] <= body;
    if (before_cut && !leaf_equal(leaves[i], record, original.data())) {
      return leaves[i].path + " lies before the cut but holds " + show_leaf(leaves[i], record) +
             " instead of " + show_leaf(leaves[i], original.data());
    }
    if (!before_cut && !before.untouched(leaves[i], record)) {
      return leaves[i].path + " lies across or after the cut but was changed to " +
             show_leaf(leaves[i], record);
    }
  }
  return std::string();
}

class Truncation : public testing::TestWithParam<const MessageType *> {};

TEST_P(Truncation, EveryCutFailsAndKeepsTheMembersBeforeIt)
{
  const MessageType & type = *GetParam();
  const auto samples = samples_of(type);
  ASSERT_FALSE(samples.empty()) << "no samples of " << type.name;
  StderrCapture capture;
  for (const Sample & sample : samples) {
    SCOPED_TRACE(sample.name);
    Record original(type);
    kovel_cdr::record_from_json(type, nlohmann::json::parse(sample.json), original.data());
    const std::vector<uint8_t> payload = kovel_cdr::encode_payload(type, original.data());
    const std::vector<size_t> ends = leaf_ends(type, original.data());
    // The layout model must agree with the bytes, or the cuts below prove nothing.
    ASSERT_EQ(kovel_cdr::kEncapsulationSize + ends.back(), payload.size());

    ZeroRecord whole(type);
    size_t consumed = 0;
    ASSERT_TRUE(deserialize_payload(type, payload.data(), payload.size(), whole.data(), &consumed));
    ASSERT_EQ(consumed, payload.size());
    ASSERT_EQ(first_difference(type, whole.data(), original.data()), "");

    for (Start start : {Start::zero_filled, Start::holding_long_strings}) {
      for (size_t cut = 0; cut < payload.size(); ++cut) {
        std::string problem = check_cut(type, original, ends, payload, cut, start, capture);
        ASSERT_EQ(problem, "") << "cut at byte " << cut << " of " << payload.size() <<
          (start == Start::zero_filled ? ", zero-filled record" : ", record holding long strings");
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
  AllTypes, Truncation, testing::ValuesIn(kovel_cdr::message_types()),
  [](const testing::TestParamInfo<const MessageType *> & info) {return info.param->name;});

}  // namespace
