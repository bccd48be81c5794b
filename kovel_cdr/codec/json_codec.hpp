// A message record to and from JSON, by its type's description: member names as in the
// record, nested records as objects, arrays as arrays, booleans as true/false, floats as
// numbers or the strings "nan", "inf", "-inf".
#ifndef KOVEL_CDR__CODEC__JSON_CODEC_HPP_
#define KOVEL_CDR__CODEC__JSON_CODEC_HPP_

#include <nlohmann/json.hpp>

#include "codec/record.hpp"
#include "codec/type_catalog.hpp"

namespace kovel_cdr
{

/// Fills an initialised record from a JSON object. A member left out keeps its value (its
/// default in a fresh record); an unknown member, a wrong JSON type, an integer out of
/// range or an array of the wrong length throws Error naming the member's path.
void record_from_json(const MessageType & type, const nlohmann::json & json, void * record);

/// A new record of the type, filled from a JSON object as record_from_json does; its errors
/// start with `path` (default: the type's name).
Record make_record(const MessageType & type, const nlohmann::json & json);
Record make_record(const MessageType & type, const nlohmann::json & json, const std::string & path);

/// The record as a JSON object, members in record order. Floats print so that reading the
/// JSON back gives the same bits (NaN payloads aside). Throws Error for a text that is not
/// UTF-8, which JSON cannot carry.
nlohmann::ordered_json record_to_json(const MessageType & type, const void * record);

}  // namespace kovel_cdr

#endif  // KOVEL_CDR__CODEC__JSON_CODEC_HPP_
