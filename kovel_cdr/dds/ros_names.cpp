#include "dds/ros_names.hpp"

#include <string>

#include "codec/error.hpp"

namespace kovel_cdr
{
namespace dds
{

static bool is_letter(char c)
{
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

static bool is_digit(char c)
{
  return c >= '0' && c <= '9';
}

std::string fully_qualified_name(std::string_view name)
{
  auto invalid = [&](const std::string & why) {
      return UsageError("invalid name '" + std::string(name) + "': " + why);
    };
  if (name.empty()) {
    throw invalid("it is empty");
  }
  std::string full = name[0] == '/' ? std::string(name) : "/" + std::string(name);
  if (full.size() == 1) {
    throw invalid("it has no token after '/'");
  }
  if (full.back() == '/') {
    throw invalid("it ends with '/'");
  }
  for (size_t i = 0; i < full.size(); ++i) {
    char c = full[i];
    if (c == '/') {
      if (i + 1 < full.size() && full[i + 1] == '/') {
        throw invalid("it repeats '/'");
      }
    } else if (is_digit(c)) {
      if (full[i - 1] == '/') {
        throw invalid("a token starts with a digit");
      }
    } else if (!is_letter(c) && c != '_') {
      throw invalid("'" + std::string(1, c) + "' is not a letter, digit, '_' or '/'");
    }
  }
  return full;
}

// Discovery carries a DDS topic name as a parameter of at most 256 bytes: a 4-byte length,
// the name and its NUL, padded to 4. Fast DDS 2.9.1 announces a longer name all the same,
// and every peer drops the announcement, so the endpoint never matches.
constexpr size_t kMaxDdsTopicName = 251;

// prefix + the fully qualified name + suffix, refused when it is longer than DDS carries.
static std::string dds_name(
  const char * prefix, std::string_view name, const char * suffix, const char * kind)
{
  const std::string full = fully_qualified_name(name);
  std::string dds = prefix + full + suffix;
  if (dds.size() > kMaxDdsTopicName) {
    const size_t most = kMaxDdsTopicName - (dds.size() - full.size());
    throw UsageError("invalid name '" + full + "': a " + kind + " name has at most " +
            std::to_string(most) + " characters (DDS topic " + prefix + "NAME" + suffix +
            ", at most " + std::to_string(kMaxDdsTopicName) + "), this one has " +
            std::to_string(full.size()));
  }
  return dds;
}

std::string dds_topic_name(std::string_view topic)
{
  return dds_name("rt", topic, "", "topic");
}

std::string dds_request_topic_name(std::string_view service)
{
  return dds_name("rq", service, "Request", "service");
}

std::string dds_reply_topic_name(std::string_view service)
{
  // The request's name is the longer: a service is refused as a whole, by its limit.
  dds_request_topic_name(service);
  return dds_name("rr", service, "Reply", "service");
}

static bool ends_with(std::string_view text, std::string_view end)
{
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

RosTopic ros_topic(std::string_view dds_topic)
{
  RosTopic ros;
  if (dds_topic.size() < 4 || dds_topic[2] != '/') {
    return ros;
  }
  std::string_view prefix = dds_topic.substr(0, 2);
  std::string_view name = dds_topic.substr(2);
  if (prefix == "rt") {
    ros.kind = RosTopic::topic;
  } else if (prefix == "rq" && ends_with(name, "Request")) {
    ros.kind = RosTopic::request;
    name.remove_suffix(7);
  } else if (prefix == "rr" && ends_with(name, "Reply")) {
    ros.kind = RosTopic::reply;
    name.remove_suffix(5);
  }
  if (ros.kind != RosTopic::none) {
    ros.name = name;
  }
  return ros;
}

std::string ros_type(std::string_view dds_type)
{
  const std::string_view marker = "::dds_::";
  size_t at = dds_type.find(marker);
  if (at == std::string_view::npos || !ends_with(dds_type, "_")) {
    return std::string(dds_type);
  }
  std::string head(dds_type.substr(0, at));
  std::string_view name = dds_type.substr(at + marker.size());
  name.remove_suffix(1);
  for (size_t colons; (colons = head.find("::")) != std::string::npos; ) {
    head.replace(colons, 2, "/");
  }
  return head + "/" + std::string(name);
}

std::string ros_service_type(std::string_view dds_type)
{
  std::string type = ros_type(dds_type);
  for (std::string_view half : {"_Request", "_Response"}) {
    if (type.find("/srv/") != std::string::npos && ends_with(type, half)) {
      type.resize(type.size() - half.size());
      break;
    }
  }
  return type;
}

}  // namespace dds
}  // namespace kovel_cdr
