// The member rules on their own: bytes written, bytes read, sizes and maximums at
// several start positions, refusals with their texts and the stream state they leave.
#include <cmath>
#include <limits>

#include <fastcdr/exceptions/NotEnoughMemoryException.h>

#include "member_rules.hpp"
#include "std_msgs/msg/detail/header__functions.h"
#include "std_msgs/msg/detail/header__rosidl_typesupport_fastrtps_c.h"
#include "support.hpp"
#include "type_support_frame.hpp"

using namespace kovel_camera_msgs_rules;  // NOLINT
using kovel_test::Stream;
using kovel_test::le32;
using kovel_test::stderr_of;
using Bytes = std::vector<uint8_t>;

namespace
{

// A test stream that the rules see as one message's stream.
struct MessageBytes : Stream
{
  using Stream::Stream;
  MessageStream message{cdr};
};

// A string record over caller-owned characters, for records the runtime would not build.
rosidl_runtime_c__String raw_string(char * data, size_t size, size_t capacity)
{
  return rosidl_runtime_c__String{data, size, capacity};
}

struct OwnedString
{
  OwnedString() {rosidl_runtime_c__String__init(&s);}
  explicit OwnedString(const std::string & text) : OwnedString() {kovel_test::set(s, text);}
  ~OwnedString() {rosidl_runtime_c__String__fini(&s);}
  rosidl_runtime_c__String s{};
};

Bytes concat(std::initializer_list<Bytes> parts)
{
  Bytes all;
  for (const Bytes & part : parts) {
    all.insert(all.end(), part.begin(), part.end());
  }
  return all;
}

}  // namespace

TEST(StringRule, EmptyStringIsLengthOneAndNulAtAnyPosition)
{
  OwnedString empty;
  MessageBytes at0;
  ASSERT_TRUE(write_string(empty.s, at0.message));
  EXPECT_EQ(at0.written(), (Bytes{1, 0, 0, 0, 0}));
  EXPECT_EQ(size_string(empty.s, 0), 5u);

  MessageBytes at1;
  at1.skip_to(1);
  ASSERT_TRUE(write_string(empty.s, at1.message));
  EXPECT_EQ(size_string(empty.s, 1), 8u);
  EXPECT_EQ(at1.length() - 1, 8u);
  EXPECT_EQ(at1.written(1), (Bytes{0, 0, 0, 1, 0, 0, 0, 0}));
}

TEST(StringRule, MaximumCountsAnEmptyStringAndClearsFullBounded)
{
  bool full_bounded = true;
  EXPECT_EQ(max_string(full_bounded, 0), 5u);
  EXPECT_FALSE(full_bounded);
  EXPECT_EQ(max_string(full_bounded, 1), 8u);
  EXPECT_EQ(max_string(full_bounded, 3), 6u);
}

TEST(StringRule, MalformedRecordsAreRefusedBeforeAnyByteInCheckOrder)
{
  char nul_terminated[] = "abc";
  char unterminated[] = "abcd";
  struct Case
  {
    const char * what;
    rosidl_runtime_c__String s;
    const char * text;
  } cases[] = {
    {"capacity equal to size", raw_string(nul_terminated, 3, 3),
      "string capacity not greater than size\n"},
    {"capacity 0", raw_string(nul_terminated, 0, 0), "string capacity not greater than size\n"},
    {"capacity and NUL both wrong", raw_string(unterminated, 3, 3),
      "string capacity not greater than size\n"},
    {"no NUL at size", raw_string(unterminated, 3, 5), "string not null-terminated\n"},
    {"null data with room", raw_string(nullptr, 0, 8), "string not null-terminated\n"},
    {"size + 1 beyond 32 bits", raw_string(nullptr, std::numeric_limits<uint32_t>::max(),
      std::numeric_limits<size_t>::max()), "string too long for CDR\n"},
  };
  for (const Case & c : cases) {
    MessageBytes stream;
    stream.skip_to(2);
    bool written = true;
    EXPECT_EQ(stderr_of([&] {written = write_string(c.s, stream.message);}), c.text) << c.what;
    EXPECT_FALSE(written) << c.what;
    EXPECT_EQ(stream.length(), 2u) << c.what;
  }
}

