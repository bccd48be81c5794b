#include "type_catalog.hpp"

#include <dlfcn.h>

#include <map>
#include <memory>
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

// The member kind of one member, from its introspection.
Kind kind_of(const IntrospectedMember & member, const std::string & path)
{
  const bool fixed_array = member.is_array_ && !member.is_upper_bound_ && member.array_size_ > 0;
  const bool sequence = member.is_array_ && member.array_size_ == 0;
  if (!member.is_array_ || fixed_array || sequence) {
    const Shape shape = !member.is_array_ ? Shape::single :
      fixed_array ? Shape::array : Shape::sequence;
    if (const MemberKind * known = member_kind_of(member.type_id_, shape)) {
      return known->kind;
    }
  }
  throw Error(path + ": a member of introspection type " + std::to_string(member.type_id_) +
          (member.is_array_ ? " (array)" : "") + " is not supported");
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

private:
  const MessageType & package_type(const std::string & kind, const std::string & name)
  {
    auto getter = reinterpret_cast<MessageGetter>(entry_point(
        kPackage, "rosidl_typesupport_introspection_c",
        "rosidl_typesupport_introspection_c__get_message_type_support_handle__" +
        std::string(kPackage) + "__" + kind + "__" + name));
    return described(*static_cast<const Introspection *>(getter()->data));
  }

  // The type an introspection describes; "<package>__<kind>" is its namespace.
  const MessageType & described(const Introspection & introspection)
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
    for (uint32_t i = 0; i < introspection.member_count_; ++i) {
      const IntrospectedMember & member = introspection.members_[i];
      Member described_member{member.name_, kind_of(member, type->name + "." + member.name_),
        member.offset_};
      if (member.is_array_) {
        described_member.length = member.array_size_;
      }
      if (described_member.kind == Kind::nested) {
        described_member.nested =
          &described(*static_cast<const Introspection *>(member.members_->data));
      }
      type->members.push_back(described_member);
    }
    type->handle = reinterpret_cast<MessageGetter>(entry_point(
        type->package, "rosidl_typesupport_fastrtps_c",
        "rosidl_typesupport_fastrtps_c__get_message_type_support_handle__" + full_name));
    type->size = reinterpret_cast<decltype(type->size)>(entry_point(
        type->package, "rosidl_typesupport_fastrtps_c", "get_serialized_size_" + full_name));
    type->max = reinterpret_cast<decltype(type->max)>(entry_point(
        type->package, "rosidl_typesupport_fastrtps_c", "max_serialized_size_" + full_name));
    const MessageType & result = *type;
    types_.emplace(full_name, std::move(type));
    return result;
  }

  std::map<std::string, std::unique_ptr<MessageType>> types_;
  std::vector<std::unique_ptr<ServiceType>> owned_services_;
};

const Catalog & catalog()
{
  static const Catalog instance;
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
      return *service;
    }
    known += known.empty() ? "" : ", ";
    known += service->name;
  }
  throw Error("unknown service '" + std::string(name) + "' (known: " + known + ")");
}

}  // namespace kovel_cdr
