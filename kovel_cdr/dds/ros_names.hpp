// ROS 2 names on the DDS wire, so that a ROS 2 node over Fast DDS on this host finds
// kovel_cdr's topics and services: topic "/camera/info" is DDS topic "rt/camera/info";
// service "/camera/get" is request topic "rq/camera/getRequest" and reply topic
// "rr/camera/getReply"; type names are "<package>::<kind>::dds_::<Type>_".
#ifndef KOVEL_CDR__DDS__ROS_NAMES_HPP_
#define KOVEL_CDR__DDS__ROS_NAMES_HPP_

#include <string>
#include <string_view>

namespace kovel_cdr
{
namespace dds
{

/// The fully qualified form of a topic or service name: a relative name ("info") is taken
/// in the root namespace ("/info"). Throws UsageError naming the fault when the name is not
/// a valid ROS 2 name: empty, a token starting with a digit, a character other than
/// letters, digits, '_' and '/', repeated or trailing '/'.
std::string fully_qualified_name(std::string_view name);

/// "rt" + the fully qualified topic name. The DDS names below are at most 251 characters,
/// as DDS discovery carries them: a topic name has at most 249, a service name at most 242
/// ("rq" + NAME + "Request"). Throws UsageError for a longer one, which could never match.
std::string dds_topic_name(std::string_view topic);

/// "rq" + the fully qualified service name + "Request".
std::string dds_request_topic_name(std::string_view service);

/// "rr" + the fully qualified service name + "Reply".
std::string dds_reply_topic_name(std::string_view service);

/// What a DDS topic is in ROS 2 terms: a topic, the request or reply half of a service, or
/// (for a topic that is not named the ROS 2 way) nothing of ROS 2.
struct RosTopic
{
  enum Kind {none, topic, request, reply};
  Kind kind = none;
  std::string name;  // "/camera/metadata", or the service's name "/camera/get_string"
};

/// "rt/camera/metadata" is topic "/camera/metadata"; "rq/camera/get_stringRequest" and
/// "rr/camera/get_stringReply" are service "/camera/get_string".
RosTopic ros_topic(std::string_view dds_topic);

/// "kovel_camera_msgs::msg::dds_::Metadata_" is "kovel_camera_msgs/msg/Metadata". A name
/// not in that form is given back as it is.
std::string ros_type(std::string_view dds_type);

/// The service whose request or response type this is:
/// "kovel_camera_msgs::srv::dds_::GetString_Request_" is "kovel_camera_msgs/srv/GetString".
std::string ros_service_type(std::string_view dds_type);

}  // namespace dds
}  // namespace kovel_cdr

#endif  // KOVEL_CDR__DDS__ROS_NAMES_HPP_
