// Test support: streams over zeroed buffers, the package's types found by name, records
// made by their generated functions, stderr capture.
#ifndef KOVEL_TEST__SUPPORT_HPP_
#define KOVEL_TEST__SUPPORT_HPP_

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <fastcdr/Cdr.h>
#include <fastcdr/FastBuffer.h>

#include <dlfcn.h>

#include <memory>
#include <stdexcept>
#include <sstream>

#include "rosidl_runtime_c/message_initialization.h"
#include "rosidl_runtime_c/string_functions.h"
#include "rosidl_typesupport_fastrtps_cpp/message_type_support.h"
#include "rosidl_typesupport_introspection_c/message_introspection.h"

namespace kovel_test
{

using eprosima::fastcdr::Cdr;
using eprosima::fastcdr::FastBuffer;

/// A little-endian CDR stream over a zeroed buffer; positions count from its first byte.
struct Stream
{
  explicit Stream(size_t capacity = 4096)
  : bytes(capacity, 0), buffer(bytes.data(), bytes.size()),
    cdr(buffer, Cdr::LITTLE_ENDIANNESS, Cdr::CORBA_CDR) {}

  /// A stream that reads the given bytes.
  explicit Stream(const std::vector<uint8_t> & content)
  : bytes(content.begin(), content.end()), buffer(bytes.data(), bytes.size()),
    cdr(buffer, Cdr::LITTLE_ENDIANNESS, Cdr::CORBA_CDR) {}

  /// Moves to `position` with filler octets, so that what follows starts there.
  void skip_to(size_t position)
  {
    for (size_t i = 0; i < position; ++i) {
      cdr << static_cast<uint8_t>(0);
    }
  }

  size_t length() const {return cdr.getSerializedDataLength();}

  /// The bytes from `from` up to the current position.
  std::vector<uint8_t> written(size_t from = 0) const
  {
    return std::vector<uint8_t>(bytes.begin() + from, bytes.begin() + length());
  }

