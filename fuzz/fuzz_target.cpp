// One libFuzzer entry point, built once per message type and property:
// KOVEL_FUZZ_TYPE names the type ("DeviceInfo", "GetString_Response", ...);
// KOVEL_FUZZ_ROUND_TRIP selects the round-trip property, KOVEL_FUZZ_FROM_TEXT the
// YAML/JSON input and KOVEL_FUZZ_DIFFERENTIAL the two codecs against each other instead of
// plain deserialization.
#include <cstddef>
#include <cstdint>

#include "fuzz_checks.hpp"

#ifndef KOVEL_FUZZ_TYPE
#error "KOVEL_FUZZ_TYPE must name a message type"
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t * data, size_t size)
{
#if defined(KOVEL_FUZZ_ROUND_TRIP)
  kovel_fuzz::round_trip(KOVEL_FUZZ_TYPE, data, size);
#elif defined(KOVEL_FUZZ_DIFFERENTIAL)
  kovel_fuzz::differential(KOVEL_FUZZ_TYPE, data, size);
#elif defined(KOVEL_FUZZ_FROM_TEXT)
  kovel_fuzz::from_text(KOVEL_FUZZ_TYPE, data, size);
#else
  kovel_fuzz::deserialize_any(KOVEL_FUZZ_TYPE, data, size);
#endif
  return 0;
}
