#include "hardening_support.hpp"

#include <cstring>
#include <stdexcept>
#include <fstream>
#include <sstream>

#include <fastcdr/Cdr.h>
#include <nlohmann/json.hpp>

#include "payload.hpp"
#include "record.hpp"

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

const void * slot(const void * record, const Leaf & leaf)
{
  return &kovel_cdr::member_at<unsigned char>(record, leaf.offset);
}

void * slot(void * record, const Leaf & leaf)
{
  return &kovel_cdr::member_at<unsigned char>(record, leaf.offset);
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

const kovel_cdr::MemberKind & kind_of(const Leaf & leaf)
{
  return kovel_cdr::member_kind(leaf.member->kind);
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
  size_t position = 0;
  for (const Leaf & leaf : leaves_of(type)) {
    position = kind_of(leaf).wire_end(*leaf.member, slot(record, leaf), position);
    ends.push_back(position);
  }
  return ends;
}

bool leaf_equal(const Leaf & leaf, const void * a, const void * b)
{
  return kind_of(leaf).equal(*leaf.member, slot(a, leaf), slot(b, leaf));
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
  return kind_of(leaf).show(*leaf.member, slot(record, leaf));
}

std::string check_owned_members(const MessageType & type, const void * record)
{
  for (const Leaf & leaf : leaves_of(type)) {
    const std::string problem = kind_of(leaf).ill_formed(slot(record, leaf));
    if (!problem.empty()) {
      return leaf.path + ": " + problem;
    }
  }
  return std::string();
}

void fill_pattern(const MessageType & type, void * record)
{
  size_t index = 0;
  for (const Leaf & leaf : leaves_of(type)) {
    kind_of(leaf).fill(*leaf.member, slot(record, leaf), ++index);
  }
}

Snapshot::Snapshot(const MessageType & type, const void * record)
: bytes_(static_cast<const unsigned char *>(record),
    static_cast<const unsigned char *>(record) + type.record_size),
  leaves_(leaves_of(type))
{
  for (const Leaf & leaf : leaves_) {
    contents_.push_back(kind_of(leaf).owned_bytes(*leaf.member, slot(record, leaf)));
  }
}

bool Snapshot::untouched(const Leaf & leaf, const void * record) const
{
  for (size_t i = 0; i < leaves_.size(); ++i) {
    if (leaves_[i].offset == leaf.offset) {
      const kovel_cdr::MemberKind & kind = kind_of(leaf);
      return std::memcmp(
        bytes_.data() + leaf.offset, slot(record, leaf), kind.record_size(*leaf.member)) == 0 &&
             contents_[i] == kind.owned_bytes(*leaf.member, slot(record, leaf));
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
    if (const char * text = kind_of(leaf).failure_text) {
      texts.push_back(std::string(text) + leaf.member->name + "'\n");
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
