#include "codec/type_catalog.hpp"

#include <dirent.h>
#include <dlfcn.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <utility>

#include "codec/member_table_codec.hpp"
#include "codec/payload.hpp"
#include "rosidl_typesupport_introspection_c/message_introspection.h"

namespace kovel_cdr
{

namespace
{

using Introspection = rosidl_typesupport_introspection_c__MessageMembers;
using IntrospectedMember = rosidl_typesupport_introspection_c__MessageMember;
using MessageGetter = const rosidl_message_type_support_t * (*)();
using ServiceGetter = const rosidl_service_type_support_t * (*)();

constexpr char kPackage[] = "kovel_camera_msgs";

// An entry point of a package's type support library, which is loaded by its file name
// ("lib<package>__<type support>.so") as a middleware loads it.
void * entry_point(const std::string & package, const char * type_support, const std::string & name)
{
  const std::string library = "lib" + package + "__" + type_support + ".so";
  void * loaded = dlopen(library.c_str(), RTLD_NOW | RTLD_GLOBAL);
  if (loaded == nullptr) {
    throw Error("cannot load " + library + ": " + dlerror());
  }
  void * found = dlsym(loaded, name.c_str());
  if (found == nullptr) {
    throw Error(library + " has no " + name);
  }
  return found;
}

// A type written and read by its package's Fast-CDR C type support.
class FastrtpsCodec : public Codec
{
public:
  FastrtpsCodec(const MessageType & type, const message_type_support_callbacks_t & callbacks)
  : type_(type), callbacks_(callbacks) {}

  const MessageType & type() const override {return type_;}
  bool serialize(const void * record, eprosima::fastcdr::Cdr & cdr) const override
  {
    return callbacks_.cdr_serialize(record, cdr);
  }
  bool deserialize(eprosima::fastcdr::Cdr & cdr, void * record) const override
  {
    return callbacks_.cdr_deserialize(cdr, record);
  }
  size_t size(const void * record, size_t current_alignment) const override
  {
    return type_.size(record, current_alignment);
  }
  size_t max(bool & full_bounded, size_t current_alignment) const override
  {
    return type_.max(full_bounded, current_alignment);
  }

private:
  const MessageType & type_;
  const message_type_support_callbacks_t & callbacks_;
};

// An installed interface package's ament index entry ("msg/String.idl", "msg/String.msg",
// "srv/X.srv", ... one a line) from the first prefix of AMENT_PREFIX_PATH that has it;
// false when none has.
bool read_index_entry(const std::string & package, std::string & entry)
{
  const char * path = std::getenv("AMENT_PREFIX_PATH");
  std::stringstream prefixes(path != nullptr ? path : "");
  for (std::string prefix; std::getline(prefixes, prefix, ':'); ) {
    std::ifstream file(prefix + "/share/ament_index/resource_index/rosidl_interfaces/" + package);
    if (file) {
      std::stringstream text;
      text << file.rdbuf();
      entry = text.str();
      return true;
    }
  }
  return false;
}

// A package's interfaces as (kind, name): ("msg", "String"), ("srv", "SetBool").
std::vector<std::pair<std::string, std::string>> package_interfaces(const std::string & package)
{
  // A package name is letters, digits and underscores: nothing that walks a path.
  const bool valid = !package.empty() && std::all_of(package.begin(), package.end(),
      [](char c) {return std::isalnum(static_cast<unsigned char>(c)) || c == '_';});
  std::string entry;
  if (!valid || !read_index_entry(package, entry)) {
    throw Error("no interface package '" + package + "' on AMENT_PREFIX_PATH");
  }
  std::vector<std::pair<std::string, std::string>> found;
  std::set<std::string> seen;
  std::stringstream lines(entry);
  for (std::string line; std::getline(lines, line); ) {
    const size_t slash = line.find('/');
    const size_t dot = line.rfind('.');
    if (slash == std::string::npos || dot == std::string::npos || dot < slash) {
      continue;
    }
    std::string kind = line.substr(0, slash);
    std::string name = line.substr(slash + 1, dot - slash - 1);
    // A service is "srv/X.idl" or "srv/X.srv"; its "srv/X_Request.msg" is no interface.
    const std::string extension = line.substr(dot + 1);
    if ((kind == "msg" || kind == "srv") && (extension == "idl" || extension == kind) &&
      seen.insert(kind + "/" + name).second)
    {
      found.emplace_back(std::move(kind), std::move(name));
    }
  }
  return found;
}

// One member, from its introspection; empty `unsupported` unless kovel_cdr cannot handle it.
Member member_of(const IntrospectedMember & member, std::string & unsupported)
{
  Member described{member.name_, Kind::nested, Shape::single, member.offset_, 0};
  std::string unknown;
  if (!kind_of_type_id(member.type_id_, described.kind, unknown)) {
    unsupported = "member kind " + unknown + " is not supported";
    return described;
  }
  if (member.is_array_) {
    const bool fixed = !member.is_upper_bound_ && member.array_size_ > 0;
    described.shape = fixed ? Shape::array : Shape::sequence;
    described.length = member.array_size_;  // a sequence's bound, 0 for none
    described.resize = member.resize_function;
  }
  described.string_bound = member.string_upper_bound_;
  return described;
}

// Every described type, nested ones included, built once from introspection.
class Catalog
{
public:
  Catalog()
  {
    std::stringstream files(KOVEL_INTERFACE_FILES);
    for (std::string file; std::getline(files, file, ','); ) {
      const std::string kind = file.substr(0, 3);
      const std::string name = file.substr(4, file.rfind('.') - 4);
      if (kind == "msg") {
        messages_.push_back(&package_type(kPackage, "msg", name));
        continue;
      }
      services_.push_back(&package_service(kPackage, name));
    }
    for (const ServiceType * service : services_) {
      messages_.push_back(service->request);
      messages_.push_back(service->response);
    }
  }

