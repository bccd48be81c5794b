// The properties the fuzz targets check, for one message type and one input.
// A broken property prints what broke to the real stderr and aborts, so that libFuzzer
// keeps the input.
#ifndef KOVEL_FUZZ__FUZZ_CHECKS_HPP_
#define KOVEL_FUZZ__FUZZ_CHECKS_HPP_

#include <cstddef>
#include <cstdint>

namespace kovel_fuzz
{

/// The input as a whole payload (its own 4-byte header), and as a header-less body in
/// little- and big-endian CDR; each into a zero-filled record and into one holding long
/// strings. Deserialize may return true (no text), false (one of the type's failure lines)
/// or throw the stream's exception (no text); afterwards every string and sequence is
/// released or well formed, and the record is finalised.
void deserialize_any(const char * type_name, const uint8_t * data, size_t size);

/// The input as a whole payload; when it deserializes, the record is serialized again
/// (from several start positions) and must take exactly the bytes the size function
/// gives, and deserializing those bytes must give the same record back.
void round_trip(const char * type_name, const uint8_t * data, size_t size);

/// The Fast-CDR C type support against the introspection codec: the input, as a payload
/// and as a body of either byte order, read by each into a record of its own: both read
/// it (the same records, the same bytes consumed), refuse it with the same line, or throw;
/// what they read, each writes into the same bytes from every start position modulo 8, and
/// sizes alike; the maximum sizes agree.
void differential(const char * type_name, const uint8_t * data, size_t size);

/// The input as the text kovel_cdr encode and sizes take (YAML or JSON): refused with a
/// reason, or encoded; then what was encoded decodes, prints as YAML and reads back to the
/// same bytes.
void from_text(const char * type_name, const uint8_t * data, size_t size);

}  // namespace kovel_fuzz

#endif  // KOVEL_FUZZ__FUZZ_CHECKS_HPP_
