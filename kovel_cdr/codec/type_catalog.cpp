#include "codec/type_catalog.hpp"

#include <dlfcn.h>

#include <map>
#include <memory>
#include <mutex>
#include <sstream>

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
        messages_.push_back(&package_type("msg", name));
        continue;
      }
      auto service = std::make_unique<ServiceType>();
      service->name = name;
      service->request = &package_type("srv", name + "_Request");
      service->response = &package_type("srv", name + "_Response");
      service->handle = reinterpret_cast<ServiceGetter>(entry_point(
          kPackage, "rosidl_typesupport_fastrtps_c",
          "rosidl_typesupport_fastrtps_c__get_service_type_support_handle__" +
          std::string(kPackage) + "__srv__" + name));
      services_.push_back(service.get());
      owned_services_.push_back(std::move(service));
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

private:
  const MessageType & package_type(const std::string & kind, const std::string & name)
  {
    auto getter = reinterpret_cast<MessageGetter>(entry_point(
        kPackage, "rosidl_typesupport_introspection_c",
        "rosidl_typesupport_introspection_c__get_message_type_support_handle__" +
        std::string(kPackage) + "__" + kind + "__" + name));
    return described(*static_cast<const Introspection *>(getter()->data));
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
      type->handle = reinterpret_cast<MessageGetter>(entry_point(
          type->package, "rosidl_typesupport_fastrtps_c",
          "rosidl_typesupport_fastrtps_c__get_message_type_support_handle__" + full_name));
      type->size = reinterpret_cast<decltype(type->size)>(entry_point(
          type->package, "rosidl_typesupport_fastrtps_c", "get_serialized_size_" + full_name));
      type->max = reinterpret_cast<decltype(type->max)>(entry_point(
          type->package, "rosidl_typesupport_fastrtps_c", "max_serialized_size_" + full_name));
    } catch (const Error & e) {
      if (type->unsupported.empty()) {
        type->unsupported = type->full_name() + ": " + e.what();
      }
    }
    const MessageType & result = *type;
    types_.emplace(full_name, std::move(type));
    return result;
  }

  std::recursive_mutex mutex_;
  std::map<std::string, std::unique_ptr<MessageType>> types_;
  std::vector<std::unique_ptr<ServiceType>> owned_services_;
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

}  // namespace kovel_cdr