  std::vector<const MessageType *> messages_;
  std::vector<const ServiceType *> services_;

  // The type an introspection describes; "<package>__<kind>" is its namespace.
  const MessageType & described(const Introspection & introspection)
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    return describe_locked(introspection);
  }

  // A type of another package, by kind ("msg", "srv" or "" for either) and name, described
  // the first time it is asked for.
  const MessageType & other_package_type(
    const std::string & package, const std::string & kind, const std::string & name,
    std::string_view asked)
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    std::string known;
    for (const auto & [file_kind, file_name] : package_interfaces(package)) {
      std::vector<std::string> names{file_name};
      if (file_kind == "srv") {
        names = {file_name + "_Request", file_name + "_Response"};
      }
      for (const std::string & candidate : names) {
        if (candidate == name && (kind.empty() || kind == file_kind)) {
          return package_type(package, file_kind, name);
        }
        known += known.empty() ? "" : ", ";
        known += candidate;
      }
    }
    throw Error("unknown message type '" + std::string(asked) + "' (known: " + known + ")");
  }

  const ServiceType & other_package_service(
    const std::string & package, const std::string & name, std::string_view asked)
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    std::string known;
    for (const auto & [file_kind, file_name] : package_interfaces(package)) {
      if (file_kind != "srv") {
        continue;
      }
      if (file_name == name) {
        return package_service(package, name);
      }
      known += known.empty() ? "" : ", ";
      known += file_name;
    }
    throw Error("unknown service '" + std::string(asked) + "' (known: " + known + ")");
  }

