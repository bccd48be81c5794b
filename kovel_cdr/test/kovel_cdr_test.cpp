// kovel_cdr from the outside: payload bytes, JSON both ways, type names, and bad input of
// every kind refused with one line on stderr, nothing on stdout and a non-zero exit.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace
{

struct ToolRun
{
  int status;
  std::string out;
  std::string err;
};

std::string slurp(const std::string & path)
{
  std::ifstream file(path, std::ios::binary);
  std::stringstream content;
  content << file.rdbuf();
  return content.str();
}

ToolRun kovel_cdr(const std::string & arguments, const std::string & input = "")
{
  // CTest runs test cases in parallel processes: each gets files of its own.
  const std::string stem = testing::TempDir() + "kovel_cdr_" + std::to_string(getpid());
  const std::string in = stem + ".in", out = stem + ".out", err = stem + ".err";
  std::ofstream(in, std::ios::binary) << input;
  std::string command = std::string(KOVEL_CDR_PATH) + " " + arguments + " <" + in + " >" + out +
    " 2>" + err;
  int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(out), slurp(err)};
}

// A refusal as every command gives one: nothing on stdout, one line on stderr saying `says`.
void expect_refusal(const ToolRun & run, const std::string & says, const std::string & context)
{
  EXPECT_EQ(run.out, "") << context;
  EXPECT_NE(run.err.find(says), std::string::npos) << context << ": " << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
}

ToolRun shell(const std::string & command)
{
  const std::string err = testing::TempDir() + "kovel_cdr_" + std::to_string(getpid()) + ".sh.err";
  int status = std::system((command + " 2>" + err).c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, "", slurp(err)};
}

// kovel_cdr with its standard input and output on pipes that the test holds and never
// uses, stderr to a file: a process stuck in a read or a write, for signals to end.
struct Stuck
{
  pid_t pid = -1;
  int input = -1;
  int output = -1;
  std::string err;
};