TEST(StringRule, InnerNulIsWrittenAndReadWithTheWholeText)
{
  const std::string with_nul("ab\0cd", 5);
  OwnedString s(with_nul);
  MessageBytes stream;
  ASSERT_TRUE(write_string(s.s, stream.message));
  EXPECT_EQ(stream.written(), concat({le32(6), {'a', 'b', 0, 'c', 'd', 0}}));
  EXPECT_EQ(stream.length(), size_string(s.s, 0));

  MessageBytes reader(stream.written());
  OwnedString back;
  ASSERT_TRUE(read_string(reader.message, back.s, "member"));
  EXPECT_EQ(kovel_test::text(back.s), with_nul);
}

TEST(StringRule, ReadKeepsATextWithoutFinalNulAndDropsAFinalNul)
{
  MessageBytes without_nul(concat({le32(3), {'a', 'b', 'c'}}));
  OwnedString s;
  ASSERT_TRUE(read_string(without_nul.message, s.s, "member"));
  EXPECT_EQ(kovel_test::text(s.s), "abc");

  MessageBytes with_nul(concat({le32(4), {'x', 'y', 'z', 0}}));
  ASSERT_TRUE(read_string(with_nul.message, s.s, "member"));
  EXPECT_EQ(kovel_test::text(s.s), "xyz");
  EXPECT_EQ(with_nul.length(), 8u);
}

TEST(StringRule, ReadInitialisesAZeroFilledStringAndReplacesAnExistingOne)
{
  MessageBytes stream(concat({le32(3), {'h', 'i', 0}, le32(1), {0}}));
  rosidl_runtime_c__String zero_filled{};
  ASSERT_TRUE(read_string(stream.message, zero_filled, "member"));
  EXPECT_EQ(kovel_test::text(zero_filled), "hi");

  ASSERT_TRUE(read_string(stream.message, zero_filled, "member"));
  EXPECT_EQ(kovel_test::text(zero_filled), "");
  rosidl_runtime_c__String__fini(&zero_filled);
}

TEST(StringRule, AStreamThatEndsInsideAStringLeavesStreamAndRecordAsBefore)
{
  // Reading: the length promises 10 characters, 3 follow.
  MessageBytes reader(concat({{9}, le32(10), {'a', 'b', 'c'}}));
  uint8_t first = 0;
  reader.cdr >> first;
  OwnedString s("kept");
  EXPECT_THROW(
    (void)read_string(reader.message, s.s, "member"),
    eprosima::fastcdr::exception::NotEnoughMemoryException);
  EXPECT_EQ(reader.length(), 1u);
  EXPECT_EQ(kovel_test::text(s.s), "kept");

  // The same with room for the promised text in the record's buffer.
  OwnedString roomy("kept, with room to spare");
  EXPECT_THROW(
    (void)read_string(reader.message, roomy.s, "member"),
    eprosima::fastcdr::exception::NotEnoughMemoryException);
  EXPECT_EQ(reader.length(), 1u);
  EXPECT_EQ(kovel_test::text(roomy.s), "kept, with room to spare");

  // Writing: the length fits, the characters do not.
  MessageBytes writer(7);
  writer.skip_to(1);
  OwnedString longer("too long");
  EXPECT_THROW(
    (void)write_string(longer.s, writer.message),
    eprosima::fastcdr::exception::NotEnoughMemoryException);
  EXPECT_EQ(writer.length(), 1u);
  writer.cdr << static_cast<uint8_t>(5);
  EXPECT_EQ(writer.bytes[1], 5);
}

