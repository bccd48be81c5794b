#include "dds/services.hpp"

#include <utility>

#include <fastdds/dds/subscriber/SampleInfo.hpp>

#include "dds/node.hpp"
#include "dds/ros_names.hpp"

namespace kovel_cdr
{
namespace dds
{

namespace fdds = eprosima::fastdds::dds;
using eprosima::fastrtps::rtps::GUID_t;
using eprosima::fastrtps::rtps::SampleIdentity;
using eprosima::fastrtps::rtps::WriteParams;

// At most this many requests taken, or replies held, per service at a time.
static constexpr size_t kMostPending = 256;

ServiceServer::ServiceServer(const ServiceType & type, Reader & requests, Writer & replies)
: type_(type), requests_(requests), replies_(replies)
{
}

bool ServiceServer::due(const Held & held) const
{
  return replies_.is_matched(held.reader) || Clock::now() >= held.give_up;
}

void ServiceServer::send(const Record & reply, const SampleIdentity & request)
{
  WriteParams params;
  params.related_sample_identity(request);
  replies_.write(reply, params);
}

bool ServiceServer::has_work()
{
  for (const Held & held : held_) {
    if (due(held)) {
      return true;
    }
  }
  return requests_.has_data();
}

size_t ServiceServer::answer_pending(const Handler & handler, double reply_match_wait)
{
  size_t sent = 0;
  for (auto held = held_.begin(); held != held_.end(); ) {
    if (due(*held)) {
      // Sent when the wait is over too: the reader may yet appear.
      Held ready = std::move(*held);
      held = held_.erase(held);
      send(ready.reply, ready.request);
      ++sent;
    } else {
      ++held;
    }
  }
  for (size_t i = 0; i < kMostPending; ++i) {
    fdds::SampleInfo info;
    std::optional<Record> request = requests_.take(&info);
    if (!request) {
      break;
    }
    Record response(*type_.response);
    handler(*request, response);
    // A client may name its reply reader in the request's related sample identity.
    const GUID_t & reply_reader = info.related_sample_identity.writer_guid();
    if (reply_reader != GUID_t::unknown() && reply_reader != info.sample_identity.writer_guid() &&
      !replies_.is_matched(reply_reader) && held_.size() < kMostPending)
    {
      held_.push_back(Held{std::move(response), info.sample_identity, reply_reader,
          deadline_in(reply_match_wait)});
      continue;
    }
    send(response, info.sample_identity);
    ++sent;
  }
  return sent;
}

ServiceClient::ServiceClient(
  const ServiceType & type, Writer & requests, Reader & replies, const Node & node,
  Activity & activity)
: type_(type), requests_(requests), replies_(replies), node_(node), activity_(activity)
{
}

std::set<std::string> ServiceClient::other_server_types() const
{
  const std::string own = type_.request->package + "/srv/" + type_.name;
  std::set<std::string> others;
  for (bool readers : {true, false}) {
    const std::string dds_topic = readers ?
      dds_request_topic_name(name()) : dds_reply_topic_name(name());
    for (const RemoteEndpoint & server : node_.remote_endpoints(dds_topic, readers)) {
      const std::string type = ros_service_type(server.dds_type);
      if (type != own) {
        others.insert(type);
      }
    }
  }
  return others;
}

// A server of this type that starts with one of another may be found a little after it.
static constexpr double kOtherTypeSeconds = 0.5;

bool ServiceClient::wait_for_server(Deadline deadline)
{
  auto matched = [&]() {return requests_.matched_readers() > 0 && replies_.matched_writers() > 0;};
  std::set<std::string> others;
  Deadline tell = Deadline::max();
  activity_.wait_until(deadline, [&]() {
      if (matched()) {
        return true;
      }
      others = other_server_types();
      if (others.empty()) {
        tell = Deadline::max();
      } else if (tell == Deadline::max()) {
        tell = deadline_in(kOtherTypeSeconds);
      }
      return Clock::now() >= tell;
    });
  if (matched()) {
    return true;
  }
  if (!others.empty() && !interrupted()) {
    std::string types;
    for (const std::string & type : others) {
      types += (types.empty() ? "" : ", ") + type;
    }
    throw Error("service '" + name() + "' has type " + types + ", not " +
            type_.request->package + "/srv/" + type_.name);
  }
  return false;
}

std::optional<Record> ServiceClient::call(const Record & request, Deadline deadline)
{
  WriteParams params;
  // Names the reply reader, for servers that wait for it before replying.
  params.related_sample_identity().writer_guid(replies_.guid());
  requests_.write(request, params);
  const SampleIdentity sent = params.sample_identity();
  const GUID_t reply_reader = replies_.guid();

  std::optional<Record> reply;
  activity_.wait_until(deadline, [&]() {
      for (size_t i = 0; i < kMostPending; ++i) {
        fdds::SampleInfo info;
        std::optional<Record> candidate = replies_.take(&info);
        if (!candidate) {
          return false;
        }
        const SampleIdentity & related = info.related_sample_identity;
        if (related.sequence_number() == sent.sequence_number() &&
        (related.writer_guid() == sent.writer_guid() || related.writer_guid() == reply_reader))
        {
          reply.emplace(std::move(*candidate));
          return true;
        }
      }
      return false;
    });
  return reply;
}

}  // namespace dds
}  // namespace kovel_cdr
