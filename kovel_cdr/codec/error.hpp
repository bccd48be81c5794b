// The one error kovel_cdr and its middleware throw for bad input of any kind: its text
// names what is wrong and where, and the command boundary prints it as one line.
#ifndef KOVEL_CDR__CODEC__ERROR_HPP_
#define KOVEL_CDR__CODEC__ERROR_HPP_

#include <stdexcept>

namespace kovel_cdr
{

class Error : public std::runtime_error
{
public:
  using std::runtime_error::runtime_error;
};

/// A command line that asks for what cannot be done: a number out of its range, a name
/// that can never match. The command ends with exit status 2, as for a word that does not
/// fit it.
class UsageError : public Error
{
public:
  using Error::Error;
};

}  // namespace kovel_cdr

#endif  // KOVEL_CDR__CODEC__ERROR_HPP_