private:
  const MessageType & package_type(
    const std::string & package, const std::string & kind, const std::string & name)
  {
    auto getter = reinterpret_cast<MessageGetter>(entry_point(
        package, "rosidl_typesupport_introspection_c",
        "rosidl_typesupport_introspection_c__get_message_type_support_handle__" +
        package + "__" + kind + "__" + name));
    return described(*static_cast<const Introspection *>(getter()->data));
  }

  const ServiceType & package_service(const std::string & package, const std::string & name)
  {
    const std::string full_name = package + "/srv/" + name;
    if (auto known = services_by_name_.find(full_name); known != services_by_name_.end()) {
      return *known->second;
    }
    auto service = std::make_unique<ServiceType>();
    service->name = name;
    service->request = &package_type(package, "srv", name + "_Request");
    service->response = &package_type(package, "srv", name + "_Response");
    if (service->request->fastrtps && service->response->fastrtps) {
      service->handle = reinterpret_cast<ServiceGetter>(entry_point(
          package, "rosidl_typesupport_fastrtps_c",
          "rosidl_typesupport_fastrtps_c__get_service_type_support_handle__" + package +
          "__srv__" + name));
    }
    const ServiceType & result = *service;
    services_by_name_.emplace(full_name, std::move(service));
    return result;
  }

  const MessageType & describe_locked(const Introspection & introspection)
  {
    const std::string space = introspection.message_namespace_;
    const std::string full_name = space + "__" + introspection.message_name_;
    if (auto known = types_.find(full_name); known != types_.end()) {
      return *known->second;
    }
    auto type = std::make_unique<MessageType>();
    const size_t separator = space.find("__");
    type->package = space.substr(0, separator);
    type->kind = space.substr(separator + 2);
    type->name = introspection.message_name_;
    type->record_size = introspection.size_of_;
    type->init = introspection.init_function;
    type->fini = introspection.fini_function;
    for (uint32_t i = 0; i < introspection.member_count_; ++i) {
      const IntrospectedMember & member = introspection.members_[i];
      std::string unsupported;
      Member described_member = member_of(member, unsupported);
      if (!unsupported.empty()) {
        // Nothing more to learn of a member that cannot be handled.
      } else if (described_member.kind == Kind::nested) {
        const MessageType & nested =
          described(*static_cast<const Introspection *>(member.members_->data));
        described_member.nested = &nested;
        described_member.element_size = nested.record_size;
        unsupported = nested.unsupported;
      } else {
        described_member.element_size = member_kind(described_member).value_size;
      }
      if (!unsupported.empty() && type->unsupported.empty()) {
        // The nested type's own text names its member already.
        type->unsupported = described_member.nested != nullptr ? unsupported :
          type->full_name() + "." + member.name_ + ": " + unsupported;
      }
      type->members.push_back(described_member);
    }
    try {
      auto handle = reinterpret_cast<MessageGetter>(entry_point(
          type->package, "rosidl_typesupport_fastrtps_c",
          "rosidl_typesupport_fastrtps_c__get_message_type_support_handle__" + full_name));
      auto size = reinterpret_cast<decltype(type->size)>(entry_point(
          type->package, "rosidl_typesupport_fastrtps_c", "get_serialized_size_" + full_name));
      auto max = reinterpret_cast<decltype(type->max)>(entry_point(
          type->package, "rosidl_typesupport_fastrtps_c", "max_serialized_size_" + full_name));
      const message_type_support_callbacks_t & callbacks = fastrtps_c_callbacks(handle());
      type->handle = handle;
      type->size = size;
      type->max = max;
      type->fastrtps = std::make_unique<FastrtpsCodec>(*type, callbacks);
    } catch (const Error &) {
      // No Fast-CDR C type support for the type: the introspection codec writes it.
    }
    type->introspection = std::make_unique<IntrospectionCodec>(*type);
    const MessageType & result = *type;
    types_.emplace(full_name, std::move(type));
    return result;
  }

  std::recursive_mutex mutex_;
  std::map<std::string, std::unique_ptr<MessageType>> types_;
  std::map<std::string, std::unique_ptr<ServiceType>> services_by_name_;
};

Catalog & catalog()
{
  static Catalog instance;
  return instance;
}

std::string_view without_prefix(std::string_view name, std::string_view prefix)
{
  if (name.substr(0, prefix.size()) == prefix) {
    name.remove_prefix(prefix.size());
  }
  return name;
}

std::vector<std::string> split(std::string_view name)
{
  std::vector<std::string> parts;
  std::stringstream words{std::string(name)};
  for (std::string part; std::getline(words, part, '/'); ) {
    parts.push_back(part);
  }
  return parts;
}

// Whether a name belongs to kovel_camera_msgs: "Name", "msg/Name", "kovel_camera_msgs/...".
bool of_own_package(const std::vector<std::string> & parts)
{
  return parts.size() < 2 || parts[0] == kPackage || parts[0] == "msg" || parts[0] == "srv";
}

}  // namespace

