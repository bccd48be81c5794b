#include "ros_names.hpp"

#include "error.hpp"

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
      return Error("invalid name '" + std::string(name) + "': " + why);
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

std::string dds_topic_name(std::string_view topic)
{
  return "rt" + fully_qualified_name(topic);
}

std::string dds_request_topic_name(std::string_view service)
{
  return "rq" + fully_qualified_name(service) + "Request";
}

std::string dds_reply_topic_name(std::string_view service)
{
  return "rr" + fully_qualified_name(service) + "Reply";
}

}  // namespace dds
}  // namespace kovel_cdr
