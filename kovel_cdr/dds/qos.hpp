// The quality of service of kovel_cdr's endpoints, as ROS 2 names it: topics and services
// default to ROS 2's profiles (reliable, volatile, keep last 10); the command line chooses
// others with ROS 2's profile names and --qos-* options.
#ifndef KOVEL_CDR__DDS__QOS_HPP_
#define KOVEL_CDR__DDS__QOS_HPP_

#include <cstdint>
#include <map>
#include <set>
#include <string>

#include <fastdds/dds/publisher/qos/DataWriterQos.hpp>
#include <fastdds/dds/subscriber/qos/DataReaderQos.hpp>

namespace kovel_cdr
{
namespace dds
{

struct Qos
{
  /// Best effort: a sample lost on the way is not sent again, and nobody waits for a reader.
  bool best_effort = false;
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

/// ROS 2's sensor data profile: best effort, volatile, keep last 5.
Qos sensor_data_qos();

/// A profile by its ROS 2 name (default, sensor_data, services_default, system_default),
/// then the --qos-* options of ROS 2's command line over it: "reliability" (reliable,
/// best_effort), "durability" (volatile, transient_local), "history" (keep_last,
/// keep_all), "depth" (1 or more). Throws Error naming the option for a value it does not
/// know. system_default is Fast DDS's own: reliable, volatile, keep last 1.
Qos qos_from_options(const std::map<std::string, std::string> & options, const Qos & base);

/// The --qos-* options, without their dashes.
extern const std::set<std::string> kQosOptionNames;

/// Whether any --qos-* option is among `options`.
bool has_qos_options(const std::map<std::string, std::string> & options);

/// "RELIABLE, VOLATILE, KEEP_LAST (10)": a QoS as ros2 prints it.
std::string describe(const Qos & qos);

/// How long one write may wait inside Fast DDS (for a lock or, keeping all, for room).
constexpr double kMaxBlockingSeconds = 0.1;

eprosima::fastdds::dds::DataWriterQos writer_qos(const Qos & qos);
eprosima::fastdds::dds::DataReaderQos reader_qos(const Qos & qos);

}  // namespace dds
}  // namespace kovel_cdr

#endif  // KOVEL_CDR__DDS__QOS_HPP_
