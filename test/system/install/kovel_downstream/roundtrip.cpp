// Round-trips DDS payloads of one type through the installed Fast-CDR C type support, found
// as a middleware finds it: the library by file name on the library path, the handle by
// name and through its func, the callbacks in its data.
// Usage: roundtrip KIND/TYPE PAYLOAD_FILE...   (KIND/TYPE as msg/DeviceInfo)
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <fastcdr/Cdr.h>
#include <fastcdr/FastBuffer.h>
#include <fastcdr/exceptions/Exception.h>

#include "kovel_camera_msgs/msg/detail/device_info__rosidl_typesupport_fastrtps_c.h"
#include "rosidl_runtime_c/message_initialization.h"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"
#include "rosidl_typesupport_fastrtps_cpp/service_type_support.h"
#include "rosidl_typesupport_introspection_c/message_introspection.h"

namespace
{

using eprosima::fastcdr::Cdr;
using eprosima::fastcdr::FastBuffer;
// The installed declaration gives the exported size functions' type.
using SizeFunction = decltype(&get_serialized_size_kovel_camera_msgs__msg__DeviceInfo);

int failures = 0;

void fail(const std::string & what)
{
  std::fprintf(stderr, "roundtrip: %s\n", what.c_str());
  ++failures;
}

void * load(const char * file)
{
  void * library = dlopen(file, RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    std::fprintf(stderr, "roundtrip: %s\n", dlerror());
    std::exit(1);
  }
  return library;
}

void * symbol(void * library, const std::string & name)
{
  void * found = dlsym(library, name.c_str());
  if (found == nullptr) {
    std::fprintf(stderr, "roundtrip: no symbol %s\n", name.c_str());
    std::exit(1);
  }
  return found;
}

// The handle of type support `identifier` for a message or service ("message", "service"),
// from the getter of the rosidl naming scheme and asked of its handle as rmw asks it.
template<class Handle>
const Handle * handle(
  void * library, const std::string & identifier, const char * what, const std::string & suffix)
{
  const std::string getter =
    identifier + "__get_" + what + "_type_support_handle__" + suffix;
  const Handle * first = reinterpret_cast<const Handle * (*)()>(symbol(library, getter))();
  if (first->func(first, "another_typesupport") != nullptr) {
    fail(getter + ": a handle for another type support");
  }
  const Handle * found = first->func(first, identifier.c_str());
  if (found == nullptr) {
    std::fprintf(stderr, "roundtrip: %s: no handle for %s\n", getter.c_str(), identifier.c_str());
    std::exit(1);
  }
  return found;
}

std::vector<char> read(const char * path)
{
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    fail(std::string("cannot read ") + path);
  }
  return std::vector<char>(std::istreambuf_iterator<char>(file), {});
}

}  // namespace

int main(int argc, char ** argv)
{
  if (argc < 3) {
    std::fprintf(stderr, "usage: roundtrip KIND/TYPE PAYLOAD_FILE...\n");
    return 2;
  }
  const std::string type = argv[1];
  const std::string kind = type.substr(0, type.find('/'));
  const std::string name = type.substr(type.find('/') + 1);
  const std::string suffix = "kovel_camera_msgs__" + kind + "__" + name;

  void * fast_cdr = load("libkovel_camera_msgs__rosidl_typesupport_fastrtps_c.so");
  void * introspection = load("libkovel_camera_msgs__rosidl_typesupport_introspection_c.so");
  auto ts = handle<rosidl_message_type_support_t>(
    fast_cdr, "rosidl_typesupport_fastrtps_c", "message", suffix);
  auto & callbacks = *static_cast<const message_type_support_callbacks_t *>(ts->data);
  auto & members = *static_cast<const rosidl_typesupport_introspection_c__MessageMembers *>(
    handle<rosidl_message_type_support_t>(
      introspection, "rosidl_typesupport_introspection_c", "message", suffix)->data);
  auto size = reinterpret_cast<SizeFunction>(symbol(fast_cdr, "get_serialized_size_" + suffix));

  // A service's handle pairs the very handles of its request and response.
  if (kind == "srv") {
    const std::string service = name.substr(0, name.rfind('_'));
    auto service_ts = handle<rosidl_service_type_support_t>(
      fast_cdr, "rosidl_typesupport_fastrtps_c", "service", "kovel_camera_msgs__srv__" + service);
    auto & pair = *static_cast<const service_type_support_callbacks_t *>(service_ts->data);
    if ((name == service + "_Request" ? pair.request_members_ : pair.response_members_) != ts) {
      fail(service + ": its handle does not hold " + name + "'s");
    }
  }

  // One record for every payload, reused as a subscription reuses its message.
  std::vector<unsigned char> record(members.size_of_);
  members.init_function(record.data(), ROSIDL_RUNTIME_C_MSG_INIT_ALL);
  for (int i = 2; i < argc; ++i) {
    std::vector<char> payload = read(argv[i]);
    std::vector<char> written(payload.size() + 64, 0);
    size_t length = 0;
    bool ok = false;
    try {
      FastBuffer in_buffer(payload.data(), payload.size());
      Cdr in(in_buffer, Cdr::DEFAULT_ENDIAN, Cdr::DDS_CDR);
      in.read_encapsulation();
      FastBuffer out_buffer(written.data(), written.size());
      Cdr out(out_buffer, Cdr::LITTLE_ENDIANNESS, Cdr::DDS_CDR);
      out.serialize_encapsulation();
      ok = callbacks.cdr_deserialize(in, record.data()) &&
        callbacks.cdr_serialize(record.data(), out);
      length = out.getSerializedDataLength();
    } catch (const eprosima::fastcdr::exception::Exception & e) {
      fail(std::string(argv[i]) + ": " + e.what());
      continue;
    }
    const size_t body = payload.size() - 4;
    if (!ok) {
      fail(std::string(argv[i]) + ": the callbacks failed");
    } else if (length != payload.size() || std::memcmp(written.data(), payload.data(), length)) {
      fail(std::string(argv[i]) + ": serialized back to other bytes");
    } else if (callbacks.get_serialized_size(record.data()) != body ||
      size(record.data(), 0) != body)
    {
      fail(std::string(argv[i]) + ": serialized size is not " + std::to_string(body));
    }
  }
  members.fini_function(record.data());
  std::printf("roundtrip %s: %d payloads, %d failures\n", type.c_str(), argc - 2, failures);
  return failures == 0 ? 0 : 1;
}
