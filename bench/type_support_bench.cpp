// The type supports' own cost against the peer, fastddsgen's classes for the same types
// (bench/peer/kovel_camera_msgs.idl), and against memcpy of the same bytes, in one run.
//
// For a typical message of each type of kovel_camera_msgs (the catalog's list): serialize
// into a preallocated buffer, deserialize into a reused record (the peer: a reused object),
// the exact size and the maximum size. For Metadata's json_data and GetString_Response's
// data from 16 B to 16 MiB: serialize and deserialize. Names are <op>/<side>/<message>: op
// serialize, deserialize, size, max or copy; side ours, peer or memcpy. The counter `bytes`
// is the payload's size, encapsulation included.
//
// A message the peer does not write byte for byte as we do (or sizes otherwise) is not a
// fair comparison: its peer benchmarks stop with an error naming it. A type the peer has no
// class for (none in bench/peer/kovel_camera_msgs.idl) is measured on our side only, with
// a note.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <map>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "fixture.hpp"
#include "peer_types.hpp"

namespace
{

using kovel_bench::Cdr;
using kovel_bench::Fixture;
using kovel_bench::Message;

// A fixture is made on first use, so that a filtered run builds only what it measures.
template<class Peer>
class LazyFixture
{
public:
  explicit LazyFixture(Message message)
  : message_(std::move(message)) {}

  Fixture<Peer> & get()
  {
    if (!fixture_) {
      fixture_ = std::make_unique<Fixture<Peer>>(message_);
    }
    return *fixture_;
  }

private:
  Message message_;
  std::unique_ptr<Fixture<Peer>> fixture_;
};

void count_bytes(benchmark::State & state, size_t bytes, bool as_rate)
{
  state.counters["bytes"] = static_cast<double>(bytes);
  if (as_rate) {
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes));
  }
}

// Both sides write and read through these same loops.
template<class Write>
void serialize_loop(benchmark::State & state, std::vector<char> & scratch, Write write)
{
  for (auto _ : state) {
    kovel_bench::serialize_into(scratch, write);
    benchmark::ClobberMemory();
  }
}

template<class Read>
void deserialize_loop(benchmark::State & state, std::vector<char> & payload, Read read)
{
  for (auto _ : state) {
    kovel_bench::deserialize_from(payload, read);
    benchmark::ClobberMemory();
  }
}

// A type the peer has no class for: ours and memcpy are measured, the peer's side is not.
struct NoPeer
{
  void serialize(Cdr &) const {}
  void deserialize(Cdr &) {}
  static size_t getCdrSerializedSize(const NoPeer &, size_t) {return 0;}
};

template<class Peer>
constexpr bool kHasPeer = !std::is_same_v<Peer, NoPeer>;

