// Eight threads serialize, deserialize and size every sample of every type at once, each
// with its own streams and records but all serializing the same shared, read-only
// originals. Every result must equal the one computed before on a single thread. Built
// with the thread sanitizer, this also proves the operations share no mutable state.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

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

constexpr int kThreads = 8;

struct Case
{
  const MessageType * type;
  Record original;
  std::vector<uint8_t> payload;  // computed on one thread
  uint32_t size;
  size_t max;
  bool full_bounded;
};

int rounds()
{
  const char * text = std::getenv("KOVEL_CONCURRENCY_ROUNDS");
  int n = text ? std::atoi(text) : 0;
  return n > 0 ? n : 1000;
}

// One thread's work: every case, `rounds` times. Returns the number of wrong results and
// the first of them.
int run_thread(const std::vector<Case> & cases, int rounds, std::string & first_problem)
{
  int wrong = 0;
  auto problem = [&](const Case & c, const std::string & what) {
      if (wrong++ == 0) {
        first_problem = std::string(c.type->name) + ": " + what;
      }
    };
  for (int round = 0; round < rounds; ++round) {
    for (const Case & c : cases) {
      const auto & callbacks = kovel_cdr::callbacks_of(*c.type);
      if (callbacks.get_serialized_size(c.original.data()) != c.size) {
        problem(c, "size differs");
      }
      bool full_bounded = true;
      if (callbacks.max_serialized_size(full_bounded) != c.max || full_bounded != c.full_bounded) {
        problem(c, "maximum differs");
      }
      std::vector<char> bytes(c.payload.size(), 0);
      kovel_cdr::PayloadWriter out(bytes.data(), bytes.size());
      if (!callbacks.cdr_serialize(c.original.data(), out.cdr()) ||
        std::memcmp(bytes.data(), c.payload.data(), bytes.size()) != 0)
      {
        problem(c, "serialized bytes differ");
      }
      Record back(*c.type);
      if (!deserialize_payload(*c.type, c.payload.data(), c.payload.size(), back.data()) ||
        !first_difference(*c.type, back.data(), c.original.data()).empty())
      {
        problem(c, "deserialized record differs");
      }
    }
  }
  return wrong;
}

TEST(Concurrency, EightThreadsGetTheSingleThreadedResults)
{
  std::vector<Case> cases;
  for (const MessageType * type : kovel_cdr::message_types()) {
    for (const Sample & sample : samples_of(*type)) {
      Record original(*type);
      kovel_cdr::record_from_json(*type, nlohmann::json::parse(sample.json), original.data());
      auto payload = kovel_cdr::encode_payload(*type, original.data());
      uint32_t size = kovel_cdr::callbacks_of(*type).get_serialized_size(original.data());
      bool full_bounded = true;
      size_t max = kovel_cdr::callbacks_of(*type).max_serialized_size(full_bounded);
      cases.push_back(Case{type, std::move(original), std::move(payload), size, max, full_bounded});
    }
  }
  ASSERT_GE(cases.size(), kovel_cdr::message_types().size());

  const int n = rounds();
  std::mutex mutex;
  std::condition_variable start;
  bool go = false;
  std::vector<int> wrong(kThreads, 0);
  std::vector<std::string> problems(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back(
      [&, t] {
        {  // start together, so that the threads overlap from the first call
          std::unique_lock<std::mutex> lock(mutex);
          start.wait_for(lock, std::chrono::seconds(10), [&] {return go;});
        }
        wrong[t] = run_thread(cases, n, problems[t]);
      });
  }
  {
    std::lock_guard<std::mutex> lock(mutex);
    go = true;
  }
  start.notify_all();
  for (std::thread & thread : threads) {
    thread.join();
  }
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(wrong[t], 0) << "thread " << t << ": " << problems[t];
  }
}

}  // namespace
