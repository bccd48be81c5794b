// What kovel_cdr reads at most: the limits its help and README state, so that hostile input
// (an endless file, a YAML alias bomb, lists nested thousands deep) gets one line and exit 1
// instead of taking the machine's memory.
#ifndef KOVEL_CDR__CODEC__INPUT_LIMITS_HPP_
#define KOVEL_CDR__CODEC__INPUT_LIMITS_HPP_

#include <cstddef>

namespace kovel_cdr
{

/// Bytes read from a file or standard input.
constexpr size_t kMaxInputBytes = size_t{256} << 20;
/// Lists and maps inside one another in a YAML or JSON message (the types nest 3 deep).
constexpr size_t kMaxNesting = 64;
/// Values (texts, numbers, lists and maps) in one YAML or JSON input, all its messages
/// together: yaml-cpp takes about 500 bytes of memory for each, and every message is a record.
constexpr size_t kMaxValues = 1000000;

/// The limits as the help of every command that reads input tells them.
constexpr char kInputSizeHelp[] = "Input is at most 256 MiB.\n";
constexpr char kMessageLimitsHelp[] =
  "A message is nested at most 64 lists and maps deep; the input holds at most 1000000\n"
  "values, all its messages together. YAML aliases (*name), a key given twice, text\n"
  "that is not UTF-8 and raw control characters (write them escaped: \"\\0\",\n"
  "\"\\u0000\") are refused.\n";

}  // namespace kovel_cdr

#endif  // KOVEL_CDR__CODEC__INPUT_LIMITS_HPP_
