#include "hardening_support.hpp"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <type_traits>
#include <utility>
#include <fstream>
#include <sstream>

#include <fastcdr/Cdr.h>
#include <nlohmann/json.hpp>

#include "codec/json_codec.hpp"
#include "codec/payload.hpp"
#include "codec/record.hpp"
#include "rosidl_runtime_c/string_functions.h"

namespace kovel_hardening
{

using kovel_cdr::Kind;
using kovel_cdr::Member;
using kovel_cdr::MessageType;
using kovel_cdr::Shape;

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
    if (member.kind == Kind::nested && member.shape == Shape::single) {
      collect(*member.nested, path, base + member.offset, out);
    } else {
      out.push_back(Leaf{path, &member, base + member.offset});
    }
  }
}

using kovel_cdr::SequenceSlot;
using String = rosidl_runtime_c__String;

// The records of a nested array or sequence member, one by one: f(element, index).
template<class Slot, class F>
void for_each_record(const Member & member, Slot * slot, F f)
{
  auto [elements, count] = kovel_cdr::elements_of(member, slot);
  for (size_t i = 0; i < count; ++i) {
    f(kovel_cdr::element_at(member, elements, i), i);
  }
}

template<class T>
struct Tag
{
  using type = T;
};

// Calls `f` with a Tag of the record's C type of the kind's values.
template<class F>
auto with_value_type(Kind kind, F f)
{
  switch (kind) {
    case Kind::boolean: return f(Tag<bool>{});
    case Kind::octet: case Kind::uint8: return f(Tag<uint8_t>{});
    case Kind::character: case Kind::int8: return f(Tag<int8_t>{});
    case Kind::uint16: return f(Tag<uint16_t>{});
    case Kind::int16: return f(Tag<int16_t>{});
    case Kind::uint32: return f(Tag<uint32_t>{});
    case Kind::int32: return f(Tag<int32_t>{});
    case Kind::uint64: return f(Tag<uint64_t>{});
    case Kind::int64: return f(Tag<int64_t>{});
    case Kind::float32: return f(Tag<float>{});
    case Kind::float64: return f(Tag<double>{});
    case Kind::string: return f(Tag<String>{});
    default: throw std::logic_error("the test support has no leaves of nested arrays");
  }
}

template<class C>
size_t value_end(const C & value, size_t position)
{
  if constexpr (std::is_same_v<C, String>) {
    return position + eprosima::fastcdr::Cdr::alignment(position, 4) + 4 + value.size + 1;
  } else {
    return position + eprosima::fastcdr::Cdr::alignment(position, sizeof(C)) + sizeof(C);
  }
}

template<class C>
bool value_equal(const C & a, const C & b)
{
  if constexpr (std::is_same_v<C, String>) {
    if (a.data == nullptr || b.data == nullptr) {
      return a.data == b.data;
    }
    return a.size == b.size && std::memcmp(a.data, b.data, a.size) == 0;
  } else if constexpr (std::is_same_v<C, bool>) {
    // The record's bool read as its byte: any byte but 0 is true.
    return (*reinterpret_cast<const uint8_t *>(&a) != 0) ==
           (*reinterpret_cast<const uint8_t *>(&b) != 0);
  } else {
    return std::memcmp(&a, &b, sizeof(C)) == 0;  // floats bit for bit
  }
}

std::string string_problem(const String & s)
{
  const bool released = s.data == nullptr && s.size == 0 && s.capacity == 0;
  const bool formed = s.data != nullptr && s.capacity > s.size && s.data[s.size] == '\0';
  if (released || formed) {
    return std::string();
  }
  return "string neither released nor well formed (size " + std::to_string(s.size) +
         ", capacity " + std::to_string(s.capacity) + ")";
}

template<class C>
void fill_value(C & value, size_t seed, size_t index, bool in_sequence)
{
  if constexpr (std::is_same_v<C, String>) {
    std::string text(200 + 37 * seed + index, static_cast<char>('A' + seed % 26));
    if (!rosidl_runtime_c__String__assignn(&value, text.data(), text.size())) {
      throw std::bad_alloc();
    }
  } else if constexpr (std::is_same_v<C, bool>) {
    value = true;
  } else if (std::is_floating_point_v<C> && in_sequence) {
    value = static_cast<C>(-1.25 * static_cast<double>(index + seed));
  } else {
    std::memset(&value, 0x5A, sizeof(C));
  }
}

// The values of a leaf: one, a fixed array's or a sequence's.
template<class C>
std::pair<C *, size_t> values_of(const Member & member, void * slot)
{
  if (member.shape == Shape::single) {
    return {static_cast<C *>(slot), 1};
  }
  auto [first, count] = kovel_cdr::elements_of(member, slot);
  return {static_cast<C *>(first), count};
}