TEST(StringRule, ATextThatFitsReusesTheBufferAndALongerOneGrowsIt)
{
  OwnedString s(std::string(15, 'o'));
  const char * buffer = s.s.data;
  const size_t capacity = s.s.capacity;

  // Shorter, then exactly filling the buffer with its NUL: read in place.
  MessageBytes stream(concat({le32(4), {'a', 'b', 'c', 0}, le32(16), Bytes(15, 'x'), {0}}));
  ASSERT_TRUE(read_string(stream.message, s.s, "member"));
  EXPECT_EQ(kovel_test::text(s.s), "abc");
  ASSERT_TRUE(read_string(stream.message, s.s, "member"));
  EXPECT_EQ(kovel_test::text(s.s), std::string(15, 'x'));
  EXPECT_EQ(s.s.data, buffer);
  EXPECT_EQ(s.s.capacity, capacity);

  // Longer than the buffer: the runtime grows it.
  MessageBytes longer(concat({le32(21), Bytes(20, 'y'), {0}}));
  ASSERT_TRUE(read_string(longer.message, s.s, "member"));
  EXPECT_EQ(kovel_test::text(s.s), std::string(20, 'y'));
  EXPECT_GT(s.s.capacity, s.s.size);

  // Filling the buffer without a final NUL: one byte more is needed for the NUL.
  OwnedString full(std::string(3, 'f'));
  MessageBytes without_nul(concat({le32(4), {'w', 'x', 'y', 'z'}}));
  ASSERT_TRUE(read_string(without_nul.message, full.s, "member"));
  EXPECT_EQ(kovel_test::text(full.s), "wxyz");
  EXPECT_EQ(full.s.data[4], '\0');
  EXPECT_GT(full.s.capacity, full.s.size);
}

// Whatever path a text takes, the next member is aligned as after the stream's own read.
TEST(StringRule, TheMemberAfterAReadTextIsAlignedFromItsEnd)
{
  const Bytes bytes = concat({le32(3), {'a', 'b', 0}, {0}, le32(77)});
  OwnedString roomy(std::string(10, 'r'));
  OwnedString tight;
  rosidl_runtime_c__String zero_filled{};
  for (rosidl_runtime_c__String * s : {&roomy.s, &tight.s, &zero_filled}) {
    MessageBytes stream(bytes);
    ASSERT_TRUE(read_string(stream.message, *s, "member"));
    int32_t next = 0;
    ASSERT_TRUE(Plain::read(stream.message, next, "v"));
    EXPECT_EQ(next, 77);
    EXPECT_EQ(stream.length(), 12u);
    EXPECT_EQ(kovel_test::text(*s), "ab");
  }
  rosidl_runtime_c__String__fini(&zero_filled);
}

// One message: members before the failing string stay, and the stream goes back to where
// that string began, aligned for what follows as after the member before it.
TEST(StringRule, AFailureAfterEarlierMembersPutsTheStreamBackWhereTheStringBegan)
{
  MessageBytes writer(16);
  OwnedString ab("ab");
  OwnedString too_long("too long");
  ASSERT_TRUE(Plain::write(int32_t{5}, writer.message, "v"));
  ASSERT_TRUE(write_string(ab.s, writer.message));
  EXPECT_THROW(
    (void)write_string(too_long.s, writer.message),
    eprosima::fastcdr::exception::NotEnoughMemoryException);
  EXPECT_EQ(writer.length(), 11u);
  ASSERT_TRUE(Plain::write(int32_t{77}, writer.message, "v"));
  EXPECT_EQ(writer.written(), concat({le32(5), le32(3), {'a', 'b', 0}, {0}, le32(77)}));

  MessageBytes reader(concat({le32(5), le32(3), {'a', 'b', 0}, {0}, le32(100)}));
  int32_t first = 0;
  OwnedString text;
  OwnedString roomy(std::string(200, 'r'));
  ASSERT_TRUE(Plain::read(reader.message, first, "v"));
  ASSERT_TRUE(read_string(reader.message, text.s, "member"));
  for (rosidl_runtime_c__String * s : {&text.s, &roomy.s}) {
    EXPECT_THROW(
      (void)read_string(reader.message, *s, "member"),
      eprosima::fastcdr::exception::NotEnoughMemoryException);
    EXPECT_EQ(reader.length(), 11u);
  }
  int32_t length_field = 0;
  ASSERT_TRUE(Plain::read(reader.message, length_field, "v"));
  EXPECT_EQ(length_field, 100);
  EXPECT_EQ(kovel_test::text(text.s), "ab");
}