Stuck start_stuck(const std::vector<std::string> & arguments)
{
  static int started = 0;
  Stuck stuck;
  stuck.err = testing::TempDir() + "kovel_cdr_" + std::to_string(getpid()) + "_" +
    std::to_string(++started) + ".err";
  int in[2], out[2];
  if (pipe(in) != 0 || pipe(out) != 0) {
    return stuck;
  }
  std::vector<std::string> words{KOVEL_CDR_PATH};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char *> argv;
  for (std::string & word : words) {
    argv.push_back(word.data());
  }
  argv.push_back(nullptr);
  stuck.pid = fork();
  if (stuck.pid == 0) {
    int err = open(stuck.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (err < 0 || dup2(in[0], 0) < 0 || dup2(out[1], 1) < 0 || dup2(err, 2) < 0) {
      _exit(126);
    }
    close(in[1]);
    close(out[0]);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  stuck.input = in[1];
  stuck.output = out[0];
  return stuck;
}

// The exit status within `seconds`, or -1 (killed) when the process overstays or died of a
// signal.
int exit_within(Stuck & stuck, double seconds)
{
  int status = 0;
  pid_t done = 0;
  const auto deadline = std::chrono::steady_clock::now() +
    std::chrono::milliseconds(static_cast<int>(seconds * 1000));
  // One check every 10 ms until the deadline.
  while ((done = waitpid(stuck.pid, &status, WNOHANG)) == 0 &&
    std::chrono::steady_clock::now() < deadline)
  {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (done == 0) {
    kill(stuck.pid, SIGKILL);
    waitpid(stuck.pid, &status, 0);
    status = -1;
  }
  close(stuck.input);
  close(stuck.output);
  return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

const char kFullDeviceInfo[] =
  R"({"header":{"stamp":{"sec":-5,"nanosec":4294967295},"frame_id":"cam\u0000era"},)"
  R"("name":"K\u00e9vel \u2603","vid":-2147483648,"pid":2147483647,"serial_number":"",)"
  R"("firmware_version":"1","supported_min_sdk_version":"22","hardware_version":"333"})";

}  // namespace

TEST(KovelCdr, EncodesAnEmptyDeviceInfoAsTheHeaderAndItsSixtyOneBytes)
{
  ToolRun run = kovel_cdr("encode DeviceInfo --hex", "{}");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(
    run.out,
    "00010000"
    "0000000000000000010000000000000001000000000000000000000000000000"
    "01000000000000000100000000000000010000000000000001000000" "00\n");
  EXPECT_EQ(run.err, "");
}

TEST(KovelCdr, BinaryPayloadDecodesToTheSameMessageAndReencodesToTheSameBytes)
{
  ToolRun encoded = kovel_cdr("encode kovel_camera_msgs/msg/DeviceInfo", kFullDeviceInfo);
  ASSERT_EQ(encoded.status, 0) << encoded.err;
  ToolRun decoded = kovel_cdr("decode kovel_camera_msgs/DeviceInfo --compact", encoded.out);
  ASSERT_EQ(decoded.status, 0) << decoded.err;
  EXPECT_EQ(
    decoded.out.rfind(
      R"({"header":{"stamp":{"sec":-5,"nanosec":4294967295},"frame_id":"cam\u0000era"},)", 0),
    0u) << decoded.out;
  EXPECT_NE(decoded.out.find(R"("name":"Kével ☃")"), std::string::npos) << decoded.out;
  ToolRun again = kovel_cdr("encode DeviceInfo", decoded.out);
  EXPECT_EQ(again.out, encoded.out);
}

TEST(KovelCdr, FloatsIncludingNanInfinitiesAndNegativeZeroComeBackBitForBit)
{
  const std::string message =
    R"({"rotation":["nan","inf","-inf",-0.0,0.1,1e-310,3.4028234663852886e+38,-1,2],)"
    R"("translation":[1e308,-2.5,0]})";
  ToolRun encoded = kovel_cdr("encode Extrinsics --hex", message);
  ASSERT_EQ(encoded.status, 0) << encoded.err;
  // Decoded as YAML, the form ros2 prints, and encoded back from it.
  ToolRun decoded = kovel_cdr("decode Extrinsics --hex", encoded.out);
  ASSERT_EQ(decoded.status, 0) << decoded.err;
  EXPECT_NE(decoded.out.find("- .nan\n"), std::string::npos) << decoded.out;
  EXPECT_NE(decoded.out.find("- -0.0\n"), std::string::npos) << decoded.out;
  EXPECT_EQ(kovel_cdr("encode Extrinsics --hex", decoded.out).out, encoded.out);

  const std::string params = R"({"l_intr_p":[0.1,-0.0,"inf",16777217],"success":true})";
  ToolRun floats = kovel_cdr("encode kovel_camera_msgs/srv/GetCameraParams_Response --hex", params);
  ASSERT_EQ(floats.status, 0) << floats.err;
  ToolRun floats_back = kovel_cdr("decode GetCameraParams_Response --hex --compact", floats.out);
  EXPECT_EQ(floats_back.out.rfind(R"({"l_intr_p":[0.1,-0.0,"inf",16777216.0],)", 0), 0u)
    << floats_back.out;
  EXPECT_EQ(kovel_cdr("encode GetCameraParams_Response --hex", floats_back.out).out, floats.out);
}

TEST(KovelCdr, SizesAndTypesReportTheTypeSupportsFigures)
{
  ToolRun sizes = kovel_cdr("sizes GetString_Response", R"({"data":"abc","message":"xyz"})");
  ASSERT_EQ(sizes.status, 0) << sizes.err;
  EXPECT_NE(sizes.out.find("\"serialized_size\": 20"), std::string::npos) << sizes.out;
  EXPECT_NE(sizes.out.find("\"max_serialized_size\": 13"), std::string::npos);
  EXPECT_NE(sizes.out.find("\"full_bounded\": false"), std::string::npos);

  // Each type of kovel_camera_msgs' interface files ("msg/DeviceInfo.idl,..."), a service
  // as its request and response, is listed on a line of its own.
  ToolRun types = kovel_cdr("types");
  ASSERT_EQ(types.status, 0);
  std::stringstream files(KOVEL_INTERFACE_FILES);
  for (std::string file; std::getline(files, file, ','); ) {
    const std::string kind = file.substr(0, file.find('/'));
    const std::string name = file.substr(kind.size() + 1, file.rfind('.') - kind.size() - 1);
    for (const std::string & type : kind == "srv" ?
      std::vector<std::string>{name + "_Request", name + "_Response"} :
      std::vector<std::string>{name})
    {
      const std::string line = "kovel_camera_msgs/" + kind + "/" + type;
      EXPECT_TRUE(types.out.rfind(line + " ", 0) == 0 ||
        types.out.find("\n" + line + " ") != std::string::npos) << line << " in:\n" << types.out;
    }
  }

  // Another installed package's types, a service's parts but not its generated messages.
  ToolRun package = kovel_cdr("types std_msgs");
  ASSERT_EQ(package.status, 0) << package.err;
  EXPECT_EQ(package.out.substr(0, package.out.find(' ')), "std_msgs/msg/Header");
  EXPECT_NE(package.out.find("\nstd_msgs/msg/String   "), std::string::npos) << package.out;
  ToolRun all = kovel_cdr("types --all");
  ASSERT_EQ(all.status, 0) << all.err;
  for (const char * type : {"builtin_interfaces/msg/Time ", "kovel_camera_msgs/msg/Metadata ",
      "sensor_msgs/msg/CameraInfo ", "std_msgs/msg/String "})
  {
    EXPECT_NE(all.out.find(type), std::string::npos) << type << "\n" << all.out;
  }
}

TEST(KovelCdr, BadInputIsOneLineOnStderrNothingOnStdoutAndAFailingExit)
{
  ToolRun valid = kovel_cdr("encode GetString_Response --hex", R"({"data":"abc"})");
  ASSERT_EQ(valid.status, 0);
  const std::string hex = valid.out.substr(0, valid.out.size() - 1);
  struct Case
  {
    std::string arguments;
    std::string input;
    std::string says;
  } cases[] = {
    {"encode DeviceInfo", R"({"nme":"x"})", "DeviceInfo.nme: no such member in DeviceInfo"},
    {"encode DeviceInfo", R"({"header":{"stamp":{"sec":1.5}}})",
      "DeviceInfo.header.stamp.sec: expected an integer"},
    {"encode DeviceInfo", R"({"vid":2147483648})", "DeviceInfo.vid: integer 2147483648 out of"},
    {"encode DeviceInfo", R"({"name":7})", "DeviceInfo.name: expected a string"},
    {"encode GetString_Response", R"({"success":1})", "expected true or false"},
    {"encode GetString_Request", R"({"structure_needs_at_least_one_member":256})", "out of"},
    {"encode Extrinsics", R"({"rotation":[1,2,3]})", "expected exactly 9 elements, got 3"},
    {"encode Extrinsics", R"({"translation":[1,"one",2]})", "translation[1]: expected a number"},
    {"encode GetString_Response", "{success: \"\xff\"}", "expected true or false"},
    {"encode DeviceInfo", R"({"name":)", "input is not valid YAML or JSON"},
    {"encode DeviceInfo", "[]", "the array of messages is empty"},
    // What follows the first message is read too: anything there that is no message is
    // refused, naming its line, before anything is written.
    {"encode Metadata --hex", "{json_data: a}\ngarbage: [\n", "input, line 2: not valid YAML"},
    {"encode Metadata --hex", "{\"json_data\": \"a\"}\n{\"json_data\": \"b\"", "input, line 2: "},
    {"sizes Metadata", "json_data: a\n---\n\n# c\ngarbage\n",
      "input, line 5: Metadata: expected an object, got string"},
    {"encode DeviceInfo --hex", "{}\n---\n{vid: 1e400}\n",
      "input, line 3: DeviceInfo.vid: 1e400 is out of range for int32"},
    {"encode Metadata", "{}\n{}\n", "input holds 2 messages, and binary output is one payload"},
    {"encode kovel_camera_msgs/srv/DeviceInfo", "{}", "unknown message type"},
    {"encode std_msgs/msg/Nope", "{}",
      "unknown message type 'std_msgs/msg/Nope' (known: Header, String)"},
    {"encode no_such_package/Thing", "{}", "no interface package 'no_such_package'"},
    {"decode ../String", "", "no interface package '..'"},
    {"encode DeviceInfo extra extra", "{}", "usage: kovel_cdr encode"},
    {"encode DeviceInfo --frobnicate", "{}", "unknown option --frobnicate"},
    {"decode GetString_Response --hex", hex.substr(0, hex.size() - 2), "ends early"},
    {"decode GetString_Response --hex", hex + "00", "1 bytes left over"},
    {"decode GetString_Response --hex", "0001000g", "is not a hex digit"},
    {"decode GetString_Response --hex", "000", "odd number of hex digits"},
    {"decode GetString_Response", "", "shorter than the 4-byte encapsulation header"},
    {"decode GetString_Response --hex", "00020000" + hex.substr(8), "encapsulation header"},
    {"decode DeviceInfo /no/such/file", "", "cannot open '/no/such/file'"},
    // Once aborts: a number no member can hold, a directory given as the input file.
    {"encode DeviceInfo --hex", R"({"vid":1e400})", "DeviceInfo.vid: 1e400 is out of range for int32"},
    {"sizes DeviceInfo", "vid: -1e400", "DeviceInfo.vid: -1e400 is out of range for int32"},
    {"decode DeviceInfo /", "", "cannot read '/': it is a directory"},
    // Once written as an infinity: a finite float32 beyond the largest float.
    {"encode GetCameraParams_Response", R"({"l_k":[0,0,1e300,0,0]})",
      "GetCameraParams_Response.l_k[2]: 1e+300 is out of range for float32"},
    {"encode GetCameraParams_Response", R"({"r2l_t":[-1e39,0,0]})", "out of range for float32"},
  };
  for (const Case & c : cases) {
    ToolRun run = kovel_cdr(c.arguments, c.input);
    EXPECT_NE(run.status, 0) << c.arguments << " " << c.input;
    expect_refusal(run, c.says, c.arguments + " " + c.input);
  }
}

TEST(KovelCdr, YamlInFlowOrBlockStyleGivesTheBytesOfTheJson)
{
  const std::string json_bytes =
    kovel_cdr("encode DeviceInfo --hex", R"({"name": "K1", "vid": 3, "serial_number": "007"})").out;
  ASSERT_FALSE(json_bytes.empty());
  EXPECT_EQ(kovel_cdr("encode DeviceInfo --hex", "{name: K1, vid: 3, serial_number: '007'}").out,
    json_bytes);
  // A text with an inner NUL and a newline comes back from the YAML decode prints.
  ToolRun odd = kovel_cdr("encode Metadata --hex", R"({"json_data": "a\u0000b\nc", "header":
    {"frame_id": "42"}})");
  ASSERT_EQ(odd.status, 0) << odd.err;
  ToolRun odd_yaml = kovel_cdr("decode Metadata --hex", odd.out);
  EXPECT_EQ(kovel_cdr("encode Metadata --hex", odd_yaml.out).out, odd.out) << odd_yaml.out;
  // A plain scalar takes the kind of its member: 007 is a text here.
  EXPECT_EQ(kovel_cdr("encode DeviceInfo --hex", "name: K1\nvid: 3\nserial_number: 007\n").out,
    json_bytes);
}

// Several messages in one input, as echo prints them (YAML documents ending in "---", or
// JSON Lines with --json) or as a list, are each encoded in turn; decode --hex reads them
// back one a line, as echo prints them again.
TEST(KovelCdr, EveryMessageOfAStreamOrJsonLinesIsEncodedInTurn)
{
  std::string one_by_one;
  for (const char * name : {"a", "b", "c"}) {
    one_by_one += kovel_cdr("encode Metadata --hex", std::string("{json_data: ") + name + "}").out;
  }
  ASSERT_EQ(std::count(one_by_one.begin(), one_by_one.end(), '\n'), 3) << one_by_one;
  const std::string file = testing::TempDir() + "kovel_cdr_" + std::to_string(getpid()) + ".jsonl";
  std::ofstream(file) << "{\"json_data\":\"a\"}\n{\"json_data\":\"b\"}\n{\"json_data\":\"c\"}\n";
  ToolRun lines = kovel_cdr("encode Metadata --hex " + file);
  std::remove(file.c_str());
  EXPECT_EQ(lines.status, 0) << lines.err;
  EXPECT_EQ(lines.out, one_by_one);
  // An empty document and a final "---" are no messages.
  EXPECT_EQ(kovel_cdr("encode Metadata --hex", "json_data: a\n---\n---\njson_data: b\n---\n"
    "json_data: c\n---\n").out, one_by_one);
  EXPECT_EQ(kovel_cdr("encode Metadata --hex", "[{json_data: a}, {json_data: b}]\n"
    "{json_data: c}\n").out, one_by_one);

  ToolRun yaml = kovel_cdr("decode Metadata --hex", one_by_one);
  EXPECT_EQ(yaml.status, 0) << yaml.err;
  EXPECT_EQ(std::count(yaml.out.begin(), yaml.out.end(), '-'), 9) << yaml.out;
  EXPECT_EQ(kovel_cdr("encode Metadata --hex", yaml.out).out, one_by_one) << yaml.out;
  ToolRun sizes = kovel_cdr("sizes Metadata", yaml.out);
  EXPECT_EQ(std::count(sizes.out.begin(), sizes.out.end(), '{'), 3) << sizes.out;
  // A payload wrapped over lines, as xxd -p writes it, is still one.
  const std::string first = one_by_one.substr(0, one_by_one.find('\n'));
  ToolRun wrapped = kovel_cdr("decode Metadata --hex --compact",
      first.substr(0, 20) + "\n" + first.substr(20) + "\n");
  EXPECT_NE(wrapped.out.find("\"json_data\":\"a\""), std::string::npos) << wrapped.err;
  expect_refusal(kovel_cdr("decode Metadata --hex", one_by_one + "00010000\n"),
    "input, line 4: ", "a fourth line that is no payload");
}

TEST(KovelCdr, ShowPrintsTheInstalledDefinitionAndExpandsNestedTypes)
{
  ToolRun device_info = kovel_cdr("show DeviceInfo");
  ASSERT_EQ(device_info.status, 0) << device_info.err;
  EXPECT_NE(device_info.out.find("\nint32 vid\n"), std::string::npos) << device_info.out;
  EXPECT_EQ(device_info.out.find("\tint32 sec"), std::string::npos);

  ToolRun service = kovel_cdr("show kovel_camera_msgs/srv/GetString");
  ASSERT_EQ(service.status, 0) << service.err;
  EXPECT_EQ(service.out.find("---\nstring data\n"), service.out.find("---"));
  EXPECT_LT(service.out.find("---"), service.out.find("bool success"));

  ToolRun all = kovel_cdr("show DeviceInfo --all");
  EXPECT_NE(all.out.find("std_msgs/Header header\n\tbuiltin_interfaces/Time stamp\n\t\tint32 sec\n"),
    std::string::npos) << all.out;

  ToolRun unknown = kovel_cdr("show NoSuchType");
  EXPECT_NE(unknown.status, 0);
  EXPECT_NE(unknown.err.find("no installed definition of kovel_camera_msgs/NoSuchType"),
    std::string::npos) << unknown.err;
}

TEST(KovelCdr, HelpIsThereForTheToolAndEachCommand)
{
  ToolRun help = kovel_cdr("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("encode"), std::string::npos);
  ToolRun encode_help = kovel_cdr("encode --help");
  EXPECT_EQ(encode_help.status, 0);
  EXPECT_NE(encode_help.out.find("usage: kovel_cdr encode TYPE [FILE] [--hex]"), std::string::npos);
  EXPECT_NE(kovel_cdr("frobnicate").status, 0);
}

// Every command's output is checked: a full disk is a failure with its reason, a closed
// output a silent 141; and SIGINT, SIGTERM and SIGHUP end a command stuck reading its
// input or writing to a reader who does not read, with 130 and one line.
TEST(KovelCdr, FailedOutputAndSignalsEndEveryCommandAsDocumented)
{
  const std::string tool = KOVEL_CDR_PATH;
  const std::string stem = testing::TempDir() + "kovel_cdr_" + std::to_string(getpid());
  const std::string in = stem + ".yaml", big = stem + ".bin", fifo = stem + ".fifo";
  std::ofstream(in) << "{name: K1}";
  std::ofstream(big, std::ios::binary) <<
    kovel_cdr("encode Metadata", "{json_data: " + std::string(300000, 'x') + "}").out;
  for (const std::string & command : std::vector<std::string>{"types", "--help", "encode --help",
      "show --all Metadata", "encode DeviceInfo " + in, "decode Metadata --json " + big,
      "sizes DeviceInfo " + in})
  {
    ToolRun full = shell(tool + " " + command + " >/dev/full </dev/null");
    EXPECT_EQ(full.status, 1) << command << ": " << full.err;
    EXPECT_NE(full.err.find("cannot write to standard output: No space left on device\n"),
      std::string::npos) << command << ": " << full.err;
    EXPECT_EQ(std::count(full.err.begin(), full.err.end(), '\n'), 1) << full.err;
  }
  // A closed output before anything is opened: nothing can go into a file opened later.
  // Closed then or by a reader who has read enough, it ends the command with 141 and not a
  // word, as SIGPIPE ends a Unix tool.
  ToolRun closed = shell(tool + " encode DeviceInfo " + in + " >&-");
  EXPECT_EQ(closed.status, 141) << closed.err;
  EXPECT_EQ(closed.err, "");
  ToolRun headed = shell("bash -c '\"$0\" decode Metadata --json \"$1\" | head -c 1 >/dev/null; "
      "exit ${PIPESTATUS[0]}' " + tool + " " + big);
  EXPECT_EQ(headed.status, 141) << headed.err;
  EXPECT_EQ(headed.err, "");

  struct Case
  {
    std::vector<std::string> arguments;
    int signal;
    std::string says;
  } cases[] = {
    {{"encode", "DeviceInfo"}, SIGINT, "kovel_cdr encode: interrupted by SIGINT while reading "
      "standard input"},
    {{"decode", "Metadata", "-"}, SIGHUP, "kovel_cdr decode: interrupted by SIGHUP while reading "
      "standard input"},
    {{"encode", "DeviceInfo", fifo}, SIGINT, "kovel_cdr encode: interrupted by SIGINT while "
      "opening '" + fifo + "'"},
    {{"decode", "Metadata", big}, SIGTERM, "kovel_cdr decode: interrupted by SIGTERM while "
      "writing to standard output"},
  };
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::vector<Stuck> stuck;
  for (const Case & c : cases) {
    stuck.push_back(start_stuck(c.arguments));
    ASSERT_GT(stuck.back().pid, 0);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  for (size_t i = 0; i < stuck.size(); ++i) {
    kill(stuck[i].pid, cases[i].signal);
  }
  for (size_t i = 0; i < stuck.size(); ++i) {
    EXPECT_EQ(exit_within(stuck[i], 5), 130) << cases[i].arguments[0];
    const std::string err = slurp(stuck[i].err);
    EXPECT_EQ(err, cases[i].says + "\n");
    std::remove(stuck[i].err.c_str());
  }
  std::remove(in.c_str());
  std::remove(big.c_str());
  std::remove(fifo.c_str());
}

// What can never work is a usage error (exit 2) that says the range, told before any DDS
// participant is made: a number out of its range (a rate slow enough that its period used to
// overflow, and pub then flooded), a topic or service name longer than DDS discovery carries
// (it used to be accepted and never matched), an option spelled as ros2 spells it that does
// not fit.
TEST(KovelCdr, NumbersOutOfRangeAndNamesThatCanNeverMatchAreUsageErrors)
{
  const std::string long_topic = "/" + std::string(249, 't');  // 250 characters
  const std::string long_service = "/" + std::string(242, 's');  // 243 characters
  struct Case
  {
    std::string arguments;
    std::string says;
  } cases[] = {
    {"pub Metadata /t {} --rate 1e-10", "--rate: expected 0 or a number from 1e-05 to 1000000"},
    {"pub Metadata /t {} --times 2.5", "--times: expected a whole number"},
    {"pub Metadata /t {} --timeout 1e9", "--timeout: expected a number from 0.0 to 86400.0"},
    {"echo Metadata /t --times 0", "--times: expected a number from 1.0 to"},
    {"hz Metadata /t --window 2.5", "--window: expected a whole number"},
    {"bw Metadata /t --window 1e8", "--window: expected a number from 2.0 to 10000000.0"},
    {"list --timeout -1", "--timeout: expected a number from 0.0 to 86400.0"},
    {"list --timeout ''", "--timeout: expected a number from 0.0 to 86400.0, got ''"},
    {"list --domain 233", "--domain: expected a domain id from 0 to 232"},
    {"pub Metadata " + long_topic + " {}", "a topic name has at most 249 characters"},
    {"echo " + long_topic, "a topic name has at most 249 characters"},
    {"hz Metadata " + long_topic, "a topic name has at most 249 characters"},
    {"call GetString " + long_service, "a service name has at most 242 characters"},
    {"echo /camera/9lives", "a token starts with a digit"},
    // ros2's spellings: attached values, short options, a negative number as a value, and
    // never an option taken for a topic or type.
    {"pub /t Metadata -r1e-10", "--rate: expected 0 or a number from 1e-05 to 1000000"},
    {"pub /t Metadata --times=2.5", "--times: expected a whole number"},
    {"pub /t Metadata --once -t 2", "--once and --times exclude each other"},
    {"pub /t Metadata -n 9lives", "--node-name: '9lives' is not a node name"},
    {"hz /t Metadata -w 1", "--window: expected a number from 2.0 to 10000000.0"},
    {"echo /t Metadata -l -1", "--truncate-length: expected a number from 0.0"},
    {"echo /t Metadata --field header.nope", "Header has no member 'nope'"},
    {"echo /t --json=1", "--json takes no value"},
    {"call /camera/get_string GetString -x", "unknown option -x"},
  };
  for (const Case & c : cases) {
    ToolRun run = kovel_cdr(c.arguments);
    EXPECT_EQ(run.status, 2) << c.arguments << ": " << run.err;
    expect_refusal(run, c.says, c.arguments);
  }
}

TEST(KovelCdr, HostileTextIsRefusedAtTheDoorWithWhereAndWhy)
{
  // Ten levels of ten-fold aliases in 500 bytes: ten billion values once loaded.
  std::string bomb = "a0: &a0 [lol, lol, lol, lol, lol, lol, lol, lol, lol, lol]\n";
  for (int level = 1; level < 10; ++level) {
    const std::string previous = "*a" + std::to_string(level - 1);
    bomb += "a" + std::to_string(level) + ": &a" + std::to_string(level) + " [" + previous;
    for (int i = 1; i < 10; ++i) {
      bomb += ", " + previous;
    }
    bomb += "]\n";
  }
  bomb += "name: *a9\n";
  const std::string deep_yaml = "name: " + std::string(600, '[') + std::string(600, ']');
  const std::string deep_json = "{\"name\": " + std::string(100, '[') + std::string(100, ']') + "}";
  std::string many = "{\"l_k\": [";
  for (int i = 0; i < 1000000; ++i) {
    many += "0,";
  }
  many += "0]}";
  struct Case
  {
    std::string arguments;
    std::string input;
    std::string says;
  } cases[] = {
    {"encode DeviceInfo", bomb, "input, line 2: YAML aliases (*name) are not accepted"},
    {"sizes DeviceInfo", "header: &h {frame_id: x}\nname: K1\nx: *h\n", "line 3: YAML aliases"},
    {"encode DeviceInfo", "{header: {frame_id: cam}, header: {frame_id: x}}",
      "DeviceInfo.header: duplicate key"},
    {"encode DeviceInfo", R"({"header": {"frame_id": "cam", "frame_id": "x"}})",
      "DeviceInfo.header.frame_id: duplicate key"},
    {"encode DeviceInfo", "- {}\n- {vid: 1, vid: 1}\n", "DeviceInfo[1].vid: duplicate key"},
    {"encode DeviceInfo", deep_yaml, "input, line 1: lists and maps nested deeper than 64 levels"},
    {"encode DeviceInfo", deep_json, "input: lists and maps nested deeper than 64 levels, at "
      "DeviceInfo.name[0]"},
    {"encode GetCameraParams_Response", many, "input: more than 1000000 values"},
    {"encode DeviceInfo", "{\"name\": \"bad\xff\xfe\"}", "DeviceInfo.name: text is not UTF-8"},
    {"sizes Metadata", "json_data: caf\xe9\n", "Metadata.json_data: text is not UTF-8"},
    {"encode DeviceInfo", std::string("name: a\0bcd", 11), "line 1: raw control character 0x00"},
  };
  for (const Case & c : cases) {
    ToolRun run = kovel_cdr(c.arguments, c.input);
    EXPECT_EQ(run.status, 1) << c.arguments << " " << c.says;
    expect_refusal(run, c.says, c.arguments);
  }
  // An escaped NUL is carried whole on every path: YAML and JSON in, YAML and JSON out.
  const std::string nul = kovel_cdr("encode DeviceInfo --hex", R"({"name": "a\u0000bcd"})").out;
  EXPECT_NE(nul.find("0600000061006263640000"), std::string::npos) << nul;
  EXPECT_EQ(kovel_cdr("encode DeviceInfo --hex", R"(name: "a\0bcd")").out, nul);
  ToolRun yaml = kovel_cdr("decode DeviceInfo --hex", nul);
  EXPECT_EQ(kovel_cdr("encode DeviceInfo --hex", yaml.out).out, nul) << yaml.out;
  ToolRun json = kovel_cdr("decode DeviceInfo --hex --json", nul);
  EXPECT_EQ(kovel_cdr("encode DeviceInfo --hex", json.out).out, nul) << json.out;
  // The limits are told where they apply.
  for (const char * command : {"encode", "sizes", "pub", "call"}) {
    ToolRun help = kovel_cdr(std::string(command) + " --help");
    EXPECT_NE(help.out.find("YAML aliases (*name)"), std::string::npos) << command;
    EXPECT_NE(help.out.find("at most 256 MiB"), std::string::npos) << command;
  }
}

TEST(KovelCdr, InputHasASizeLimit)
{
  ToolRun endless = kovel_cdr("decode DeviceInfo /dev/zero");
  EXPECT_EQ(endless.status, 1);
  EXPECT_EQ(endless.err, "kovel_cdr decode: '/dev/zero' holds more than 256 MiB, the most "
    "kovel_cdr reads\n");
  // A message of 120 MiB is not too large.
  const std::string big = "{\"json_data\": \"" + std::string(120 << 20, 'x') + "\"}";
  ToolRun sized = kovel_cdr("sizes Metadata", big);
  EXPECT_EQ(sized.status, 0) << sized.err;
}

TEST(KovelCdr, PaddingToAMultipleOfFourDecodesAndMoreIsLeftOver)
{
  // GetString_Response {data: abc}: 21 bytes; Cyclone DDS pads it to 24 and says so in the
  // options (00 03), an RTPS message pads it without a word.
  const std::string body = "0400000061626300000000000100000000";
  for (const char * header : {"00010003", "00010000"}) {
    ToolRun padded = kovel_cdr("decode GetString_Response --hex --compact",
        header + body + "000000");
    EXPECT_EQ(padded.status, 0) << padded.err;
    EXPECT_EQ(padded.out, R"({"data":"abc","success":false,"message":""})" "\n");
  }
  ToolRun more = kovel_cdr("decode GetString_Response --hex", "00010003" + body + "00000000");
  EXPECT_EQ(more.status, 1);
  EXPECT_EQ(more.err, "kovel_cdr decode: GetString_Response: 1 bytes left over after byte 21\n");
}
