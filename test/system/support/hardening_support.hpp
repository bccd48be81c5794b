// Shared by the hardening tests and the fuzz targets: every type flattened into its leaf
// members (values, arrays and sequences of every kind, those of nested messages included),
// the CDR byte position where each leaf ends, member-by-member comparison of records,
// snapshots to prove a member untouched, and the sample messages of every type. What only
// the tests ask of a member kind lives here, not in kovel_cdr's table of kinds.
#ifndef KOVEL_HARDENING__HARDENING_SUPPORT_HPP_
#define KOVEL_HARDENING__HARDENING_SUPPORT_HPP_

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <fastcdr/Cdr.h>

#include "codec/type_catalog.hpp"

namespace kovel_hardening
{

/// A member that holds data itself, at `offset` in the outermost record.
struct Leaf
{
  std::string path;  // "info.header.frame_id"
  const kovel_cdr::Member * member;
  size_t offset;
};

/// The leaves of a type in CDR order.
std::vector<Leaf> leaves_of(const kovel_cdr::MessageType & type);

/// Leaves of kind string, in CDR order.
std::vector<Leaf> string_leaves_of(const kovel_cdr::MessageType & type);

/// For each leaf, the byte position (from the first byte after the encapsulation header)
/// just after its last byte when `record` is serialized.
std::vector<size_t> leaf_ends(const kovel_cdr::MessageType & type, const void * record);

/// Same value in both records: strings and sequences by content, floats bit for bit,
/// booleans as true or false.
bool leaf_equal(const Leaf & leaf, const void * a, const void * b);

/// The first leaf whose values differ, or an empty text.
std::string first_difference(const kovel_cdr::MessageType & type, const void * a, const void * b);

/// A short printable form of a leaf's value, for failure messages.
std::string show_leaf(const Leaf & leaf, const void * record);

/// Every string and sequence of the record is either released (null data, size and
/// capacity 0) or well formed (capacity > size, NUL at data[size]); an empty text when so,
/// else the first that is not.
std::string check_owned_members(const kovel_cdr::MessageType & type, const void * record);

/// Puts a recognisable value in every leaf of an initialised record: strings of a few
/// hundred characters, seven sequence elements (two nested records), bit patterns in
/// numbers, true booleans.
void fill_pattern(const kovel_cdr::MessageType & type, void * record);

/// A record's bytes and the contents its strings and sequences point to, to prove later
/// that a leaf was not touched.
class Snapshot
{
public:
  Snapshot(const kovel_cdr::MessageType & type, const void * record);
  /// The leaf's storage (pointer, size and capacity for strings) and content are unchanged.
  bool untouched(const Leaf & leaf, const void * record) const;

private:
  std::vector<unsigned char> bytes_;
  std::vector<std::string> contents_;  // by leaf index
  std::vector<Leaf> leaves_;
};

/// A zero-filled record, as a middleware might hand over: strings with null data.
/// Releases whatever the record holds on destruction.
class ZeroRecord
{
public:
  explicit ZeroRecord(const kovel_cdr::MessageType & type);
  ~ZeroRecord();
  ZeroRecord(const ZeroRecord &) = delete;
  ZeroRecord & operator=(const ZeroRecord &) = delete;
  void * data() {return storage_.get();}

private:
  const kovel_cdr::MessageType * type_;
  std::unique_ptr<unsigned char[]> storage_;  // operator new aligns for any record
};

/// The texts a deserializer of the type may write when it returns false.
std::vector<std::string> allowed_failure_texts(const kovel_cdr::MessageType & type);

/// Catches what the type supports write to stderr, by pointing the process's `stderr` at
/// a memory buffer between begin() and end(). For one thread at a time.
class StderrCapture
{
public:
  StderrCapture();
  ~StderrCapture();
  StderrCapture(const StderrCapture &) = delete;
  StderrCapture & operator=(const StderrCapture &) = delete;
  void begin();
  /// What was written since begin(); stderr is restored.
  std::string end();

private:
  char buffer_[4096];
  FILE * file_;
  FILE * saved_ = nullptr;
};

/// A named sample message in JSON, as `kovel_cdr encode` takes it.
struct Sample
{
  std::string name;  // "DeviceInfo.json#2"
  std::string json;
};

/// The samples of a type: every message of test/samples/<TypeName>.json, or the type's
/// default message when it has no committed samples.
std::vector<Sample> samples_of(const kovel_cdr::MessageType & type);

/// Deserializes `length` bytes as a DDS payload (encapsulation header first) into
/// `record` with the type's own callbacks. Returns the callback's result; stream
/// exceptions pass through, and a payload without a whole CDR header throws kovel_cdr::Error.
bool deserialize_payload(
  const kovel_cdr::MessageType & type, const uint8_t * bytes, size_t length, void * record,
  size_t * consumed = nullptr);

}  // namespace kovel_hardening

#endif  // KOVEL_HARDENING__HARDENING_SUPPORT_HPP_