  std::vector<char> bytes;
  FastBuffer buffer;
  Cdr cdr;
};

/// A message type of the package, found by name as a middleware finds it: its Fast-CDR
/// handle in our library and its generated introspection (size, init, fini).
struct MessageType
{
  std::string kind;  // "msg" or "srv"
  std::string name;
  const rosidl_message_type_support_t * handle;
  size_t (*size)(const void * untyped_ros_message, size_t current_alignment);
  size_t (*max)(bool & full_bounded, size_t current_alignment);
  const rosidl_typesupport_introspection_c__MessageMembers * members;
};

/// The named entry point of a library of this package, loaded by its file name.
inline void * entry_point(const std::string & library, const std::string & name)
{
  void * loaded = dlopen(("libkovel_camera_msgs__" + library + ".so").c_str(), RTLD_NOW);
  return loaded == nullptr ? nullptr : dlsym(loaded, name.c_str());
}

using MessageGetter = const rosidl_message_type_support_t * (*)();

/// "DeviceInfo" or "GetString_Request": a message or a service's request or response.
inline MessageType type(const std::string & name)
{
  for (const char * kind : {"msg", "srv"}) {
    std::string suffix = std::string("kovel_camera_msgs__") + kind + "__" + name;
    auto fast_cdr = reinterpret_cast<MessageGetter>(entry_point(
        "rosidl_typesupport_fastrtps_c",
        "rosidl_typesupport_fastrtps_c__get_message_type_support_handle__" + suffix));
    auto introspection = reinterpret_cast<MessageGetter>(entry_point(
        "rosidl_typesupport_introspection_c",
        "rosidl_typesupport_introspection_c__get_message_type_support_handle__" + suffix));
    if (fast_cdr != nullptr && introspection != nullptr) {
      return {kind, name, fast_cdr(),
        reinterpret_cast<decltype(MessageType::size)>(
          entry_point("rosidl_typesupport_fastrtps_c", "get_serialized_size_" + suffix)),
        reinterpret_cast<decltype(MessageType::max)>(
          entry_point("rosidl_typesupport_fastrtps_c", "max_serialized_size_" + suffix)),
        static_cast<const rosidl_typesupport_introspection_c__MessageMembers *>(
          introspection()->data)};
    }
  }
  ADD_FAILURE() << "no message type " << name;
  throw std::runtime_error("no message type " + name);
}

/// The package's interfaces from its interface files: kind ("msg" or "srv") and name.
inline std::vector<std::pair<std::string, std::string>> interfaces()
{
  std::vector<std::pair<std::string, std::string>> found;
  std::stringstream files(KOVEL_INTERFACE_FILES);
  for (std::string file; std::getline(files, file, ','); ) {
    found.emplace_back(file.substr(0, 3), file.substr(4, file.rfind('.') - 4));
  }
  return found;
}

/// The package's message types, from its interface files: each message, then each
/// service's request and response.
inline std::vector<std::string> message_type_names()
{
  std::vector<std::string> names;
  for (const auto & [kind, name] : interfaces()) {
    if (kind == "msg") {
      names.push_back(name);
    } else {
      names.push_back(name + "_Request");
      names.push_back(name + "_Response");
    }
  }
  return names;
}

/// The service names of the package, from its interface files.
inline std::vector<std::string> service_names()
{
  std::vector<std::string> names;
  for (const auto & [kind, name] : interfaces()) {
    if (kind == "srv") {
      names.push_back(name);
    }
  }
  return names;
}

inline const message_type_support_callbacks_t & callbacks(const MessageType & type)
{
  return *static_cast<const message_type_support_callbacks_t *>(type.handle->data);
}

/// An owned record of a type, initialised and finalised by its generated functions.
class Record
{
public:
  explicit Record(const MessageType & type)
  : members_(type.members), storage_(new unsigned char[type.members->size_of_]())
  {
    members_->init_function(storage_.get(), ROSIDL_RUNTIME_C_MSG_INIT_ALL);
  }
  ~Record() {members_->fini_function(storage_.get());}
  Record(const Record &) = delete;
  Record & operator=(const Record &) = delete;

  void * data() {return storage_.get();}
  const void * data() const {return storage_.get();}

private:
  const rosidl_typesupport_introspection_c__MessageMembers * members_;
  std::unique_ptr<unsigned char[]> storage_;
};

/// Releases what a record holds, as its generated fini does.
inline void fini(const MessageType & type, void * record)
{
  type.members->fini_function(record);
}

/// Stores text (inner NULs included) into an initialised string.
inline void set(rosidl_runtime_c__String & s, const std::string & text)
{
  ASSERT_TRUE(rosidl_runtime_c__String__assignn(&s, text.data(), text.size()));
}

inline std::string text(const rosidl_runtime_c__String & s)
{
  return s.data == nullptr ? std::string() : std::string(s.data, s.size);
}

/// The typed record behind a Record.
template<class T>
T & as(Record & record)
{
  return *static_cast<T *>(record.data());
}

/// Runs `action` and returns what it wrote to stderr.
template<class Action>
std::string stderr_of(Action && action)
{
  testing::internal::CaptureStderr();
  action();
  return testing::internal::GetCapturedStderr();
}

/// Serializes a message the type support must refuse: returns the stderr text and the
/// number of bytes the stream holds afterwards.
inline std::pair<std::string, size_t> refusal(const char * type_name, const void * message)
{
  Stream stream;
  bool written = true;
  std::string text = stderr_of(
    [&] {written = callbacks(type(type_name)).cdr_serialize(message, stream.cdr);});
  EXPECT_FALSE(written) << type_name;
  return {text, stream.length()};
}

inline std::pair<std::string, size_t> refused(const char * text, size_t bytes_left)
{
  return {text, bytes_left};
}

/// Little-endian bytes of a 32-bit value.
inline std::vector<uint8_t> le32(uint32_t value)
{
  return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
    static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

}  // namespace kovel_test

#endif  // KOVEL_TEST__SUPPORT_HPP_
