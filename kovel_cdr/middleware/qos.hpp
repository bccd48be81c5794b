// The quality of service of kovel_cdr's endpoints, as ROS 2 uses it: every endpoint is
// reliable; topics and services default to ROS 2's profiles (volatile, keep last 10).
// Choices beyond those (the camera's DeviceInfo, a counted pub, echo) are made where the
// endpoint is created.
#ifndef KOVEL_CDR__MIDDLEWARE__QOS_HPP_
#define KOVEL_CDR__MIDDLEWARE__QOS_HPP_

#include <cstdint>

#include <fastdds/dds/publisher/qos/DataWriterQos.hpp>
#include <fastdds/dds/subscriber/qos/DataReaderQos.hpp>

namespace kovel_cdr
{
namespace dds
{

struct Qos
{
  /// Keep last `depth` samples, or keep all of them up to `depth` (then a writer waits for
  /// acknowledgements and a reader for its samples to be taken).
  bool keep_all = false;
  int32_t depth = 10;
  /// Transient local: a reader that joins late gets the samples the writer keeps.
  bool transient_local = false;
};

/// ROS 2's default profile for topics: reliable, volatile, keep last 10.
Qos topic_qos();
/// ROS 2's profile for services: reliable, volatile, keep last 10.
Qos service_qos();
/// A state that late joiners get: reliable, transient local, keep last 1.
Qos latched_qos();
/// Nothing overwritten: reliable, volatile, keep all up to `bound` samples.
Qos keep_all_qos(int32_t bound);

/// How long one write may wait inside Fast DDS (for a lock or, keeping all, for room).
constexpr double kMaxBlockingSeconds = 0.1;

eprosima::fastdds::dds::DataWriterQos writer_qos(const Qos & qos);
eprosima::fastdds::dds::DataReaderQos reader_qos(const Qos & qos);

}  // namespace dds
}  // namespace kovel_cdr

#endif  // KOVEL_CDR__MIDDLEWARE__QOS_HPP_
