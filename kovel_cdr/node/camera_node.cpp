// kovel_camera_node: a simulated Kovel stereo camera on loopback. It publishes DeviceInfo,
// Metadata and Extrinsics under its namespace and answers the four kovel_camera_msgs
// services there, with plausible values, until it is stopped or for --duration seconds.
#include <atomic>
#include <cerrno>
#include <cmath>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/command_line.hpp"
#include "commands/dds_command.hpp"
#include "codec/json_codec.hpp"
#include "dds/loopback.hpp"
#include "dds/node.hpp"
#include "codec/record.hpp"
#include "cli/standard_streams.hpp"
#include "codec/type_catalog.hpp"

namespace kovel_cdr
{
namespace
{

using nlohmann::json;

const char kHelp[] =
  "A simulated Kovel stereo camera. Publishes NS/device_info (DeviceInfo), NS/metadata\n"
  "(Metadata) and NS/extrinsics (Extrinsics) HZ times a second and serves\n"
  "NS/get_device_info, NS/get_camera_info, NS/get_camera_params and NS/get_string until\n"
  "stopped (SIGTERM, SIGINT, SIGHUP), or for --duration seconds.\n\n"
  "Topics are reliable, volatile, keep last 10 (ROS 2's default); DeviceInfo is\n"
  "transient local, keep last 1, so that late subscribers get the latest at once. The\n"
  "--qos-* options set the QoS of all three topics instead. No subscriber can hold up\n"
  "the others or the services, which are answered on a thread of their own.\n\n"
  "  --namespace NS      where the topics and services are (default /camera)\n"
  "  --rate HZ           publications per second, 0.1 to 1000 (default 10)\n"
  "  --duration S        stop after S seconds (default: run until stopped)\n";

const char kExitStatus[] =
  "Exit status: 0 at the end of the duration or on SIGTERM, 1 failed (one line on\n"
  "stderr), 2 usage, 130 interrupted by SIGINT or SIGHUP, 141 standard output closed.\n";

// ---- What the camera reports ----

json stamp_now()
{
  auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
  auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(since_epoch).count();
  return {{"sec", static_cast<int32_t>(ns / 1000000000)},
    {"nanosec", static_cast<uint32_t>(ns % 1000000000)}};
}

json header(const char * frame_id)
{
  return {{"stamp", stamp_now()}, {"frame_id", frame_id}};
}

json device_info()
{
  return {{"header", header("camera_link")}, {"name", "Kovel K1 Stereo"}, {"vid", 11205},
    {"pid", 1025}, {"serial_number", "KV1-000123"}, {"firmware_version", "2.4.1"},
    {"supported_min_sdk_version", "1.8.0"}, {"hardware_version", "B2"}};
}

json metadata(uint64_t frame)
{
  json data = {{"frame_number", frame}, {"exposure_us", 8000 + frame % 7 * 125},
    {"gain", 16}, {"auto_exposure", true}, {"laser_power_mw", 150},
    {"temperature_c", 41.5}, {"depth_mode", "640x480@30"}};
  return {{"header", header("camera_depth_optical_frame")}, {"json_data", data.dump()}};
}

json extrinsics()
{
  // Depth to colour: a rotation of a few tenths of a degree and a 25 mm baseline.
  return {{"header", header("camera_depth_optical_frame")},
    {"rotation", {0.99998, -0.0042, 0.0051, 0.0042, 0.99999, 0.0008, -0.0051, -0.0008,
        0.99998}},
    {"translation", {-0.0251, 0.0002, 0.0011}}};
}

json camera_info()
{
  const double fx = 525.0, fy = 525.0, cx = 319.5, cy = 239.5;
  return {{"header", header("camera_color_optical_frame")}, {"height", 480}, {"width", 640},
    {"distortion_model", "plumb_bob"}, {"d", {0.0123, -0.0345, 0.0002, -0.0001, 0.0}},
    {"k", {fx, 0, cx, 0, fy, cy, 0, 0, 1}}, {"r", {1, 0, 0, 0, 1, 0, 0, 0, 1}},
    {"p", {fx, 0, cx, 0, 0, fy, cy, 0, 0, 0, 1, 0}}, {"binning_x", 0}, {"binning_y", 0},
    {"roi", {{"x_offset", 0}, {"y_offset", 0}, {"height", 0}, {"width", 0},
      {"do_rectify", false}}}};
}

json camera_params()
{
  return {{"l_intr_p", {525.0, 525.0, 319.5, 239.5}}, {"r_intr_p", {524.2, 524.6, 320.1, 240.3}},
    {"r2l_r", {1, 0.0004, -0.0011, -0.0004, 1, 0.0002, 0.0011, -0.0002, 1}},
    {"r2l_t", {-50.02, 0.03, -0.12}},
    {"l_k", {0.0123, -0.0345, 0.0002, -0.0001, 0.0}},
    {"r_k", {0.0119, -0.0338, 0.0001, 0.0002, 0.0}},
    {"success", true}, {"message", ""}};
}

void fill(Record & record, const json & value)
{
  record_from_json(record.type(), value, record.data());
}

json response_for(const ServiceType & service)
{
  std::string name = service.name;
  if (name == "GetDeviceInfo") {
    return {{"info", device_info()}, {"success", true}, {"message", ""}};
  }
  if (name == "GetCameraInfo") {
    return {{"info", camera_info()}, {"success", true}, {"message", ""}};
  }
  if (name == "GetCameraParams") {
    return camera_params();
  }
  json settings = {{"model", "Kovel K1 Stereo"}, {"serial_number", "KV1-000123"},
    {"depth_mode", "640x480@30"}, {"color_mode", "1280x720@30"}, {"ir_mode", "640x480@30"}};
  return {{"data", settings.dump()}, {"success", true}, {"message", ""}};
}

std::string snake_case(const std::string & name)
{
  std::string out;
  for (char c : name) {
    if (c >= 'A' && c <= 'Z') {
      if (!out.empty()) {
        out += '_';
      }
      out += static_cast<char>(c - 'A' + 'a');
    } else {
      out += c;
    }
  }
  return out;
}

void report(const std::string & line);

// The node's own lines on standard output, from both of its threads, written by a thread
// of its own so that a reader who does not read holds up no service and no topic. A line
// that finds kQueuedLines waiting is dropped and counted, and the count is written once
// the output drains. A closed output stops the node (exit 141).
class Output
{
public:
  Output()
  : writer_([this]() {write();}) {}

