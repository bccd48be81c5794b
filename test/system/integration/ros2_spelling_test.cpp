// The tools typed as ros2 is typed: ros2's order of words, its options short and long with
// their output, a short option never taken for a word of the command, and bash completion
// loaded by setup.bash.
#include <unistd.h>

#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dds_support.hpp"

namespace
{

using kovel_test::Process;
using kovel_test::describe;
using kovel_test::kCameraNode;
using kovel_test::kKovelCdr;
using kovel_test::lines_of;
using kovel_test::unique;

std::unique_ptr<Process> kovel_cdr(std::vector<std::string> words, uint32_t domain)
{
  words.insert(words.begin(), kKovelCdr);
  words.insert(words.end(), {"--domain", std::to_string(domain)});
  return std::make_unique<Process>(words);
}

// Each command as a ros2 user types it, against a camera node: pub --once received by
// echo --once --field; pub -t -r -w -p received by echo --csv; echo's --no-arr, --no-str and
// --flow-style; call SERVICE TYPE; hz -w; and `-x` after a topic is an unknown option, not
// the topic taken for a type.
TEST(Ros2Spelling, EveryCommandTakesRos2sOrderAndOptions)
{
  const uint32_t domain = kovel_test::domain_base() + 59;
  const std::string ns = unique("camera");
  Process node({kCameraNode, "--namespace", ns, "--duration", "60",
      "--domain", std::to_string(domain)});
  const std::string once = unique("once"), counted = unique("counted");
  auto echo_once = kovel_cdr({"echo", once, "DeviceInfo", "--once", "--field", "name",
      "--timeout", "30"}, domain);
  auto echo_csv = kovel_cdr({"echo", counted, "DeviceInfo", "--times", "3", "--csv",
      "--timeout", "30"}, domain);
  auto no_arr = kovel_cdr({"echo", ns + "/extrinsics", "-1", "--no-arr", "--no-str",
      "--timeout", "30"}, domain);
  auto flow = kovel_cdr({"echo", ns + "/extrinsics", "--once", "--flow-style",
      "--timeout", "30"}, domain);
  auto hz = kovel_cdr({"hz", ns + "/metadata", "-w", "5", "--timeout", "4"}, domain);
  auto pub_once = kovel_cdr({"pub", "--once", once, "DeviceInfo", "{name: K1}",
      "--timeout", "30"}, domain);
  auto pub_counted = kovel_cdr({"pub", counted, "kovel_camera_msgs/msg/DeviceInfo",
      "{name: K3, vid: 7}", "-t", "3", "-r", "20", "-w", "1", "-p", "2", "--timeout", "30"},
    domain);
  auto call = kovel_cdr({"call", ns + "/get_string", "kovel_camera_msgs/srv/GetString",
      "--timeout", "30"}, domain);
  auto unknown = kovel_cdr({"echo", ns + "/metadata", "-x"}, domain);

  EXPECT_EQ(pub_once->wait(40), 0) << describe(*pub_once);
  EXPECT_EQ(echo_once->wait(40), 0) << describe(*echo_once);
  EXPECT_EQ(echo_once->out(), "K1\n---\n") << describe(*echo_once);

  EXPECT_EQ(pub_counted->wait(40), 0) << describe(*pub_counted);
  EXPECT_EQ(pub_counted->out(), "publishing #2\n") << describe(*pub_counted);
  EXPECT_EQ(echo_csv->wait(40), 0) << describe(*echo_csv);
  EXPECT_EQ(lines_of(echo_csv->out()),
    std::vector<std::string>(3, "0,0,,K3,7,0,,,,")) << describe(*echo_csv);

  EXPECT_EQ(no_arr->wait(40), 0) << describe(*no_arr);
  EXPECT_NE(no_arr->out().find("\nrotation: '<array type: double[9]>'\n"
    "translation: '<array type: double[3]>'\n---\n"), std::string::npos) << describe(*no_arr);
  EXPECT_NE(no_arr->out().find("  frame_id: '<string length: <"), std::string::npos)
    << describe(*no_arr);
  EXPECT_EQ(flow->wait(40), 0) << describe(*flow);
  const std::vector<std::string> flow_lines = lines_of(flow->out());
  EXPECT_EQ(flow_lines.size(), 2u) << describe(*flow);
  if (flow_lines.size() == 2) {
    EXPECT_EQ(flow_lines[0].rfind("{header: {stamp: {sec: ", 0), 0u) << describe(*flow);
    EXPECT_NE(flow_lines[0].find("}, rotation: [0.99998, "), std::string::npos)
      << describe(*flow);
    EXPECT_EQ(flow_lines[1], "---");
  }

  EXPECT_EQ(call->wait(40), 0) << describe(*call);
  EXPECT_NE(call->out().find("\nsuccess: true\n"), std::string::npos) << describe(*call);
  EXPECT_EQ(hz->wait(20), 0) << describe(*hz);
  EXPECT_NE(hz->out().find(" window: 5\n"), std::string::npos) << describe(*hz);

  EXPECT_EQ(unknown->wait(20), 2) << describe(*unknown);
  EXPECT_EQ(unknown->err(), "kovel_cdr echo: unknown option -x\n") << describe(*unknown);
}

// `source install/setup.bash` loads the completion, as it loads ros2's; and it completes
// what each command takes there: service types after a service name, the QoS profiles
// after --qos-profile, only options that exist, ros2's short options, message types after
// a topic, service names from the graph, the type's default message as pub's VALUES, the
// options of a command that tells them in its usage line only.
TEST(Ros2Spelling, CompletionIsLoadedBySetupAndFitsEachCommand)
{
  const uint32_t domain = kovel_test::domain_base() + 60;
  const std::string ns = unique("camera");
  // The package's prefix; colcon's setup.bash stands beside it in an isolated install.
  const std::string prefix = kKovelCdr.substr(0, kKovelCdr.rfind("/bin/"));
  const std::string workspace = prefix.substr(0, prefix.rfind('/')) + "/setup.bash";
  const std::string setup = access(workspace.c_str(), R_OK) == 0 ? workspace :
    prefix + "/share/kovel_cdr/local_setup.bash";
  Process node({kCameraNode, "--namespace", ns, "--duration", "60",
      "--domain", std::to_string(domain)});
  auto found = kovel_cdr({"list", "--services", "--timeout", "20"}, domain);
  ASSERT_EQ(found->wait(30), 0) << describe(*found);
  const std::string d = std::to_string(domain);
  Process shell({"/bin/bash", "--norc", "--noprofile", "-i", "-c",
      "source \"$0\" >/dev/null 2>&1; complete -p kovel_cdr || exit 3\n"
      "words() { COMP_WORDS=(\"$@\"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _kovel_cdr;"
      " echo \"$*: ${COMPREPLY[*]}\"; }\n"
      "words kovel_cdr call " + ns + "/get_string ''\n"
      "words kovel_cdr echo --qos-profile ''\n"
      "words kovel_cdr echo /t --qos\n"
      "words kovel_cdr pub -\n"
      "words kovel_cdr pub /t Dev\n"
      "words kovel_cdr call --domain " + d + " ''\n"
      "words kovel_cdr pub /t DeviceInfo ''\n"
      "words kovel_cdr decode DeviceInfo --\n", setup});
  ASSERT_EQ(shell.wait(60), 0) << describe(shell);
  const std::vector<std::string> lines = lines_of(shell.out());
  ASSERT_EQ(lines.size(), 9u) << describe(shell);
  EXPECT_EQ(lines[0], "complete -F _kovel_cdr kovel_cdr");
  // The words offered on a line, "kovel_cdr WORDS...: OFFERED...".
  auto offered = [&](size_t line) {
      std::set<std::string> words;
      std::istringstream text(lines[line].substr(lines[line].find(": ") + 1));
      for (std::string word; text >> word; ) {
        words.insert(word);
      }
      return words;
    };
  const std::set<std::string> service_types = offered(1);
  EXPECT_EQ(service_types.count("kovel_camera_msgs/srv/GetString"), 1u) << lines[1];
  EXPECT_EQ(service_types.count("GetString"), 1u) << lines[1];
  EXPECT_EQ(service_types.count("DeviceInfo"), 0u) << lines[1];
  EXPECT_EQ(service_types.count("GetString_Request"), 0u) << lines[1];
  EXPECT_EQ(offered(2), (std::set<std::string>{
      "default", "sensor_data", "services_default", "system_default"})) << lines[2];
  EXPECT_EQ(offered(3), (std::set<std::string>{"--qos-profile", "--qos-reliability",
      "--qos-durability", "--qos-history", "--qos-depth"})) << lines[3];
  for (const char * option : {"-1", "--once", "-w", "--wait-matching-subscriptions",
      "--keep-alive", "-n", "--rate", "-r"})
  {
    EXPECT_EQ(offered(4).count(option), 1u) << option << " in " << lines[4];
  }
  EXPECT_EQ(offered(5).count("DeviceInfo"), 1u) << lines[5];
  EXPECT_EQ(offered(6).count(ns + "/get_string"), 1u) << lines[6];
  EXPECT_EQ(lines[7].rfind("kovel_cdr pub /t DeviceInfo : '{\"header\":{\"stamp\":", 0), 0u)
    << lines[7];
  EXPECT_EQ(offered(8), (std::set<std::string>{"--compact", "--help", "--hex", "--json"}))
    << lines[8];
}

}  // namespace
