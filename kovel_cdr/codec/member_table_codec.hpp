// A CDR codec driven by the C introspection of a type alone (its catalogued members: kinds,
// shapes, offsets, bounds, nested types): for types whose package has no Fast-CDR C type
// support. It writes, reads and sizes exactly as the Fast-CDR C type supports of this
// workspace do (kovel_camera_msgs' member rules): the same bytes, the same sizes and
// maximum sizes from any position, the same refusals with the same line on stderr (bounds
// exceeded, malformed strings), and the stream's NotEnoughMemoryException for input that
// ends early, a sequence count the stream cannot hold included (before it allocates).
// Nested types go through this codec too, whatever support their package has.
#ifndef KOVEL_CDR__CODEC__MEMBER_TABLE_CODEC_HPP_
#define KOVEL_CDR__CODEC__MEMBER_TABLE_CODEC_HPP_

#include <cstddef>

#include "codec/message_codec.hpp"

namespace kovel_cdr
{

class IntrospectionCodec : public Codec
{
public:
  /// `type` must be supported (empty `unsupported`) and outlive the codec.
  explicit IntrospectionCodec(const MessageType & type)
  : type_(type) {}

  const MessageType & type() const override {return type_;}
  bool serialize(const void * record, eprosima::fastcdr::Cdr & cdr) const override;
  bool deserialize(eprosima::fastcdr::Cdr & cdr, void * record) const override;
  size_t size(const void * record, size_t current_alignment) const override;
  size_t max(bool & full_bounded, size_t current_alignment) const override;

private:
  const MessageType & type_;
};

}  // namespace kovel_cdr

#endif  // KOVEL_CDR__CODEC__MEMBER_TABLE_CODEC_HPP_
