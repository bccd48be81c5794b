// A message record of any catalogued type, owned: set up by the type's introspection as
// the generator sets it up (strings empty, sequences without elements, the interface
// file's defaults in place), and finalised on destruction.
#ifndef KOVEL_CDR__CODEC__RECORD_HPP_
#define KOVEL_CDR__CODEC__RECORD_HPP_

#include <memory>

#include "codec/type_catalog.hpp"

namespace kovel_cdr
{

class Record
{
public:
  explicit Record(const MessageType & type);
  ~Record();
  Record(const Record &) = delete;
  Record & operator=(const Record &) = delete;
  Record(Record && other) noexcept;

  const MessageType & type() const {return *type_;}
  void * data() {return storage_.get();}
  const void * data() const {return storage_.get();}

private:
  const MessageType * type_;
  std::unique_ptr<unsigned char[]> storage_;
};

}  // namespace kovel_cdr

#endif  // KOVEL_CDR__CODEC__RECORD_HPP_