  // A moment for the last lines, which a reader who does not read never gets.
  ~Output() {finish(0.02);}

  void line(const std::string & text)
  {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (lines_.size() >= kQueuedLines) {
        ++dropped_;
        return;
      }
      lines_.push_back(text + "\n");
    }
    changed_.notify_one();
  }

  bool closed()
  {
    if (!closed_.load() && dds::output_closed()) {
      closed_.store(true);
    }
    return closed_.load();
  }

  /// Writes what is queued, for at most `seconds` more, and stops the writer.
  void finish(double seconds)
  {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!finishing_.load()) {
        give_up_at_ = dds::deadline_in(seconds);
        finishing_.store(true);
      }
    }
    changed_.notify_one();
    if (writer_.joinable()) {
      writer_.join();
    }
  }

private:
  static constexpr size_t kQueuedLines = 256;

  void write()
  {
    auto give_up = [this]() {return finishing_.load() && dds::Clock::now() >= give_up_at_;};
    bool failed = false;
    std::unique_lock<std::mutex> lock(mutex_);
    // Ends once finishing: the queue is written by then, or each write gives up by then.
    while (true) {
      changed_.wait(lock, [&]() {return !lines_.empty() || finishing_.load();});
      if (lines_.empty() || give_up()) {
        return;
      }
      std::string text = std::move(lines_.front());
      lines_.pop_front();
      if (lines_.empty() && dropped_ > 0) {
        text += "kovel_camera_node: " + std::to_string(dropped_) + " line" +
          (dropped_ == 1 ? "" : "s") + " dropped while standard output was full\n";
        dropped_ = 0;
      }
      if (closed_.load()) {
        continue;
      }
      lock.unlock();
      int error = 0;
      WriteResult result = write_output_until(text, give_up, 20, error);
      if (result == WriteResult::closed) {
        closed_.store(true);
      } else if (result == WriteResult::failed && !failed) {
        // Said once: the node goes on serving without its lines.
        failed = true;
        report(std::string("cannot write to standard output: ") + std::strerror(error));
      }
      lock.lock();
    }
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::string> lines_;
  uint64_t dropped_ = 0;
  std::atomic<bool> closed_{false};
  std::atomic<bool> finishing_{false};
  dds::Deadline give_up_at_;  // set before finishing_
  std::thread writer_;  // last: it starts on the members above
};