template<class C>
std::pair<const C *, size_t> values_of(const Member & member, const void * slot)
{
  auto values = values_of<C>(member, const_cast<void *>(slot));
  return {values.first, values.second};
}

size_t wire_end(const Member & member, const void * slot, size_t position)
{
  if (member.shape == Shape::sequence) {
    position += eprosima::fastcdr::Cdr::alignment(position, 4) + 4;
  }
  if (member.kind == Kind::nested) {
    for_each_record(member, slot, [&](const void * element, size_t) {
        position += member.nested->size(element, position);
      });
    return position;
  }
  return with_value_type(member.kind, [&](auto tag) {
      using C = typename decltype(tag)::type;
      const auto [values, count] = values_of<C>(member, slot);
      for (size_t i = 0; i < count; ++i) {
        position = value_end(values[i], position);
      }
      return position;
    });
}

size_t record_size(const Member & member)
{
  switch (member.shape) {
    case Shape::single: return member.element_size;
    case Shape::array: return member.element_size * member.length;
    default: return sizeof(SequenceSlot);
  }
}

bool equal(const Member & member, const void * a, const void * b)
{
  if (member.kind == Kind::nested) {
    if (kovel_cdr::elements_of(member, a).second != kovel_cdr::elements_of(member, b).second) {
      return false;
    }
    const void * b_elements = kovel_cdr::elements_of(member, b).first;
    bool same = true;
    for_each_record(member, a, [&](const void * element, size_t i) {
        same = same && first_difference(
          *member.nested, element, kovel_cdr::element_at(member, b_elements, i)).empty();
      });
    return same;
  }
  return with_value_type(member.kind, [&](auto tag) {
      using C = typename decltype(tag)::type;
      const auto [x, x_count] = values_of<C>(member, a);
      const auto [y, y_count] = values_of<C>(member, b);
      if (x_count != y_count) {
        return false;
      }
      for (size_t i = 0; i < x_count; ++i) {
        if (!value_equal(x[i], y[i])) {
          return false;
        }
      }
      return true;
    });
}

std::string show(const Member & member, const void * slot)
{
  if (member.shape == Shape::sequence) {
    return std::to_string(static_cast<const SequenceSlot *>(slot)->size) + " elements";
  }
  if (member.kind == Kind::string && member.shape == Shape::single) {
    const String & s = *static_cast<const String *>(slot);
    if (s.data == nullptr) {
      return "(null string)";
    }
    std::string text(s.data, std::min<size_t>(s.size, 40));
    for (char & ch : text) {
      ch = (ch >= 32 && ch < 127) ? ch : '?';
    }
    return '"' + text + (s.size > 40 ? "...\"" : "\"") + " size " + std::to_string(s.size);
  }
  const auto * bytes = static_cast<const unsigned char *>(slot);
  std::ostringstream out;
  if (member.shape == Shape::single) {
    with_value_type(member.kind, [&](auto tag) {
        using C = typename decltype(tag)::type;
        if constexpr (!std::is_same_v<C, String>) {
          out << +*static_cast<const C *>(slot);
        }
        return 0;
      });
    return out.str();
  }
  out << std::hex;
  for (size_t i = 0; i < std::min<size_t>(record_size(member), 16); ++i) {
    out << +bytes[i] << ' ';
  }
  out << "...";
  return out.str();
}

// What the slot points to: a text's bytes, a sequence's elements and their texts.
std::string owned_bytes(const Member & member, const void * slot)
{
  std::string owned;
  if (member.shape == Shape::sequence) {
    const auto & sequence = *static_cast<const SequenceSlot *>(slot);
    if (sequence.data != nullptr) {
      owned.assign(static_cast<const char *>(sequence.data), member.element_size * sequence.size);
    }
  }
  if (member.kind == Kind::string) {
    const auto [values, count] = values_of<String>(member, slot);
    for (size_t i = 0; i < count; ++i) {
      if (values[i].data != nullptr) {
        owned.append(values[i].data, values[i].size);
      }
    }
  }
  if (member.kind == Kind::nested) {
    for_each_record(member, slot, [&](const void * element, size_t) {
        for (const Leaf & leaf : leaves_of(*member.nested)) {
          owned += owned_bytes(*leaf.member, &kovel_cdr::member_at<unsigned char>(element, leaf.offset));
        }
      });
  }
  return owned;
}

