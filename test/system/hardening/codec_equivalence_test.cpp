// The introspection codec against the Fast-CDR C type support, on every committed sample of
// every type that has both: the same bytes, the same sizes and maximums from every start
// position modulo 8, each reads what the other wrote into the same bytes again, and a
// payload cut anywhere is refused by both.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "hardening_support.hpp"
#include "codec/json_codec.hpp"
#include "codec/payload.hpp"
#include "codec/record.hpp"

namespace
{

using kovel_cdr::Codec;
using kovel_cdr::MessageType;
using kovel_cdr::Record;

// What the codec makes of a payload: its message written back, or "refused".
std::string read_and_write(const Codec & codec, const std::vector<uint8_t> & payload)
{
  Record record(codec.type());
  try {
    kovel_cdr::decode_payload(codec, payload.data(), payload.size(), record.data());
  } catch (const kovel_cdr::Error &) {
    return "refused";
  }
  const std::vector<uint8_t> again = kovel_cdr::encode_payload(codec, record.data());
  return std::string(again.begin(), again.end());
}

TEST(CodecEquivalence, BothCodecsAgreeOnEverySampleOfEveryType)
{
  size_t samples = 0;
  for (const MessageType * type : kovel_cdr::message_types()) {
    ASSERT_TRUE(type->fastrtps && type->introspection) << type->full_name();
    const Codec & unit = *type->fastrtps;
    const Codec & ours = *type->introspection;
    for (size_t start = 0; start < 8; ++start) {
      bool unit_bounded = true;
      bool ours_bounded = true;
      EXPECT_EQ(ours.max(ours_bounded, start), unit.max(unit_bounded, start))
        << type->full_name() << " from " << start;
      EXPECT_EQ(ours_bounded, unit_bounded) << type->full_name();
    }
    for (const kovel_hardening::Sample & sample : kovel_hardening::samples_of(*type)) {
      ++samples;
      const Record record = kovel_cdr::make_record(*type, nlohmann::json::parse(sample.json));
      for (size_t start = 0; start < 8; ++start) {
        EXPECT_EQ(ours.size(record.data(), start), unit.size(record.data(), start))
          << sample.name << " from " << start;
      }
      const std::vector<uint8_t> payload = kovel_cdr::encode_payload(unit, record.data());
      ASSERT_EQ(kovel_cdr::encode_payload(ours, record.data()), payload) << sample.name;
      const std::string bytes(payload.begin(), payload.end());
      EXPECT_EQ(read_and_write(ours, payload), bytes) << sample.name;
      EXPECT_EQ(read_and_write(unit, payload), bytes) << sample.name;
      // Cut short, at every byte of the small ones and at 64 places of the others.
      const size_t step = std::max<size_t>(1, payload.size() / 64);
      for (size_t cut = 0; cut < payload.size(); cut += step) {
        const std::vector<uint8_t> prefix(payload.begin(), payload.begin() + cut);
        // The padding to a multiple of 4 may be all that is cut.
        const std::string expected = read_and_write(unit, prefix);
        EXPECT_EQ(read_and_write(ours, prefix), expected) << sample.name << " cut at " << cut;
      }
    }
  }
  EXPECT_GE(samples, kovel_cdr::message_types().size());
}

}  // namespace