void report(const std::string & line)
{
  std::fprintf(stderr, "kovel_camera_node: %s\n", line.c_str());
}

// Answers the services until `stop`, on a thread of its own, so that no topic can delay
// a reply. A request that fails is reported; the others are still answered.
void serve(
  dds::Node & node, const std::vector<dds::ServiceServer *> & servers, Output & output,
  const std::atomic<bool> & stop)
{
  auto work = [&]() {
      if (stop.load()) {
        return true;
      }
      for (dds::ServiceServer * server : servers) {
        if (server->has_work()) {
          return true;
        }
      }
      return false;
    };
  // Ends when stop is set: each pass waits at most a second.
  while (!stop.load()) {
    node.activity().wait_until(dds::deadline_in(1), work);
    for (dds::ServiceServer * server : servers) {
      try {
        size_t answered = server->answer_pending([&](const Record &, Record & response) {
              fill(response, response_for(server->type()));
            });
        if (answered > 0) {
          output.line("kovel_camera_node: answered " + std::to_string(answered) + " request" +
            (answered == 1 ? "" : "s") + " on " + server->name());
        }
      } catch (const std::exception & e) {
        report(e.what());
      }
    }
  }
}

int run(const Arguments & arguments)
{
  std::string ns = arguments.values.count("namespace") ?
    arguments.values.at("namespace") : "/camera";
  if (!ns.empty() && ns.back() == '/') {
    ns.pop_back();
  }
  const double rate = arguments.number("rate", 10, 0.1, 1000);
  // Any duration whose end the clock can hold (a second to spare for starting); without
  // one the node runs until a signal stops it.
  const bool timed = arguments.values.count("duration") > 0;
  const double duration = timed ? parse_number("--duration", arguments.values.at("duration"), 0,
      std::floor(std::chrono::duration<double>(dds::Deadline::max() - dds::Clock::now())
      .count()) - 1) : 0;
  // Before the node, so that its last lines are written while the node is deleted.
  Output output;
  auto made = make_node("kovel_camera_node", arguments, report, dds::kNodeDefaultTransport);
  dds::Node & node = *made;
  auto qos = [&](const dds::Qos & own) {return dds::qos_from_options(arguments.values, own);};
  // DeviceInfo is a state: a subscriber that joins late gets the latest at once.
  dds::Writer & info_writer = node.create_publisher(find_message_type("DeviceInfo"),
      ns + "/device_info", qos(dds::latched_qos()));
  dds::Writer & metadata_writer = node.create_publisher(find_message_type("Metadata"),
      ns + "/metadata", qos(dds::topic_qos()));
  dds::Writer & extrinsics_writer = node.create_publisher(find_message_type("Extrinsics"),
      ns + "/extrinsics", qos(dds::topic_qos()));
  std::vector<dds::ServiceServer *> servers;
  for (const ServiceType * service : service_types()) {
    // GetDeviceInfo is served as NS/get_device_info, and so on.
    servers.push_back(&node.create_service(*service, ns + "/" + snake_case(service->name)));
  }
  char text[256];
  std::snprintf(text, sizeof(text), "kovel_camera_node: domain %u over %s, %s",
    node.domain(), dds::transport_name(node.transport()),
    timed ? ("for " + seconds_text(duration) + " s").c_str() : "until stopped");
  output.line(text);
  std::snprintf(text, sizeof(text), "kovel_camera_node: publishing %s, %s, %s at %g Hz",
    info_writer.name().c_str(), metadata_writer.name().c_str(),
    extrinsics_writer.name().c_str(), rate);
  output.line(text);
  for (dds::ServiceServer * server : servers) {
    output.line("kovel_camera_node: serving " + server->name() + " (" + server->type().name + ")");
  }

  std::atomic<bool> stop{false};
  std::thread server_thread(serve, std::ref(node), std::cref(servers), std::ref(output),
    std::cref(stop));
  const dds::Deadline end = timed ? dds::Clock::now() +
    std::chrono::duration_cast<dds::Clock::duration>(std::chrono::duration<double>(duration)) :
    dds::Deadline::max();
  const auto period = std::chrono::duration_cast<dds::Clock::duration>(
    std::chrono::duration<double>(1 / rate));
  dds::Deadline next_publish = dds::Clock::now();
  uint64_t frame = 0;
  try {
    // Ends at `end`, when interrupted or when the output closes: each pass publishes once
    // and waits for the next publication. Keeping the last 10, no write waits for a reader,
    // so a slow, stopped or vanished subscriber cannot hold the others up.
    while (dds::Clock::now() < end && !dds::interrupted() && !output.closed()) {
      Record info(info_writer.type());
      fill(info, device_info());
      Record meta(metadata_writer.type());
      fill(meta, metadata(++frame));
      Record extr(extrinsics_writer.type());
      fill(extr, extrinsics());
      for (auto [writer, record] : {std::make_pair(&info_writer, &info),
          std::make_pair(&metadata_writer, &meta), std::make_pair(&extrinsics_writer, &extr)})
      {
        try {
          writer->write(*record);
        } catch (const Error & e) {
          report(e.what());
        }
      }
      next_publish += period;
      node.activity().wait_until(std::min(next_publish, end), [&]() {return output.closed();});
    }
  } catch (...) {
    stop.store(true);
    node.activity().notify();
    server_thread.join();
    throw;
  }
  stop.store(true);
  node.activity().notify();  // the server thread sees it at once
  server_thread.join();
  const std::string published = "published " + std::to_string(frame) + " frames";
  if (output.closed()) {
    return dds::kClosedPipeExit;
  }
  // SIGTERM is how a service manager (and the demo) asks the node to stop: that ends it
  // as its duration does. SIGINT and SIGHUP interrupt it.
  if (dds::interrupted() && dds::interrupting_signal() != SIGTERM) {
    report(std::string(dds::interruption("").what()) + "; " + published);
    return dds::kInterruptedExit;
  }
  output.line("kovel_camera_node: " + published + "; stopping");
  return 0;
}

}  // namespace
}  // namespace kovel_cdr

int main(int argc, char ** argv)
{
  using namespace kovel_cdr;  // NOLINT
  // Its lines would go into the first file it opens.
  if (!standard_streams_open()) {
    return kClosedPipeExit;
  }
  static const std::string help = std::string(kHelp) + kQosOptions + kCommonOptions;
  const auto options = options_with(options_with({"namespace", "rate", "duration"},
      kCommonOptionNames), kovel_cdr::dds::kQosOptionNames);
  const Command node{"kovel_camera_node",
    "[--namespace NS] [--rate HZ] [--duration S] [QOS] [--domain D] [--transport T]",
    "a simulated Kovel stereo camera", help.c_str(), 0, 0, options, kCommonFlagNames, run};
  return run_command("kovel_camera_node", node, std::vector<std::string>(argv + 1, argv + argc),
           kExitStatus);
}