TEST(IntegerRule, AlignsToFourAndKeepsTheSign)
{
  bool unused = true;
  EXPECT_EQ(Plain::size(int32_t{0}, 0), 4u);
  EXPECT_EQ(Plain::size(int32_t{0}, 1), 7u);
  EXPECT_EQ(Plain::max<int32_t>(unused, 1), 7u);
  EXPECT_EQ(Plain::max<int32_t>(unused, 6), 6u);

  MessageBytes stream;
  stream.skip_to(1);
  ASSERT_TRUE(Plain::write(int32_t{-1}, stream.message, "v"));
  ASSERT_TRUE(Plain::write(uint32_t{0x01020304}, stream.message, "v"));
  EXPECT_EQ(stream.written(1), (Bytes{0, 0, 0, 0xff, 0xff, 0xff, 0xff, 4, 3, 2, 1}));

  MessageBytes reader(stream.written());
  reader.skip_to(1);
  int32_t value = 0;
  uint32_t unsigned_value = 0;
  ASSERT_TRUE(Plain::read(reader.message, value, "v"));
  ASSERT_TRUE(Plain::read(reader.message, unsigned_value, "v"));
  EXPECT_EQ(value, -1);
  EXPECT_EQ(unsigned_value, 0x01020304u);
}

TEST(OneByteRules, BooleanAndOctetAddOneByteAnywhereAndBooleansGoOutAsZeroOrOne)
{
  bool unused = true;
  for (size_t c = 0; c < 8; ++c) {
    EXPECT_EQ(Plain::size(false, c), 1u);
    EXPECT_EQ(Plain::max<bool>(unused, c), 1u);
    EXPECT_EQ(Plain::size(uint8_t{0}, c), 1u);
    EXPECT_EQ(Plain::max<uint8_t>(unused, c), 1u);
  }
  EXPECT_TRUE(unused);
  bool two = false;
  const uint8_t byte_two = 2;
  std::memcpy(&two, &byte_two, 1);
  bool falsy = false;
  MessageBytes stream;
  ASSERT_TRUE(Plain::write(two, stream.message, "b"));
  ASSERT_TRUE(Plain::write(falsy, stream.message, "b"));
  ASSERT_TRUE(Plain::write(uint8_t{7}, stream.message, "o"));
  EXPECT_EQ(stream.written(), (Bytes{1, 0, 7}));

  MessageBytes reader(Bytes{2, 0, 200});
  bool first = false;
  bool second = true;
  uint8_t octet = 0;
  ASSERT_TRUE(Plain::read(reader.message, first, "b"));
  ASSERT_TRUE(Plain::read(reader.message, second, "b"));
  ASSERT_TRUE(Plain::read(reader.message, octet, "o"));
  uint8_t stored = 0;
  std::memcpy(&stored, &first, 1);
  EXPECT_EQ(stored, 1);
  EXPECT_FALSE(second);
  EXPECT_EQ(octet, 200);
}

