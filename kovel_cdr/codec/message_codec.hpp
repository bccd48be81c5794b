// How records of one message type go to and from CDR: the four operations of a Fast-CDR
// type support, behind one interface so that payloads, sizes and the Fast DDS adapter do
// not care which codec a type has. A type whose package ships a Fast-CDR C type support
// for it is written by that library (its callbacks and exported size functions); any other
// by the introspection codec (member_table_codec.hpp), which gives the same bytes.
#ifndef KOVEL_CDR__CODEC__MESSAGE_CODEC_HPP_
#define KOVEL_CDR__CODEC__MESSAGE_CODEC_HPP_

#include <cstddef>

namespace eprosima
{
namespace fastcdr
{
class Cdr;
}  // namespace fastcdr
}  // namespace eprosima

namespace kovel_cdr
{

struct MessageType;

/// As the callbacks of a Fast-CDR type support: serialize and deserialize return false
/// after one line on stderr when they refuse, and let the stream's exceptions through;
/// the sizes are those of the exported size functions, from `current_alignment`.
class Codec
{
public:
  virtual ~Codec() = default;

  virtual const MessageType & type() const = 0;
  virtual bool serialize(const void * record, eprosima::fastcdr::Cdr & cdr) const = 0;
  virtual bool deserialize(eprosima::fastcdr::Cdr & cdr, void * record) const = 0;
  virtual size_t size(const void * record, size_t current_alignment) const = 0;
  /// Only ever clears `full_bounded`: a caller sets it first.
  virtual size_t max(bool & full_bounded, size_t current_alignment) const = 0;
};

}  // namespace kovel_cdr

#endif  // KOVEL_CDR__CODEC__MESSAGE_CODEC_HPP_