std::string ill_formed(const Member & member, const void * slot)
{
  if (member.shape == Shape::sequence) {
    const auto & sequence = *static_cast<const SequenceSlot *>(slot);
    const bool released = sequence.data == nullptr && sequence.size == 0 && sequence.capacity == 0;
    const bool formed = sequence.data != nullptr && sequence.capacity >= sequence.size;
    if (!released && !formed) {
      return "sequence neither released nor well formed (size " + std::to_string(sequence.size) +
             ", capacity " + std::to_string(sequence.capacity) + ")";
    }
  }
  if (member.kind == Kind::string) {
    const auto [values, count] = values_of<String>(member, slot);
    for (size_t i = 0; i < count; ++i) {
      if (std::string problem = string_problem(values[i]); !problem.empty()) {
        return problem;
      }
    }
  }
  std::string problem;
  if (member.kind == Kind::nested) {
    for_each_record(member, slot, [&](const void * element, size_t i) {
        if (problem.empty()) {
          problem = check_owned_members(*member.nested, element);
          problem = problem.empty() ? problem : "[" + std::to_string(i) + "]." + problem;
        }
      });
  }
  return problem;
}

void fill(const Member & member, void * slot, size_t seed)
{
  // Two nested records rather than seven: each fills its own sequences in turn.
  const size_t elements = member.kind == Kind::nested ? 2 : 7;
  if (member.shape == Shape::sequence &&
    (member.resize == nullptr || !member.resize(slot, elements)))
  {
    throw std::bad_alloc();
  }
  if (member.kind == Kind::nested) {
    for_each_record(member, slot, [&](void * element, size_t) {fill_pattern(*member.nested, element);});
    return;
  }
  with_value_type(member.kind, [&](auto tag) {
      using C = typename decltype(tag)::type;
      const auto [values, count] = values_of<C>(member, slot);
      for (size_t i = 0; i < count; ++i) {
        fill_value(values[i], seed, i, member.shape == Shape::sequence);
      }
      return 0;
    });
}

// The type supports' messages, before "<member name>'\n", when one cannot store such a
// member while deserializing or finds it beyond its bound (the sensor_msgs stand-in and
// the member rules word an allocation failure differently).
std::vector<const char *> failure_texts(const Member & member)
{
  std::vector<const char *> texts;
  if (member.shape == Shape::sequence) {
    texts.push_back("failed to allocate sequence '");
    texts.push_back("failed to allocate sequence for field '");
    if (member.length > 0) {
      texts.push_back("sequence longer than its bound in field '");
    }
  }
  if (member.kind == Kind::string) {
    texts.push_back("failed to assign string into field '");
    if (member.string_bound > 0) {
      texts.push_back("string longer than its bound in field '");
    }
  }
  return texts;
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
    if (leaf.member->kind == Kind::string && leaf.member->shape == Shape::single) {
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
    position = wire_end(*leaf.member, slot(record, leaf), position);
    ends.push_back(position);
  }
  return ends;
}

bool leaf_equal(const Leaf & leaf, const void * a, const void * b)
{
  return equal(*leaf.member, slot(a, leaf), slot(b, leaf));
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
  return show(*leaf.member, slot(record, leaf));
}

std::string check_owned_members(const MessageType & type, const void * record)
{
  for (const Leaf & leaf : leaves_of(type)) {
    const std::string problem = ill_formed(*leaf.member, slot(record, leaf));
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
    fill(*leaf.member, slot(record, leaf), ++index);
  }
}

Snapshot::Snapshot(const MessageType & type, const void * record)
: bytes_(static_cast<const unsigned char *>(record),
    static_cast<const unsigned char *>(record) + type.record_size),
  leaves_(leaves_of(type))
{
  for (const Leaf & leaf : leaves_) {
    contents_.push_back(owned_bytes(*leaf.member, slot(record, leaf)));
  }
}

bool Snapshot::untouched(const Leaf & leaf, const void * record) const
{
  for (size_t i = 0; i < leaves_.size(); ++i) {
    if (leaves_[i].offset == leaf.offset) {
      return std::memcmp(
        bytes_.data() + leaf.offset, slot(record, leaf), record_size(*leaf.member)) == 0 &&
             contents_[i] == owned_bytes(*leaf.member, slot(record, leaf));
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
  type_->fini(storage_.get());
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
    for (const char * text : failure_texts(*leaf.member)) {
      texts.push_back(std::string(text) + leaf.member->name + "'\n");
    }
    if (leaf.member->kind == Kind::nested) {
      for (std::string & text : allowed_failure_texts(*leaf.member->nested)) {
        texts.push_back(std::move(text));
      }
    }
  }
  return texts;
}

std::vector<Sample> samples_of(const MessageType & type)
{
  std::vector<Sample> samples;
  const std::string path = std::string(KOVEL_SAMPLES_DIR) + "/" + type.name + ".json";
  std::ifstream file(path);
  if (!file) {
    const kovel_cdr::Record record = kovel_cdr::make_record(type, nlohmann::json::object());
    samples.push_back(Sample{type.name + " (default)",
        kovel_cdr::record_to_json(type, record.data()).dump()});
    return samples;
  }
  nlohmann::json all = nlohmann::json::parse(file);
  size_t index = 0;
  for (const nlohmann::json & message : all) {
    samples.push_back(Sample{path + "#" + std::to_string(index++), message.dump()});
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