TEST(FixedArrayRule, AlignsToTheElementWidthAndCarriesBitsExactly)
{
  double nine[9] = {};
  float five[5] = {};
  bool unused = true;
  EXPECT_EQ(Array<>::size(nine, 4), 76u);
  EXPECT_EQ(Array<>::size(nine, 0), 72u);
  EXPECT_EQ(Array<>::max<double[9]>(unused, 4), 76u);
  EXPECT_EQ(Array<>::size(five, 1), 23u);
  EXPECT_EQ(Array<>::max<float[5]>(unused, 4), 20u);

  double values[3] = {-0.0, std::numeric_limits<double>::infinity(), 0};
  const uint64_t nan_with_payload = 0x7ff8000000abcdefULL;
  std::memcpy(&values[2], &nan_with_payload, 8);
  MessageBytes stream;
  stream.skip_to(4);
  ASSERT_TRUE(Array<>::write(values, stream.message, "a"));
  EXPECT_EQ(stream.length(), 4 + Array<>::size(values, 4));

  MessageBytes reader(stream.written());
  reader.skip_to(4);
  double back[3] = {1, 1, 1};
  ASSERT_TRUE(Array<>::read(reader.message, back, "a"));
  EXPECT_EQ(std::memcmp(back, values, sizeof(values)), 0);
}

TEST(Wrappers, SizesBeyondThirtyTwoBitsSaturate)
{
  EXPECT_EQ(saturate_to_uint32(61), 61u);
  EXPECT_EQ(saturate_to_uint32(4294967295u), 4294967295u);
  EXPECT_EQ(saturate_to_uint32(5000000000ULL), 4294967295u);
}

TEST(NullRecord, IsReportedOnce)
{
  const void * none = nullptr;
  const int * found = reinterpret_cast<const int *>(1);
  EXPECT_EQ(
    stderr_of([&] {found = record_or_report<const int>(none);}), "ros message handle is null\n");
  EXPECT_EQ(found, nullptr);
}

