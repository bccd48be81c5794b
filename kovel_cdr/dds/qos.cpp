#include "dds/qos.hpp"

#include <algorithm>

#include "cli/command_line.hpp"

namespace kovel_cdr
{
namespace dds
{

namespace fdds = eprosima::fastdds::dds;
using eprosima::fastrtps::Duration_t;

Qos topic_qos()
{
  return Qos{};
}

Qos service_qos()
{
  return Qos{};
}

Qos latched_qos()
{
  Qos qos;
  qos.depth = 1;
  qos.transient_local = true;
  return qos;
}

Qos keep_all_qos(int32_t bound)
{
  Qos qos;
  qos.keep_all = true;
  qos.depth = std::max(bound, 1);
  return qos;
}

Qos sensor_data_qos()
{
  Qos qos;
  qos.best_effort = true;
  qos.depth = 5;
  return qos;
}

static Qos profile(const std::string & name)
{
  if (name == "default" || name == "services_default") {
    return topic_qos();
  }
  if (name == "sensor_data") {
    return sensor_data_qos();
  }
  if (name == "system_default") {
    Qos qos;
    qos.depth = 1;
    return qos;
  }
  throw UsageError("--qos-profile: expected default, sensor_data, services_default or "
          "system_default, got '" + name + "'");
}

static bool choice(
  const std::string & option, const std::string & value, const char * no, const char * yes)
{
  if (value == no || value == yes) {
    return value == yes;
  }
  throw UsageError("--" + option + ": expected " + no + " or " + yes + ", got '" + value + "'");
}

const std::set<std::string> kQosOptionNames = {
  "qos-profile", "qos-reliability", "qos-durability", "qos-history", "qos-depth"};

bool has_qos_options(const std::map<std::string, std::string> & options)
{
  for (const std::string & option : kQosOptionNames) {
    if (options.count(option) > 0) {
      return true;
    }
  }
  return false;
}

Qos qos_from_options(const std::map<std::string, std::string> & options, const Qos & base)
{
  auto value = [&](const char * option) -> const std::string * {
      auto found = options.find(option);
      return found == options.end() ? nullptr : &found->second;
    };
  Qos qos = value("qos-profile") ? profile(*value("qos-profile")) : base;
  if (auto reliability = value("qos-reliability")) {
    qos.best_effort = choice("qos-reliability", *reliability, "reliable", "best_effort");
  }
  if (auto durability = value("qos-durability")) {
    qos.transient_local = choice("qos-durability", *durability, "volatile", "transient_local");
  }
  if (auto history = value("qos-history")) {
    qos.keep_all = choice("qos-history", *history, "keep_last", "keep_all");
  }
  if (auto depth = value("qos-depth")) {
    qos.depth = static_cast<int32_t>(parse_whole_number("--qos-depth", *depth, 1, 1000000));
  }
  return qos;
}

std::string describe(const Qos & qos)
{
  return std::string(qos.best_effort ? "BEST_EFFORT" : "RELIABLE") + ", " +
         (qos.transient_local ? "TRANSIENT_LOCAL" : "VOLATILE") + ", " +
         (qos.keep_all ? "KEEP_ALL" : "KEEP_LAST") + " (" + std::to_string(qos.depth) + ")";
}

// Samples whose room is allocated up front; more are allocated as needed.
static constexpr int32_t kPreallocatedSamples = 16;

template<class EndpointQos>
static void apply(const Qos & qos, EndpointQos & endpoint)
{
  endpoint.reliability().kind = qos.best_effort ?
    fdds::BEST_EFFORT_RELIABILITY_QOS : fdds::RELIABLE_RELIABILITY_QOS;
  endpoint.reliability().max_blocking_time = Duration_t(kMaxBlockingSeconds);
  endpoint.durability().kind = qos.transient_local ?
    fdds::TRANSIENT_LOCAL_DURABILITY_QOS : fdds::VOLATILE_DURABILITY_QOS;
  endpoint.history().kind = qos.keep_all ? fdds::KEEP_ALL_HISTORY_QOS : fdds::KEEP_LAST_HISTORY_QOS;
  endpoint.history().depth = qos.depth;
  endpoint.resource_limits().max_samples = qos.depth;
  endpoint.resource_limits().max_instances = 1;
  endpoint.resource_limits().max_samples_per_instance = qos.depth;
  endpoint.resource_limits().allocated_samples = std::min(qos.depth, kPreallocatedSamples);
  endpoint.endpoint().history_memory_policy =
    eprosima::fastrtps::rtps::PREALLOCATED_WITH_REALLOC_MEMORY_MODE;
  // Shared memory comes from the transport; data-sharing needs plain types, ours are not.
  endpoint.data_sharing().off();
}

fdds::DataWriterQos writer_qos(const Qos & qos)
{
  fdds::DataWriterQos writer = fdds::DATAWRITER_QOS_DEFAULT;
  apply(qos, writer);
  // A heartbeat every 100 ms instead of every 3 s: lost samples are repaired and
  // acknowledgements come within a tenth of a second.
  writer.reliable_writer_qos().times.heartbeatPeriod = Duration_t(0, 100 * 1000 * 1000);
  writer.publish_mode().kind = fdds::SYNCHRONOUS_PUBLISH_MODE;
  return writer;
}

fdds::DataReaderQos reader_qos(const Qos & qos)
{
  fdds::DataReaderQos reader = fdds::DATAREADER_QOS_DEFAULT;
  apply(qos, reader);
  return reader;
}

}  // namespace dds
}  // namespace kovel_cdr
