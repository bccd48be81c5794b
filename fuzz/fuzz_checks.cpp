#include "fuzz_checks.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include <dlfcn.h>

#include <fastcdr/Cdr.h>
#include <fastcdr/FastBuffer.h>
#include <fastcdr/exceptions/Exception.h>

#include "hardening_support.hpp"
#include "codec/json_codec.hpp"
#include "codec/payload.hpp"
#include "codec/record.hpp"
#include "codec/type_catalog.hpp"
#include "codec/yaml_codec.hpp"
#include "rosidl_typesupport_introspection_c/message_introspection.h"

namespace kovel_fuzz
{

using eprosima::fastcdr::Cdr;
using eprosima::fastcdr::FastBuffer;
using kovel_cdr::MessageType;
using namespace kovel_hardening;  // NOLINT

namespace
{

[[noreturn]] void broken(const MessageType & type, const std::string & what)
{
  fprintf(stderr, "\n%s: %s\n", type.name.c_str(), what.c_str());
  fflush(stderr);
  abort();
}

// A type of kovel_camera_msgs by its name, or of any installed interface package as
// "pkg/kind/Type", described from that package's introspection library, loaded by name.
const MessageType & find_type(const std::string & name)
{
  const size_t first = name.find('/');
  const size_t second = name.find('/', first + 1);
  if (second == std::string::npos) {
    return kovel_cdr::find_message_type(name);
  }
  const std::string package = name.substr(0, first);
  const std::string library = "lib" + package + "__rosidl_typesupport_introspection_c.so";
  const std::string getter =
    "rosidl_typesupport_introspection_c__get_message_type_support_handle__" + package + "__" +
    name.substr(first + 1, second - first - 1) + "__" + name.substr(second + 1);
  void * loaded = dlopen(library.c_str(), RTLD_NOW | RTLD_GLOBAL);
  auto handle = loaded == nullptr ? nullptr :
    reinterpret_cast<const rosidl_message_type_support_t * (*)()>(dlsym(loaded, getter.c_str()));
  if (handle == nullptr) {
    fprintf(stderr, "\n%s: cannot find %s in %s\n", name.c_str(), getter.c_str(), library.c_str());
    abort();
  }
  const MessageType & type = kovel_cdr::describe(
    *static_cast<const rosidl_typesupport_introspection_c__MessageMembers *>(handle()->data));
  if (!type.unsupported.empty()) {
    fprintf(stderr, "\n%s: %s\n", name.c_str(), type.unsupported.c_str());
    abort();
  }
  return type;
}

const MessageType & type_named(const char * name)
{
  // One type per target: looked up once.
  static const MessageType & type = find_type(name);
  return type;
}

StderrCapture & capture()
{
  static StderrCapture instance;
  return instance;
}

enum class Framing {payload, body_little_endian, body_big_endian};

const char * framing_name(Framing framing)
{
  switch (framing) {
    case Framing::payload: return "as a payload";
    case Framing::body_little_endian: return "as a little-endian body";
    case Framing::body_big_endian: return "as a big-endian body";
  }
  return "";
}

void deserialize_from(
  const MessageType & type, Cdr & cdr, size_t size, Framing framing, void * record)
{
  bool ok = false;
  bool threw = false;
  capture().begin();
  try {
    ok = kovel_cdr::callbacks_of(type).cdr_deserialize(cdr, record);
  } catch (const eprosima::fastcdr::exception::Exception &) {
    threw = true;
  } catch (...) {
    capture().end();
    broken(type, std::string("deserialize ") + framing_name(framing) +
      " threw something other than the stream's exception");
  }
  const std::string text = capture().end();
  const std::string where = std::string("deserialize ") + framing_name(framing) + ": ";

  if ((ok || threw) && !text.empty()) {
    broken(type, where + (ok ? "returned true" : "threw") + " after writing '" + text + "'");
  }
  if (!ok && !threw) {
    auto allowed = allowed_failure_texts(type);
    if (std::find(allowed.begin(), allowed.end(), text) == allowed.end()) {
      broken(type, where + "returned false with the text '" + text + "'");
    }
  }
  if (cdr.getSerializedDataLength() > size) {
    broken(type, where + "the stream stands past the end of the input");
  }
  std::string owned = check_owned_members(type, record);
  if (!owned.empty()) {
    broken(type, where + owned);
  }
}

void deserialize_once(
  const MessageType & type, const uint8_t * data, size_t size, Framing framing, void * record)
{
  // The input buffer is handed over as is: libFuzzer notices if it is written to, and
  // the address sanitizer if it is read past its end.
  if (framing == Framing::payload) {
    std::optional<kovel_cdr::PayloadReader> in;
    try {
      in.emplace(data, size);
    } catch (const kovel_cdr::Error &) {
      return;
    }
    deserialize_from(type, in->cdr(), size, framing, record);
    return;
  }
  FastBuffer buffer(const_cast<char *>(reinterpret_cast<const char *>(data)), size);
  Cdr cdr(
    buffer,
    framing == Framing::body_big_endian ? Cdr::BIG_ENDIANNESS : Cdr::LITTLE_ENDIANNESS,
    Cdr::CORBA_CDR);
  deserialize_from(type, cdr, size, framing, record);
}

}  // namespace

void deserialize_any(const char * type_name, const uint8_t * data, size_t size)
{
  const MessageType & type = type_named(type_name);
  for (Framing framing : {Framing::payload, Framing::body_little_endian, Framing::body_big_endian}) {
    {
      ZeroRecord zero(type);
      deserialize_once(type, data, size, framing, zero.data());
    }
    {
      kovel_cdr::Record prefilled(type);
      fill_pattern(type, prefilled.data());
      deserialize_once(type, data, size, framing, prefilled.data());
    }
  }
}

void round_trip(const char * type_name, const uint8_t * data, size_t size)
{
  const MessageType & type = type_named(type_name);
  const auto & callbacks = kovel_cdr::callbacks_of(type);
  kovel_cdr::Record first(type);
  capture().begin();
  bool ok = false;
  try {
    ok = deserialize_payload(type, data, size, first.data());
  } catch (const eprosima::fastcdr::exception::Exception &) {
  } catch (const kovel_cdr::Error &) {
  }
  capture().end();
  if (!ok) {
    return;
  }

  const size_t size_at_0 = type.size(first.data(), 0);
  const size_t saturated = std::min<size_t>(size_at_0, std::numeric_limits<uint32_t>::max());
  if (callbacks.get_serialized_size(first.data()) != saturated) {
    broken(type, "the callbacks' size differs from the exported size function");
  }
  bool full_bounded = true;
  const size_t max = callbacks.max_serialized_size(full_bounded);
  if (full_bounded && size_at_0 > max) {
    broken(type, "size " + std::to_string(size_at_0) + " exceeds the bound " +
      std::to_string(max));
  }

  // From each start position within a double's alignment: `start` octets, then the record.
  for (size_t start = 0; start < 8; ++start) {
    const std::string at = " (start position " + std::to_string(start) + ")";
    const size_t expected = kovel_cdr::kEncapsulationSize + start + type.size(first.data(), start);
    std::vector<char> bytes(expected, 0);
    {
      kovel_cdr::PayloadWriter writer(bytes.data(), bytes.size());
      Cdr & out = writer.cdr();
      for (size_t i = 0; i < start; ++i) {
        out << static_cast<uint8_t>(0);
      }
      capture().begin();
      bool written = false;
      try {
        written = callbacks.cdr_serialize(first.data(), out);
      } catch (const eprosima::fastcdr::exception::Exception &) {
        capture().end();
        broken(type, "serialize wrote more than the size function gave" + at);
      }
      std::string text = capture().end();
      if (!written || !text.empty()) {
        broken(type, "serialize refused a record it had just read: '" + text + "'" + at);
      }
      if (out.getSerializedDataLength() != expected) {
        broken(type, "serialize wrote " + std::to_string(out.getSerializedDataLength()) +
          " bytes where the size function gave " + std::to_string(expected) + at);
      }
    }
    kovel_cdr::Record second(type);
    kovel_cdr::PayloadReader reader(bytes.data(), bytes.size());
    Cdr & in = reader.cdr();
    bool read = false;
    try {
      uint8_t filler = 0;
      for (size_t i = 0; i < start; ++i) {
        in >> filler;
      }
      read = callbacks.cdr_deserialize(in, second.data());
    } catch (const eprosima::fastcdr::exception::Exception &) {
      broken(type, "its own bytes end early" + at);
    }
    if (!read || in.getSerializedDataLength() != expected) {
      broken(type, "its own bytes do not read back whole" + at);
    }
    std::string difference = first_difference(type, first.data(), second.data());
    if (!difference.empty()) {
      broken(type, "the record read back differs: " + difference + at);
    }
  }
}

namespace
{

// What one codec made of the input: true, false with its line, or the stream's exception.
struct Reading
{
  bool ok = false;
  bool threw = false;
  std::string text;
  size_t consumed = 0;
};

Reading read_with(const kovel_cdr::Codec & codec, const uint8_t * data, size_t size,
  Framing framing, void * record)
{
  Reading reading;
  FastBuffer buffer(const_cast<char *>(reinterpret_cast<const char *>(data)), size);
  Cdr cdr(buffer,
    framing == Framing::body_big_endian ? Cdr::BIG_ENDIANNESS : Cdr::LITTLE_ENDIANNESS,
    framing == Framing::payload ? Cdr::DDS_CDR : Cdr::CORBA_CDR);
  capture().begin();
  try {
    if (framing == Framing::payload) {
      cdr.read_encapsulation();
    }
    reading.ok = codec.deserialize(cdr, record);
  } catch (const eprosima::fastcdr::exception::Exception &) {
    reading.threw = true;
  }
  reading.text = capture().end();
  reading.consumed = cdr.getSerializedDataLength();
  return reading;
}

// The record written by a codec after `start` octets, or its refusal.
std::string written_by(const kovel_cdr::Codec & codec, const void * record, size_t start,
  size_t room)
{
  std::vector<char> bytes(room, 0);
  FastBuffer buffer(bytes.data(), bytes.size());
  Cdr out(buffer, Cdr::DEFAULT_ENDIAN, Cdr::DDS_CDR);
  capture().begin();
  bool written = false;
  try {
    for (size_t i = 0; i < start; ++i) {
      out << static_cast<uint8_t>(0);
    }
    written = codec.serialize(record, out);
  } catch (const eprosima::fastcdr::exception::Exception &) {
    capture().end();
    return "threw";
  }
  const std::string text = capture().end();
  return written ? std::string(bytes.data(), out.getSerializedDataLength()) : "refused: " + text;
}

}  // namespace

void differential(const char * type_name, const uint8_t * data, size_t size)
{
  const MessageType & type = type_named(type_name);
  if (!type.fastrtps || !type.introspection) {
    broken(type, "has not both a Fast-CDR C type support and the introspection codec");
  }
  const kovel_cdr::Codec & unit = *type.fastrtps;
  const kovel_cdr::Codec & ours = *type.introspection;
  for (size_t start = 0; start < 8; ++start) {
    bool unit_bounded = true;
    bool ours_bounded = true;
    if (unit.max(unit_bounded, start) != ours.max(ours_bounded, start) ||
      unit_bounded != ours_bounded)
    {
      broken(type, "the codecs' maximum sizes differ from start " + std::to_string(start));
    }
  }
  for (Framing framing : {Framing::payload, Framing::body_little_endian, Framing::body_big_endian}) {
    if (framing == Framing::payload && (size < 4 || data[0] != 0 || data[1] > 1)) {
      continue;
    }
    const std::string how = std::string(" ") + framing_name(framing);
    kovel_cdr::Record by_unit(type);
    kovel_cdr::Record by_ours(type);
    const Reading u = read_with(unit, data, size, framing, by_unit.data());
    const Reading o = read_with(ours, data, size, framing, by_ours.data());
    if (u.ok != o.ok || u.threw != o.threw || u.text != o.text) {
      broken(type, "the codecs read the input differently" + how + ": the unit " +
        (u.ok ? "read it" : u.threw ? "threw" : "refused it ('" + u.text + "')") + ", ours " +
        (o.ok ? "read it" : o.threw ? "threw" : "refused it ('" + o.text + "')"));
    }
    if (!u.ok) {
      continue;
    }
    if (u.consumed != o.consumed) {
      broken(type, "the codecs read " + std::to_string(u.consumed) + " and " +
        std::to_string(o.consumed) + " bytes" + how);
    }
    const std::string difference = first_difference(type, by_unit.data(), by_ours.data());
    if (!difference.empty()) {
      broken(type, "the codecs read different records" + how + ": " + difference);
    }
    for (size_t start = 0; start < 8; ++start) {
      const std::string at = how + ", start position " + std::to_string(start);
      const size_t length = unit.size(by_unit.data(), start);
      if (ours.size(by_unit.data(), start) != length) {
        broken(type, "the codecs' sizes differ" + at);
      }
      const std::string expected = written_by(unit, by_unit.data(), start, start + length);
      if (written_by(ours, by_unit.data(), start, start + length) != expected) {
        broken(type, "the codecs wrote different bytes" + at);
      }
    }
  }
}

void from_text(const char * type_name, const uint8_t * data, size_t size)
{
  const MessageType & type = kovel_cdr::find_message_type(type_name);
  const std::string text(reinterpret_cast<const char *>(data), size);
  std::vector<std::vector<uint8_t>> payloads;
  try {
    for (const kovel_cdr::InputMessage & message :
      kovel_cdr::messages_from_yaml(type, text, "input"))
    {
      payloads.push_back(
        kovel_cdr::encode_payload(type, kovel_cdr::record_of(type, message, "input").data()));
    }
  } catch (const kovel_cdr::Error &) {
    return;  // refused with a reason, as kovel_cdr reports it
  }
  // What encode wrote decodes, and as YAML reads back to the same bytes, one message.
  for (const std::vector<uint8_t> & payload : payloads) {
    kovel_cdr::Record back(type);
    std::vector<uint8_t> again;
    try {
      kovel_cdr::decode_payload(type, payload.data(), payload.size(), back.data());
      const std::string yaml =
        kovel_cdr::message_to_yaml(type, kovel_cdr::record_to_json(type, back.data()));
      const std::vector<kovel_cdr::InputMessage> read = kovel_cdr::messages_from_yaml(
        type, yaml, "output");
      if (read.size() != 1) {
        broken(type, "its payload printed as YAML reads back as " +
          std::to_string(read.size()) + " messages");
      }
      again = kovel_cdr::encode_payload(type, kovel_cdr::record_of(type, read[0], "output").data());
    } catch (const kovel_cdr::Error & e) {
      // Text that is not UTF-8 has no YAML or JSON form: refused, not broken.
      if (std::string(e.what()).find("not UTF-8") != std::string::npos) {
        return;
      }
      broken(type, std::string("its own payload does not come back: ") + e.what());
    }
    if (again != payload) {
      broken(type, "its payload printed as YAML and read back gives other bytes");
    }
  }
}

}  // namespace kovel_fuzz
