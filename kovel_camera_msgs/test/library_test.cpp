// The library as a middleware meets it: loaded by file name, its entry points (three per
// message type, one per service, as its interface files list them) found by name and
// nothing else exported, every handle bound at load to the one identifier, every
// service record pointing at its two message handles.
#include <dlfcn.h>

#include <cstdio>
#include <set>
#include <string>

#include "rosidl_typesupport_fastrtps_c/identifier.h"
#include "rosidl_typesupport_fastrtps_cpp/service_type_support.h"
#include "support.hpp"

namespace
{

std::set<std::string> expected_exports()
{
  std::set<std::string> names;
  for (const std::string & name : kovel_test::message_type_names()) {
    std::string kind = kovel_test::type(name).kind;
    std::string suffix = "kovel_camera_msgs__" + kind + "__" + name;
    names.insert("rosidl_typesupport_fastrtps_c__get_message_type_support_handle__" + suffix);
    names.insert("get_serialized_size_" + suffix);
    names.insert("max_serialized_size_" + suffix);
  }
  for (const std::string & service : kovel_test::service_names()) {
    names.insert(
      "rosidl_typesupport_fastrtps_c__get_service_type_support_handle__kovel_camera_msgs__srv__" +
      service);
  }
  return names;
}

constexpr char kFileName[] = "libkovel_camera_msgs__rosidl_typesupport_fastrtps_c.so";

struct Library
{
  // By its bare file name, as a middleware finds it on the library path.
  Library() : handle(dlopen(kFileName, RTLD_NOW | RTLD_LOCAL)) {}
  ~Library() {if (handle) {dlclose(handle);}}
  template<class Function>
  Function find(const std::string & name) const
  {
    return reinterpret_cast<Function>(dlsym(handle, name.c_str()));
  }
  void * handle;
};

using kovel_test::MessageGetter;
using ServiceGetter = const rosidl_service_type_support_t * (*)();

}  // namespace

TEST(Library, ExportsExactlyTheEntryPointsOfItsInterfaces)
{
  FILE * nm = popen("nm -D --defined-only " KOVEL_LIBRARY_PATH, "r");
  ASSERT_NE(nm, nullptr);
  std::set<std::string> exported;
  char address[64];
  char kind[8];
  char name[512];
  while (std::fscanf(nm, "%63s %7s %511s", address, kind, name) == 3) {
    exported.insert(name);
  }
  ASSERT_EQ(pclose(nm), 0);
  EXPECT_EQ(exported.size(),
    3 * kovel_test::message_type_names().size() + kovel_test::service_names().size());
  EXPECT_EQ(exported, expected_exports());
}

TEST(Library, LoadsByFileNameAndEveryEntryPointIsFoundByName)
{
  Library library;
  ASSERT_NE(library.handle, nullptr) << dlerror();
  for (const std::string & name : expected_exports()) {
    void * found = library.find<void *>(name);
    ASSERT_NE(found, nullptr) << name;
    // Defined in the library itself, not found through one it depends on.
    Dl_info where{};
    ASSERT_NE(dladdr(found, &where), 0) << name;
    const std::string file = where.dli_fname;
    EXPECT_EQ(file.substr(file.rfind('/') + 1), kFileName) << name;
  }
}

TEST(Library, MessageHandlesCarryTheIdentifierAndTheirCallbacks)
{
  Library library;
  ASSERT_NE(library.handle, nullptr) << dlerror();
  for (const std::string & name : kovel_test::message_type_names()) {
    const std::string kind = kovel_test::type(name).kind;
    auto getter = library.find<MessageGetter>(
      "rosidl_typesupport_fastrtps_c__get_message_type_support_handle__kovel_camera_msgs__" +
      kind + "__" + name);
    ASSERT_NE(getter, nullptr) << name;
    const rosidl_message_type_support_t * handle = getter();
    EXPECT_EQ(handle, getter()) << name;
    EXPECT_EQ(handle->typesupport_identifier, rosidl_typesupport_fastrtps_c__identifier);
    EXPECT_EQ(handle->func, &get_message_typesupport_handle_function);
    const auto * callbacks = static_cast<const message_type_support_callbacks_t *>(handle->data);
    EXPECT_EQ(callbacks->message_name_, name);
    EXPECT_EQ(callbacks->message_namespace_, "kovel_camera_msgs::" + kind);
  }
}

TEST(Library, ServiceRecordsPointAtTheirRequestAndResponseHandles)
{
  Library library;
  ASSERT_NE(library.handle, nullptr) << dlerror();
  const std::string prefix = "rosidl_typesupport_fastrtps_c__get_";
  for (const std::string & service : kovel_test::service_names()) {
    auto getter = library.find<ServiceGetter>(
      prefix + "service_type_support_handle__kovel_camera_msgs__srv__" + service);
    ASSERT_NE(getter, nullptr) << service;
    const rosidl_service_type_support_t * handle = getter();
    EXPECT_EQ(handle, getter());
    EXPECT_EQ(handle->typesupport_identifier, rosidl_typesupport_fastrtps_c__identifier);
    EXPECT_EQ(handle->func, &get_service_typesupport_handle_function);
    const auto * record = static_cast<const service_type_support_callbacks_t *>(handle->data);
    EXPECT_STREQ(record->service_namespace_, "kovel_camera_msgs::srv");
    EXPECT_EQ(record->service_name_, service);
    auto message = [&](const char * suffix) {
        return library.find<MessageGetter>(
          prefix + "message_type_support_handle__kovel_camera_msgs__srv__" + service + suffix)();
      };
    EXPECT_EQ(record->request_members_, message("_Request")) << service;
    EXPECT_EQ(record->response_members_, message("_Response")) << service;
  }
}
