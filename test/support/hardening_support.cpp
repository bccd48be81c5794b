#include "hardening_support.hpp"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <fstream>
#include <sstream>

#include <fastcdr/Cdr.h>
#include <nlohmann/json.hpp>

#include "payload.hpp"
#include "record.hpp"
#include "rosidl_runtime_c/primitives_sequence_functions.h"
#include "rosidl_runtime_c/string_functions.h"

#ifndef KOVEL_SAMPLE_DIRS
#define KOVEL_SAMPLE_DIRS ""
#endif

namespace kovel_hardening
{

using kovel_cdr::Kind;
using kovel_cdr::Member;
using kovel_cdr::MessageType;

namespace
{

template<class T>
const T & at(const void * record, const Leaf & leaf)
{
  return kovel_cdr::member_at<T>(record, leaf.offset);
}

template<class T>
T & at(void * record, const Leaf & leaf)
{
  return kovel_cdr::member_at<T>(record, leaf.offset);
}

void collect(
  const MessageType & type, const std::string & prefix, size_t base, std::vector<Leaf> & out)
{
  for (const Member & member : type.members) {
    std::string path = prefix.empty() ? member.name : prefix + "." + member.name;
    if (member.kind == Kind::nested) {
      collect(*member.nested, path, base + member.offset, out);
    } else {
      out.push_back(Leaf{path, &member, base + member.offset});
    }
  }
}

// Bytes a leaf occupies in the record.
size_t storage_size(const Member & member)
{
  switch (member.kind) {
    case Kind::string: return sizeof(rosidl_runtime_c__String);
    case Kind::int32: case Kind::uint32: return 4;
    case Kind::boolean: case Kind::octet: return 1;
    case Kind::float32_array: return 4 * member.length;
    case Kind::float64_array: return 8 * member.length;
    case Kind::float64_sequence: return sizeof(rosidl_runtime_c__double__Sequence);
    case Kind::nested: break;
  }
  return 0;
}

// What a string or sequence points to; empty for other kinds.
std::string content(const Leaf & leaf, const void * record)
{
  if (leaf.member->kind == Kind::string) {
    const auto & s = at<rosidl_runtime_c__String>(record, leaf);
    return s.data ? std::string(s.data, s.size) : std::string();
  }
  if (leaf.member->kind == Kind::float64_sequence) {
    const auto & d = at<rosidl_runtime_c__double__Sequence>(record, leaf);
    return d.data ? std::string(reinterpret_cast<const char *>(d.data), d.size * 8) : std::string();
  }
  return std::string();
}

size_t align(size_t c, size_t n)
{
  return eprosima::fastcdr::Cdr::alignment(c, n);
}

}  // namespace

std::vector<Leaf> leaves_of(const MessageType & type)
{
  std::vector<Leaf> out;
  collect(type, "", 0, out);
  return out;
}

std::vector<Leaf> string_leaves_of(const MessageType & type)
{
  std::vector<Leaf> out;
  for (const Leaf & leaf : leaves_of(type)) {
    if (leaf.member->kind == Kind::string) {
      out.push_back(leaf);
    }
  }
  return out;
}

std::vector<size_t> leaf_ends(const MessageType & type, const void * record)
{
  std::vector<size_t> ends;
  size_t c = 0;
  for (const Leaf & leaf : leaves_of(type)) {
    const Member & m = *leaf.member;
    switch (m.kind) {
      case Kind::string:
        c += align(c, 4) + 4 + at<rosidl_runtime_c__String>(record, leaf).size + 1;
        break;
      case Kind::int32: case Kind::uint32:
        c += align(c, 4) + 4;
        break;
      case Kind::boolean: case Kind::octet:
        c += 1;
        break;
      case Kind::float32_array:
        c += align(c, 4) + 4 * m.length;
        break;
      case Kind::float64_array:
        c += align(c, 8) + 8 * m.length;
        break;
      case Kind::float64_sequence: {
          c += align(c, 4) + 4;
          size_t n = at<rosidl_runtime_c__double__Sequence>(record, leaf).size;
          if (n > 0) {  // an empty sequence is the count alone
            c += align(c, 8) + 8 * n;
          }
          break;
        }
      case Kind::nested:
        break;
    }
    ends.push_back(c);
  }
  return ends;
}

bool leaf_equal(const Leaf & leaf, const void * a, const void * b)
{
  switch (leaf.member->kind) {
    case Kind::string: {
        const auto & x = at<rosidl_runtime_c__String>(a, leaf);
        const auto & y = at<rosidl_runtime_c__String>(b, leaf);
        if (x.data == nullptr || y.data == nullptr) {
          return x.data == y.data;
        }
        return x.size == y.size && std::memcmp(x.data, y.data, x.size) == 0;
      }
    case Kind::float64_sequence: {
        const auto & x = at<rosidl_runtime_c__double__Sequence>(a, leaf);
        const auto & y = at<rosidl_runtime_c__double__Sequence>(b, leaf);
        return x.size == y.size && (x.size == 0 || std::memcmp(x.data, y.data, 8 * x.size) == 0);
      }
    case Kind::boolean:
      return (at<uint8_t>(a, leaf) != 0) == (at<uint8_t>(b, leaf) != 0);
    default:
      return std::memcmp(
        &at<unsigned char>(a, leaf), &at<unsigned char>(b, leaf),
        storage_size(*leaf.member)) == 0;
  }
}

std::string first_difference(const MessageType & type, const void * a, const void * b)
{
  for (const Leaf & leaf : leaves_of(type)) {
    if (!leaf_equal(leaf, a, b)) {
      return leaf.path + ": " + show_leaf(leaf, a) + " vs " + show_leaf(leaf, b);
    }
  }
  return std::string();
}

std::string show_leaf(const Leaf & leaf, const void * record)
{
  std::ostringstream out;
  switch (leaf.member->kind) {
    case Kind::string: {
        const auto & s = at<rosidl_runtime_c__String>(record, leaf);
        if (s.data == nullptr) {
          out << "(null string)";
        } else {
          std::string text(s.data, std::min<size_t>(s.size, 40));
          for (char & ch : text) {
            ch = (ch >= 32 && ch < 127) ? ch : '?';
          }
          out << '"' << text << (s.size > 40 ? "...\"" : "\"") << " size " << s.size;
        }
        break;
      }
    case Kind::int32: out << at<int32_t>(record, leaf); break;
    case Kind::uint32: out << at<uint32_t>(record, leaf); break;
    case Kind::boolean: case Kind::octet: out << +at<uint8_t>(record, leaf); break;
    case Kind::float64_sequence:
      out << at<rosidl_runtime_c__double__Sequence>(record, leaf).size << " elements";
      break;
    default: {
        const unsigned char * p = &at<unsigned char>(record, leaf);
        out << std::hex;
        for (size_t i = 0; i < std::min<size_t>(storage_size(*leaf.member), 16); ++i) {
          out << +p[i] << ' ';
        }
        out << "...";
      }
  }
  return out.str();
}

std::string check_owned_members(const MessageType & type, const void * record)
{
  for (const Leaf & leaf : leaves_of(type)) {
    if (leaf.member->kind == Kind::string) {
      const auto & s = at<rosidl_runtime_c__String>(record, leaf);
      bool released = s.data == nullptr && s.size == 0 && s.capacity == 0;
      bool formed = s.data != nullptr && s.capacity > s.size && s.data[s.size] == '\0';
      if (!released && !formed) {
        return leaf.path + ": string neither released nor well formed (size " +
               std::to_string(s.size) + ", capacity " + std::to_string(s.capacity) + ")";
      }
    } else if (leaf.member->kind == Kind::float64_sequence) {
      const auto & d = at<rosidl_runtime_c__double__Sequence>(record, leaf);
      bool released = d.data == nullptr && d.size == 0 && d.capacity == 0;
      bool formed = d.data != nullptr && d.capacity >= d.size;
      if (!released && !formed) {
        return leaf.path + ": sequence neither released nor well formed (size " +
               std::to_string(d.size) + ", capacity " + std::to_string(d.capacity) + ")";
      }
    }
  }
  return std::string();
}

void fill_pattern(const MessageType & type, void * record)
{
  size_t index = 0;
  for (const Leaf & leaf : leaves_of(type)) {
    ++index;
    switch (leaf.member->kind) {
      case Kind::string: {
          std::string text(200 + 37 * index, static_cast<char>('A' + index % 26));
          if (!rosidl_runtime_c__String__assignn(
              &at<rosidl_runtime_c__String>(record, leaf), text.data(), text.size()))
          {
            throw std::bad_alloc();
          }
          break;
        }
      case Kind::float64_sequence: {
          auto & d = at<rosidl_runtime_c__double__Sequence>(record, leaf);
          rosidl_runtime_c__double__Sequence__fini(&d);
          if (!rosidl_runtime_c__double__Sequence__init(&d, 7)) {
            throw std::bad_alloc();
          }
          for (size_t i = 0; i < 7; ++i) {
            d.data[i] = -1.25 * static_cast<double>(i + index);
          }
          break;
        }
      case Kind::boolean:
        at<bool>(record, leaf) = true;
        break;
      default:
        std::memset(&at<unsigned char>(record, leaf), 0x5A, storage_size(*leaf.member));
    }
  }
}

Snapshot::Snapshot(const MessageType & type, const void * record)
: bytes_(static_cast<const unsigned char *>(record),
    static_cast<const unsigned char *>(record) + type.record_size),
  leaves_(leaves_of(type))
{
  for (const Leaf & leaf : leaves_) {
    contents_.push_back(content(leaf, record));
  }
}

bool Snapshot::untouched(const Leaf & leaf, const void * record) const
{
  for (size_t i = 0; i < leaves_.size(); ++i) {
    if (leaves_[i].offset == leaf.offset) {
      return std::memcmp(
        bytes_.data() + leaf.offset, &at<unsigned char>(record, leaf),
        storage_size(*leaf.member)) == 0 && contents_[i] == content(leaf, record);
    }
  }
  return false;
}

ZeroRecord::ZeroRecord(const MessageType & type)
: type_(&type),
  storage_(new unsigned char[type.record_size])
{
  // Every byte, padding included: the record comes from plain zeroed memory.
  std::memset(storage_.get(), 0, type.record_size);
}

ZeroRecord::~ZeroRecord()
{
  kovel_cdr::fini_members(*type_, storage_.get());
}

StderrCapture::StderrCapture()
: file_(fmemopen(buffer_, sizeof(buffer_), "w"))
{
  if (file_ == nullptr) {
    throw std::runtime_error("cannot open a memory stream for stderr");
  }
}

StderrCapture::~StderrCapture()
{
  if (saved_ != nullptr) {
    stderr = saved_;
  }
  fclose(file_);
}

void StderrCapture::begin()
{
  rewind(file_);
  saved_ = stderr;
  stderr = file_;
}

std::string StderrCapture::end()
{
  fflush(file_);
  long length = ftell(file_);
  stderr = saved_;
  saved_ = nullptr;
  return std::string(buffer_, length > 0 ? static_cast<size_t>(length) : 0);
}

std::vector<std::string> allowed_failure_texts(const MessageType & type)
{
  std::vector<std::string> texts;
  for (const Leaf & leaf : leaves_of(type)) {
    if (leaf.member->kind == Kind::string) {
      texts.push_back(std::string("failed to assign string into field '") + leaf.member->name +
        "'\n");
    } else if (leaf.member->kind == Kind::float64_sequence) {
      texts.push_back(std::string("failed to allocate sequence '") + leaf.member->name + "'\n");
    }
  }
  return texts;
}

std::vector<Sample> samples_of(const MessageType & type)
{
  std::vector<Sample> samples;
  std::istringstream dirs(KOVEL_SAMPLE_DIRS);
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    if (dir.empty()) {
      continue;
    }
    std::string path = dir + "/" + type.name + ".json";
    std::ifstream file(path);
    if (!file) {
      continue;
    }
    nlohmann::json all = nlohmann::json::parse(file);
    size_t index = 0;
    for (const nlohmann::json & message : all) {
      samples.push_back(Sample{path + "#" + std::to_string(index++), message.dump()});
    }
  }
  return samples;
}

bool deserialize_payload(
  const MessageType & type, const uint8_t * bytes, size_t length, void * record,
  size_t * consumed)
{
  kovel_cdr::PayloadReader in(bytes, length);
  bool ok = kovel_cdr::callbacks_of(type).cdr_deserialize(in.cdr(), record);
  if (consumed) {
    *consumed = in.consumed();
  }
  return ok;
}

}  // namespace kovel_hardening
