// Instructions per DeviceInfo serialize or deserialize, ours or the peer's: a warm-up, then
// `count` operations between callgrind's start and stop of instrumentation. Run it as
//
//   valgrind --tool=callgrind --instr-atstart=no instruction_count serialize ours 100000
//
// and divide callgrind's total Ir by the count. Without valgrind it just runs.
#include <valgrind/callgrind.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fixture.hpp"

namespace
{

using kovel_bench::Cdr;
using Peer = kovel_camera_msgs::msg::DeviceInfo;

constexpr long kWarmUp = 1000;
constexpr long kMaxCount = 100000000;

// The same operations as the benchmark's, counted instead of timed.
bool serialize(kovel_bench::Fixture<Peer> & f, bool ours, long count)
{
  bool ok = true;
  for (long i = 0; i < count; ++i) {
    kovel_bench::serialize_into(f.scratch, [&](Cdr & cdr) {
        if (ours) {
          ok &= f.callbacks.cdr_serialize(f.record.data(), cdr);
        } else {
          f.object.serialize(cdr);
        }
      });
  }
  return ok;
}

bool deserialize(kovel_bench::Fixture<Peer> & f, bool ours, long count)
{
  bool ok = true;
  for (long i = 0; i < count; ++i) {
    kovel_bench::deserialize_from(f.payload, [&](Cdr & cdr) {
        if (ours) {
          ok &= f.callbacks.cdr_deserialize(cdr, f.into.data());
        } else {
          f.object_into.deserialize(cdr);
        }
      });
  }
  return ok;
}

int usage()
{
  std::fputs("usage: instruction_count serialize|deserialize ours|peer [COUNT]\n", stderr);
  return 2;
}

}  // namespace

int main(int argc, char ** argv)
{
  if (argc < 3 || argc > 4) {
    return usage();
  }
  const std::string op = argv[1];
  const std::string side = argv[2];
  if ((op != "serialize" && op != "deserialize") || (side != "ours" && side != "peer")) {
    return usage();
  }
  const long count = argc == 4 ? std::strtol(argv[3], nullptr, 10) : 100000;
  if (count < 1 || count > kMaxCount) {
    std::fprintf(stderr, "COUNT must be from 1 to %ld\n", kMaxCount);
    return 2;
  }

  kovel_bench::Fixture<Peer> f({"DeviceInfo", "DeviceInfo", kovel_bench::typical_device_info()});
  if (side == "peer" && !f.mismatch.empty()) {
    std::fprintf(stderr, "%s\n", f.mismatch.c_str());
    return 1;
  }
  const bool ours = side == "ours";
  auto run = op == "serialize" ? serialize : deserialize;

  bool ok = run(f, ours, kWarmUp);
  CALLGRIND_START_INSTRUMENTATION;
  ok &= run(f, ours, count);
  CALLGRIND_STOP_INSTRUMENTATION;
  if (!ok) {
    std::fprintf(stderr, "DeviceInfo %s %s failed\n", op.c_str(), side.c_str());
    return 1;
  }
  std::printf("DeviceInfo %s %s: %ld operations, payload %zu bytes\n",
    op.c_str(), side.c_str(), count, f.payload.size());
  return 0;
}