namespace
{

// A primitive kind in its four shapes, each after one filler octet: T, T[3], T[<=3] and
// T[] (two elements each). `b` is the value's little-endian bytes, written out by hand.
template<class T, class Record>
void check_primitive_shapes(const char * kind, T value, const Bytes & b)
{
  SCOPED_TRACE(kind);
  const size_t w = sizeof(T);
  ASSERT_EQ(b.size(), w);
  const Bytes pad(w - 1, 0);  // from position 1 to the next multiple of w
  T array[3] = {value, value, value};
  Record two{};
  ASSERT_TRUE(init_plain_sequence(&two, 2));
  two.data[0] = two.data[1] = value;
  Record empty{};

  auto check = [&](auto kind_rule, auto & member, const Bytes & expected, size_t max,
      bool bounded) {
      using Kind = decltype(kind_rule);
      using Value = std::remove_reference_t<decltype(member)>;
      MessageBytes stream;
      stream.skip_to(1);
      ASSERT_TRUE(Kind::write(member, stream.message, "m"));
      EXPECT_EQ(stream.written(), expected);
      EXPECT_EQ(1 + Kind::size(member, 1), stream.length());
      bool full_bounded = true;
      EXPECT_EQ(Kind::template max<Value>(full_bounded, 1), max);
      EXPECT_EQ(full_bounded, bounded);

      MessageBytes reader(stream.written());
      reader.skip_to(1);
      Value back{};
      ASSERT_TRUE(Kind::read(reader.message, back, "m"));
      EXPECT_EQ(reader.length(), expected.size());
      if constexpr (std::is_same_v<Value, Record>) {
        ASSERT_EQ(back.size, member.size);
        // An empty sequence may hold no array at all: memcmp takes no null pointer.
        EXPECT_TRUE(back.size == 0 || std::memcmp(back.data, member.data, back.size * w) == 0);
        fini_plain_sequence(&back);
      } else {
        EXPECT_EQ(std::memcmp(&back, &member, sizeof(Value)), 0);
      }
    };
  check(Plain{}, value, concat({{0}, pad, b}), w - 1 + w, true);
  check(Array<>{}, array, concat({{0}, pad, b, b, b}), w - 1 + 3 * w, true);
  const Bytes sequence_of_two = concat({{0, 0, 0, 0}, le32(2), b, b});
  check(BoundedSequence<Plain, 3>{}, two, sequence_of_two, 3 + 4 + 3 * w, true);
  check(Sequence<>{}, two, sequence_of_two, 3 + 4, false);
  check(Sequence<>{}, empty, concat({{0, 0, 0, 0}, le32(0)}), 3 + 4, false);
  fini_plain_sequence(&two);
}

// One record through the folds of the frame, as a unit's list drives it.
struct Mixed
{
  bool flag;
  double f64;
  uint8_t u8;
  rosidl_runtime_c__int64__Sequence i64s;
  rosidl_runtime_c__String bounded;
  rosidl_runtime_c__uint16__Sequence none;
  rosidl_runtime_c__uint16__Sequence many;
};
using _Mixed__ros_msg_type = Mixed;

constexpr auto kMixedMembers = std::make_tuple(
  ROSIDL_FASTRTPS_C_MEMBER(Mixed, flag, Plain),
  ROSIDL_FASTRTPS_C_MEMBER(Mixed, f64, Plain),
  ROSIDL_FASTRTPS_C_MEMBER(Mixed, u8, Plain),
  ROSIDL_FASTRTPS_C_MEMBER(Mixed, i64s, BoundedSequence<Plain, 2>),
  ROSIDL_FASTRTPS_C_MEMBER(Mixed, bounded, BoundedString<3>),
  ROSIDL_FASTRTPS_C_MEMBER(Mixed, none, Sequence<>),
  ROSIDL_FASTRTPS_C_MEMBER(Mixed, many, Sequence<>));

// Strings and nested messages in the shapes, elements one by one.
struct Texts
{
  uint8_t u8;
  rosidl_runtime_c__String names[2];
  rosidl_runtime_c__String__Sequence words;
  std_msgs__msg__Header__Sequence headers;
};
using _Texts__ros_msg_type = Texts;

using Header = Nested<
  rosidl_typesupport_fastrtps_c__get_message_type_support_handle__std_msgs__msg__Header,
  get_serialized_size_std_msgs__msg__Header, max_serialized_size_std_msgs__msg__Header,
  std_msgs__msg__Header__Sequence__init, std_msgs__msg__Header__Sequence__fini>;

constexpr auto kTextsMembers = std::make_tuple(
  ROSIDL_FASTRTPS_C_MEMBER(Texts, u8, Plain),
  ROSIDL_FASTRTPS_C_MEMBER(Texts, names, Array<String>),
  ROSIDL_FASTRTPS_C_MEMBER(Texts, words, BoundedSequence<BoundedString<3>, 2>),
  ROSIDL_FASTRTPS_C_MEMBER(Texts, headers, Sequence<Header>));

void fini(Texts & t)
{
  rosidl_runtime_c__String__fini(&t.names[0]);
  rosidl_runtime_c__String__fini(&t.names[1]);
  rosidl_runtime_c__String__Sequence__fini(&t.words);
  std_msgs__msg__Header__Sequence__fini(&t.headers);
}

void fini(Mixed & m)
{
  fini_plain_sequence(&m.i64s);
  rosidl_runtime_c__String__fini(&m.bounded);
  fini_plain_sequence(&m.none);
  fini_plain_sequence(&m.many);
}

}  // namespace

// Every primitive kind in every shape, and a record of several kinds: the bytes by hand,
// alignment from the start of the body, the round trip, size == bytes written, maximum,
// and the bounds refused both ways with their texts.
// A record through a unit's member list: its bytes, exact size and maximum (an unbounded
// record), then read back into `back` and written again to the same bytes.
template<class Members, class Record>
void check_record(
  const Members & members, const Record & record, Record & back, const Bytes & expected,
  size_t size, size_t max)
{
  MessageBytes stream;
  ASSERT_TRUE(write_members(members, record, stream.message));
  EXPECT_EQ(stream.written(), expected);
  EXPECT_EQ(size_members(members, record, 0), size);
  bool full_bounded = true;
  EXPECT_EQ(max_members<Record>(members, full_bounded, 0), max);
  EXPECT_FALSE(full_bounded);
  MessageBytes reader(expected);
  ASSERT_TRUE(read_members(members, reader.message, back));
  MessageBytes again;
  ASSERT_TRUE(write_members(members, back, again.message));
  EXPECT_EQ(again.written(), expected);
}