template<class Peer>
void register_message(const Message & message, bool typical)
{
  auto lazy = std::make_shared<LazyFixture<Peer>>(message);
  auto name = [&message](const char * op, const char * side) {
      return std::string(op) + "/" + side + "/" + message.label;
    };
  // The peer's side stops at once when it does not agree with ours on this message.
  auto peer_fixture = [lazy](benchmark::State & state) -> Fixture<Peer> * {
      Fixture<Peer> & f = lazy->get();
      if (!f.mismatch.empty()) {
        state.SkipWithError(f.mismatch.c_str());
        return nullptr;
      }
      return &f;
    };

  benchmark::RegisterBenchmark(name("serialize", "ours").c_str(),
    [lazy](benchmark::State & state) {
      Fixture<Peer> & f = lazy->get();
      serialize_loop(state, f.scratch, [&f](Cdr & cdr) {
        benchmark::DoNotOptimize(f.callbacks.cdr_serialize(f.record.data(), cdr));
      });
      count_bytes(state, f.payload.size(), true);
    });
  if constexpr (kHasPeer<Peer>) {
    benchmark::RegisterBenchmark(name("serialize", "peer").c_str(),
      [peer_fixture](benchmark::State & state) {
        Fixture<Peer> * f = peer_fixture(state);
        if (!f) {return;}
        serialize_loop(state, f->scratch, [f](Cdr & cdr) {f->object.serialize(cdr);});
        count_bytes(state, f->payload.size(), true);
      });
  }
  benchmark::RegisterBenchmark(name("deserialize", "ours").c_str(),
    [lazy](benchmark::State & state) {
      Fixture<Peer> & f = lazy->get();
      deserialize_loop(state, f.payload, [&f](Cdr & cdr) {
        benchmark::DoNotOptimize(f.callbacks.cdr_deserialize(cdr, f.into.data()));
      });
      count_bytes(state, f.payload.size(), true);
    });
  if constexpr (kHasPeer<Peer>) {
    benchmark::RegisterBenchmark(name("deserialize", "peer").c_str(),
      [peer_fixture](benchmark::State & state) {
        Fixture<Peer> * f = peer_fixture(state);
        if (!f) {return;}
        deserialize_loop(state, f->payload, [f](Cdr & cdr) {f->object_into.deserialize(cdr);});
        count_bytes(state, f->payload.size(), true);
      });
  }
  // The floor: copying the payload's bytes and nothing else.
  benchmark::RegisterBenchmark(name("copy", "memcpy").c_str(),
    [lazy](benchmark::State & state) {
      Fixture<Peer> & f = lazy->get();
      for (auto _ : state) {
        std::memcpy(f.scratch.data(), f.payload.data(), f.payload.size());
        benchmark::ClobberMemory();
      }
      count_bytes(state, f.payload.size(), true);
    });
  if (!typical) {
    return;
  }
  benchmark::RegisterBenchmark(name("size", "ours").c_str(),
    [lazy](benchmark::State & state) {
      Fixture<Peer> & f = lazy->get();
      for (auto _ : state) {
        benchmark::DoNotOptimize(f.callbacks.get_serialized_size(f.record.data()));
      }
      count_bytes(state, f.payload.size(), false);
    });
  if constexpr (kHasPeer<Peer>) {
    benchmark::RegisterBenchmark(name("size", "peer").c_str(),
      [peer_fixture](benchmark::State & state) {
        Fixture<Peer> * f = peer_fixture(state);
        if (!f) {return;}
        for (auto _ : state) {
          benchmark::DoNotOptimize(Peer::getCdrSerializedSize(f->object, 0));
        }
        count_bytes(state, f->payload.size(), false);
      });
  }
  benchmark::RegisterBenchmark(name("max", "ours").c_str(),
    [lazy](benchmark::State & state) {
      Fixture<Peer> & f = lazy->get();
      for (auto _ : state) {
        bool full_bounded = true;
        benchmark::DoNotOptimize(f.callbacks.max_serialized_size(full_bounded));
        benchmark::DoNotOptimize(full_bounded);
      }
      count_bytes(state, f.payload.size(), false);
    });
  if constexpr (kHasPeer<Peer>) {
    benchmark::RegisterBenchmark(name("max", "peer").c_str(),
      [peer_fixture](benchmark::State & state) {
        Fixture<Peer> * f = peer_fixture(state);
        if (!f) {return;}
        for (auto _ : state) {
          benchmark::DoNotOptimize(Peer::getMaxCdrSerializedSize(0));
        }
        count_bytes(state, f->payload.size(), false);
      });
  }
}

using Register = void (*)(const Message &, bool);

// Our type's name to the peer's class for it, for each class the peer's IDL declares.
const std::map<std::string, Register> & peers()
{
#define KOVEL_PEER_ENTRY(kind, name) {#name, register_message<kovel_camera_msgs::kind::name>},
  static const std::map<std::string, Register> table = {KOVEL_PEER_TYPES(KOVEL_PEER_ENTRY)};
#undef KOVEL_PEER_ENTRY
  return table;
}

void register_one(const Message & message, bool typical)
{
  auto peer = peers().find(message.type);
  if (peer == peers().end()) {
    std::fprintf(stderr, "type_support_bench: %s: no peer class for it in "
      "bench/peer/kovel_camera_msgs.idl, its peer benchmarks are skipped\n",
      message.label.c_str());
    register_message<NoPeer>(message, typical);
    return;
  }
  peer->second(message, typical);
}

// Every type of the package (the catalog's list), then the sweep.
void register_all()
{
  for (const Message & message : kovel_bench::typical_messages()) {
    register_one(message, true);
  }
  for (const Message & message : kovel_bench::sweep_messages()) {
    register_one(message, false);
  }
}

}  // namespace

// Registering reads the package's types (the catalog loads the type supports), so it runs
// here, where a failure (an environment not sourced, a type without a peer) can be reported.
int main(int argc, char ** argv)
{
  try {
    register_all();
  } catch (const std::exception & e) {
    std::fprintf(stderr, "type_support_bench: %s\n", e.what());
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
