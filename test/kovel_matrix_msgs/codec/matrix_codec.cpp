// matrix_codec: payloads of kovel_matrix_msgs' types written and read by the package's
// hand-written Fast-CDR library, for the checks that compare them with other CDR
// implementations. The type's members come from its C introspection; records, JSON and
// payload framing are kovel_cdr's.
//
//   matrix_codec encode PKG/KIND/TYPE   JSON on stdin -> payload on stdout
//   matrix_codec decode PKG/KIND/TYPE   payload on stdin -> JSON (one line) on stdout
//   matrix_codec sizes PKG/KIND/TYPE    JSON on stdin -> its size and the type's maximum
//
// Exit 0, or 1 with one line on stderr.
#include <dlfcn.h>

#include <cstdio>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "codec/json_codec.hpp"
#include "codec/payload.hpp"
#include "codec/record.hpp"
#include "rosidl_typesupport_introspection_c/message_introspection.h"
#include "codec/type_catalog.hpp"

namespace
{

using kovel_cdr::Error;
using kovel_cdr::MessageType;

// "pkg/kind/Type", described from its introspection library, loaded by name.
const MessageType & type_named(const std::string & name)
{
  const size_t first = name.find('/');
  const size_t second = name.find('/', first + 1);
  if (first == std::string::npos || second == std::string::npos) {
    throw Error("type '" + name + "' is not PACKAGE/KIND/TYPE");
  }
  const std::string package = name.substr(0, first);
  const std::string library = "lib" + package + "__rosidl_typesupport_introspection_c.so";
  void * loaded = dlopen(library.c_str(), RTLD_NOW | RTLD_GLOBAL);
  if (loaded == nullptr) {
    throw Error("cannot load " + library + ": " + dlerror());
  }
  const std::string getter = "rosidl_typesupport_introspection_c__get_message_type_support_handle__" +
    package + "__" + name.substr(first + 1, second - first - 1) + "__" + name.substr(second + 1);
  auto handle = reinterpret_cast<const rosidl_message_type_support_t * (*)()>(
    dlsym(loaded, getter.c_str()));
  if (handle == nullptr) {
    throw Error(library + " has no " + getter);
  }
  const MessageType & type = kovel_cdr::describe(
    *static_cast<const rosidl_typesupport_introspection_c__MessageMembers *>(handle()->data));
  if (!type.unsupported.empty()) {
    throw Error(type.unsupported);
  }
  return type;
}

std::string standard_input()
{
  std::cin >> std::noskipws;
  return std::string(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
}

void write(const void * bytes, size_t size)
{
  if (fwrite(bytes, 1, size, stdout) != size || fflush(stdout) != 0) {
    throw Error("cannot write to standard output");
  }
}

int run(const std::string & command, const std::string & name)
{
  const MessageType & type = type_named(name);
  const std::string input = standard_input();
  if (command == "encode" || command == "sizes") {
    kovel_cdr::Record record = kovel_cdr::make_record(type, nlohmann::json::parse(input));
    if (command == "encode") {
      const std::vector<uint8_t> payload = kovel_cdr::encode_payload(type, record.data());
      write(payload.data(), payload.size());
      return 0;
    }
    bool full_bounded = true;
    const size_t max = type.max(full_bounded, 0);
    nlohmann::ordered_json sizes;
    sizes["type"] = type.full_name();
    sizes["serialized_size"] = type.size(record.data(), 0);
    sizes["max_serialized_size"] = max;
    sizes["full_bounded"] = full_bounded;
    const std::string text = sizes.dump() + "\n";
    write(text.data(), text.size());
    return 0;
  }
  if (command == "decode") {
    kovel_cdr::Record record(type);
    kovel_cdr::decode_payload(
      type, reinterpret_cast<const uint8_t *>(input.data()), input.size(), record.data());
    const std::string text = kovel_cdr::record_to_json(type, record.data()).dump() + "\n";
    write(text.data(), text.size());
    return 0;
  }
  throw Error("unknown command '" + command + "' (encode, decode, sizes)");
}

}  // namespace

int main(int argc, char ** argv)
{
  if (argc != 3) {
    fprintf(stderr, "usage: matrix_codec encode|decode|sizes PACKAGE/KIND/TYPE\n");
    return 1;
  }
  try {
    return run(argv[1], argv[2]);
  } catch (const std::exception & e) {
    fprintf(stderr, "matrix_codec %s %s: %s\n", argv[1], argv[2], e.what());
    return 1;
  }
}
