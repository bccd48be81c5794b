#include "qos.hpp"

#include <algorithm>

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

// Samples whose room is allocated up front; more are allocated as needed.
static constexpr int32_t kPreallocatedSamples = 16;

template<class EndpointQos>
static void apply(const Qos & qos, EndpointQos & endpoint)
{
  endpoint.reliability().kind = fdds::RELIABLE_RELIABILITY_QOS;
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