TEST(EveryKind, BytesSizesMaximumsAndBoundsOfEachPrimitiveInEachShapeAndOfARecord)
{
  check_primitive_shapes<bool, rosidl_runtime_c__boolean__Sequence>("bool", true, {1});
  check_primitive_shapes<uint8_t, rosidl_runtime_c__octet__Sequence>("byte", 7, {7});
  check_primitive_shapes<signed char, rosidl_runtime_c__char__Sequence>("char", 'A', {0x41});
  check_primitive_shapes<float, rosidl_runtime_c__float__Sequence>(
    "float32", 1.5f, {0, 0, 0xc0, 0x3f});
  check_primitive_shapes<double, rosidl_runtime_c__double__Sequence>(
    "float64", 1.5, {0, 0, 0, 0, 0, 0, 0xf8, 0x3f});
  check_primitive_shapes<int8_t, rosidl_runtime_c__int8__Sequence>("int8", -2, {0xfe});
  check_primitive_shapes<uint8_t, rosidl_runtime_c__uint8__Sequence>("uint8", 200, {0xc8});
  check_primitive_shapes<int16_t, rosidl_runtime_c__int16__Sequence>("int16", -2, {0xfe, 0xff});
  check_primitive_shapes<uint16_t, rosidl_runtime_c__uint16__Sequence>(
    "uint16", 0x1234, {0x34, 0x12});
  check_primitive_shapes<int32_t, rosidl_runtime_c__int32__Sequence>(
    "int32", -2, {0xfe, 0xff, 0xff, 0xff});
  check_primitive_shapes<uint32_t, rosidl_runtime_c__uint32__Sequence>(
    "uint32", 0x01020304, {4, 3, 2, 1});
  check_primitive_shapes<int64_t, rosidl_runtime_c__int64__Sequence>(
    "int64", -2, {0xfe, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff});
  check_primitive_shapes<uint64_t, rosidl_runtime_c__uint64__Sequence>(
    "uint64", 0x0102030405060708, {8, 7, 6, 5, 4, 3, 2, 1});

  // A bool at 0, a float64 at 8, a uint8 at 16, the int64 sequence's count at 20 and its
  // element at 24, the string at its bound at 32, an empty and a long sequence.
  Mixed m{};
  m.flag = true;
  m.f64 = 1.5;
  m.u8 = 9;
  ASSERT_TRUE(init_plain_sequence(&m.i64s, 1));
  m.i64s.data[0] = -2;
  rosidl_runtime_c__String__init(&m.bounded);
  kovel_test::set(m.bounded, "abc");
  ASSERT_TRUE(init_plain_sequence(&m.many, 1000));
  Bytes many;
  for (uint16_t i = 0; i < 1000; ++i) {
    m.many.data[i] = static_cast<uint16_t>(i * 257);
    many.push_back(static_cast<uint8_t>(i * 257));
    many.push_back(static_cast<uint8_t>((i * 257) >> 8));
  }
  const Bytes expected = concat({{1, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0xf8, 0x3f},
      {9, 0, 0, 0}, le32(1), {0xfe, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff},
      le32(4), {'a', 'b', 'c', 0}, le32(0), le32(1000), many});
  ASSERT_EQ(expected.size(), 2048u);
  Mixed back{};
  ASSERT_NO_FATAL_FAILURE(check_record(kMixedMembers, m, back, expected, 2048u, 56u));

  // Over the bounds: nothing of the member is written, and a read stops at its count.
  kovel_test::set(m.bounded, "abcd");
  MessageBytes over;
  bool written = true;
  EXPECT_EQ(stderr_of([&] {written = write_members(kMixedMembers, m, over.message);}),
    "string longer than its bound in field 'bounded'\n");
  EXPECT_FALSE(written);
  EXPECT_EQ(over.length(), 32u);
  Bytes too_long = expected;
  too_long[32] = 5;
  too_long.insert(too_long.begin() + 39, 'd');
  MessageBytes long_text(too_long);
  bool read = true;
  EXPECT_EQ(stderr_of([&] {read = read_members(kMixedMembers, long_text.message, back);}),
    "string longer than its bound in field 'bounded'\n");
  EXPECT_FALSE(read);
  EXPECT_EQ(kovel_test::text(back.bounded), "abc");

  kovel_test::set(m.bounded, "abc");
  fini_plain_sequence(&m.i64s);
  ASSERT_TRUE(init_plain_sequence(&m.i64s, 3));
  MessageBytes over_count;
  EXPECT_EQ(stderr_of([&] {written = write_members(kMixedMembers, m, over_count.message);}),
    "sequence longer than its bound in field 'i64s'\n");
  EXPECT_FALSE(written);
  EXPECT_EQ(over_count.length(), 17u);
  Bytes three = expected;
  three[20] = 3;
  MessageBytes three_reader(three);
  EXPECT_EQ(stderr_of([&] {read = read_members(kMixedMembers, three_reader.message, back);}),
    "sequence longer than its bound in field 'i64s'\n");
  EXPECT_FALSE(read);
  EXPECT_EQ(back.i64s.size, 1u);

  // A count the payload cannot hold ends the read as a short payload does, before anything
  // is allocated or changed.
  Bytes huge(expected.begin(), expected.begin() + 44);
  for (uint8_t byte : le32(0x40000000)) {
    huge.push_back(byte);
  }
  MessageBytes huge_reader(huge);
  const uint16_t * kept = back.many.data;
  EXPECT_EQ(stderr_of([&] {
      EXPECT_THROW(read_members(kMixedMembers, huge_reader.message, back),
      eprosima::fastcdr::exception::NotEnoughMemoryException);
    }), "");
  EXPECT_EQ(back.many.data, kept);
  EXPECT_EQ(back.many.size, 1000u);
  fini(m);
  fini(back);

  // Strings and nested messages: a string[2], a string<=3[<=2] and a Header[].
  Texts t{};
  rosidl_runtime_c__String__init(&t.names[0]);
  rosidl_runtime_c__String__init(&t.names[1]);
  kovel_test::set(t.names[0], "ab");
  t.u8 = 9;
  ASSERT_TRUE(rosidl_runtime_c__String__Sequence__init(&t.words, 2));
  kovel_test::set(t.words.data[0], "abc");
  kovel_test::set(t.words.data[1], "x");
  ASSERT_TRUE(std_msgs__msg__Header__Sequence__init(&t.headers, 1));
  t.headers.data[0].stamp.sec = 7;
  t.headers.data[0].stamp.nanosec = 8;
  kovel_test::set(t.headers.data[0].frame_id, "f");
  const Bytes texts = concat({{9, 0, 0, 0}, le32(3), {'a', 'b', 0, 0}, le32(1), {0, 0, 0, 0},
      le32(2), le32(4), {'a', 'b', 'c', 0}, le32(2), {'x', 0, 0, 0},
      le32(1), le32(7), le32(8), le32(2), {'f', 0}});
  Texts t_back{};
  ASSERT_NO_FATAL_FAILURE(check_record(kTextsMembers, t, t_back, texts, 58u, 44u));

  // A malformed second element: nothing of the array is left in the stream.
  t.names[1].capacity = 0;
  MessageBytes refused;
  EXPECT_EQ(stderr_of([&] {written = write_members(kTextsMembers, t, refused.message);}),
    "string capacity not greater than size\n");
  EXPECT_FALSE(written);
  EXPECT_EQ(refused.length(), 1u);
  t.names[1].capacity = 1;
  fini(t);
  fini(t_back);
}
