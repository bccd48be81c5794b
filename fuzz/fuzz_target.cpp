// One libFuzzer entry point, built once per message type and property:
// KOVEL_FUZZ_TYPE names the type ("DeviceInfo", "GetString_Response", ...) and
// KOVEL_FUZZ_ROUND_TRIP selects the round-trip property instead of plain deserialization.
#include <cstddef>
#include <cstdint>

#include "fuzz_checks.hpp"

#ifndef KOVEL_FUZZ_TYPE
#error "KOVEL_FUZZ_TYPE must name a message type"
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t * data, size_t size)
{
#ifdef KOVEL_FUZZ_ROUND_TRIP
  kovel_fuzz::round_trip(KOVEL_FUZZ_TYPE, data, size);
#else
  kovel_fuzz::deserialize_any(KOVEL_FUZZ_TYPE, data, size);
#endif
  return 0;
}