const MessageType & describe(const Introspection & members)
{
  return catalog().described(members);
}

std::string MessageType::full_name() const
{
  return package + "/" + kind + "/" + name;
}

const std::vector<const MessageType *> & message_types()
{
  return catalog().messages_;
}

const std::vector<const ServiceType *> & service_types()
{
  return catalog().services_;
}

const MessageType & find_message_type(std::string_view name)
{
  const std::vector<std::string> parts = split(name);
  if (!of_own_package(parts)) {
    if (parts.size() > 3 || (parts.size() == 3 && parts[1] != "msg" && parts[1] != "srv")) {
      throw Error("unknown message type '" + std::string(name) +
              "' (a type is PACKAGE/NAME or PACKAGE/msg/NAME)");
    }
    const MessageType & type = catalog().other_package_type(
      parts[0], parts.size() == 3 ? parts[1] : "", parts.back(), name);
    if (!type.unsupported.empty()) {
      throw Error(type.unsupported);
    }
    return type;
  }
  std::string_view bare = without_prefix(name, "kovel_camera_msgs/");
  std::string known;
  for (const MessageType * type : message_types()) {
    if (without_prefix(bare, type->kind + "/") == type->name) {
      if (!type->unsupported.empty()) {
        throw Error(type->unsupported);
      }
      return *type;
    }
    known += known.empty() ? "" : ", ";
    known += type->name;
  }
  throw Error("unknown message type '" + std::string(name) + "' (known: " + known + ")");
}

const ServiceType & find_service_type(std::string_view name)
{
  const std::vector<std::string> parts = split(name);
  if (!of_own_package(parts)) {
    if (parts.size() > 3 || (parts.size() == 3 && parts[1] != "srv")) {
      throw Error("unknown service '" + std::string(name) +
              "' (a service is PACKAGE/NAME or PACKAGE/srv/NAME)");
    }
    const ServiceType & service = catalog().other_package_service(parts[0], parts.back(), name);
    for (const MessageType * part : {service.request, service.response}) {
      if (!part->unsupported.empty()) {
        throw Error(part->unsupported);
      }
    }
    return service;
  }
  std::string_view bare = without_prefix(without_prefix(name, "kovel_camera_msgs/"), "srv/");
  std::string known;
  for (const ServiceType * service : service_types()) {
    if (bare == service->name) {
      for (const MessageType * part : {service->request, service->response}) {
        if (!part->unsupported.empty()) {
          throw Error(part->unsupported);
        }
      }
      return *service;
    }
    known += known.empty() ? "" : ", ";
    known += service->name;
  }
  throw Error("unknown service '" + std::string(name) + "' (known: " + known + ")");
}

std::vector<std::string> interface_packages()
{
  std::set<std::string> packages;
  const char * path = std::getenv("AMENT_PREFIX_PATH");
  std::stringstream prefixes(path != nullptr ? path : "");
  for (std::string prefix; std::getline(prefixes, prefix, ':'); ) {
    const std::string index = prefix + "/share/ament_index/resource_index/rosidl_interfaces";
    std::unique_ptr<DIR, int (*)(DIR *)> directory(opendir(index.c_str()), closedir);
    if (!directory) {
      continue;
    }
    while (const dirent * entry = readdir(directory.get())) {
      if (entry->d_name[0] != '.') {
        packages.insert(entry->d_name);
      }
    }
  }
  return {packages.begin(), packages.end()};
}

std::vector<std::string> package_type_names(const std::string & package)
{
  std::vector<std::string> messages;
  std::vector<std::string> services;
  for (const auto & [kind, name] : package_interfaces(package)) {
    if (kind == "msg") {
      messages.push_back(package + "/msg/" + name);
    } else {
      services.push_back(package + "/srv/" + name + "_Request");
      services.push_back(package + "/srv/" + name + "_Response");
    }
  }
  messages.insert(messages.end(), services.begin(), services.end());
  return messages;
}

}  // namespace kovel_cdr
