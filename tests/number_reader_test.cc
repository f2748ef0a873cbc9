#include "console/number_reader.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <string_view>

#include "console/io_result.h"

namespace {

constexpr long double kInfinity = std::numeric_limits<long double>::infinity();

// A stream over a pipe that holds the given bytes, its writing end closed.
class PipeInput {
 public:
  explicit PipeInput(std::string_view bytes) {
    int ends[2];
    EXPECT_EQ(pipe(ends), 0);
    EXPECT_EQ(write(ends[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    close(ends[1]);
    stream_.Descriptor = ends[0];
  }
  ~PipeInput() { close(stream_.Descriptor); }
  PipeInput(const PipeInput&) = delete;
  PipeInput& operator=(const PipeInput&) = delete;
  InputStream& Stream() { return stream_; }

 private:
  InputStream stream_{-1};
};

// Everything the stream still holds up to end of input, consumed.
std::string Rest(InputStream& stream) {
  std::string rest;
  for (unsigned char byte = PeekByte(stream); byte != kEndOfInput; byte = PeekByte(stream)) {
    rest += static_cast<char>(byte);
    ConsumeByte(stream);
  }
  return rest;
}

// The exact bits of an extended value, for failure messages.
std::string Bits(long double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%La", value);
  return text;
}

bool SameReal(long double actual, long double expected) {
  return actual == expected && std::signbit(actual) == std::signbit(expected);
}

struct IntegerCase {
  std::string_view Input;
  std::int32_t Value;
  std::int32_t Code;
  std::string_view Rest;
};

TEST(ReadInteger, ConvertsTokensByTheIntegerRules) {
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  const IntegerCase cases[] = {
      {"+7\r\n", 7, 0, "\r\n"},
      {"007", 7, 0, ""},
      {"-0", 0, 0, ""},
      {"  \t\r\n\r\n  42 x", 42, 0, " x"},
      {std::string_view("\0\x01\x1F 5", 5), 5, 0, ""},
      {"$1F", 31, 0, ""},
      {"x1F", 31, 0, ""},
      {"X1f", 31, 0, ""},
      {"0x1f", 31, 0, ""},
      {"0X1F", 31, 0, ""},
      {"$00000000000000000000000001F", 31, 0, ""},
      {"$7FFFFFFF", kMax, 0, ""},
      {"$80000000", kMin, 0, ""},
      {"$FFFFFFFF", -1, 0, ""},
      {"2147483647", kMax, 0, ""},
      {"-2147483648", kMin, 0, ""},
      {"0000000000000000000002147483647", kMax, 0, ""},
      {"2147483648", 0, 106, ""},
      {"-2147483649", 0, 106, ""},
      {"4294967303", 0, 106, ""},
      {"21474836470", 0, 106, ""},
      {"$100000000", 0, 106, ""},
      {"$FFFFFFFF0", 0, 106, ""},
      {"-$1F", 0, 106, ""},
      {"+$1F", 0, 106, ""},
      {"-0x1F", 0, 106, ""},
      {"00x1F", 0, 106, ""},
      {"$", 0, 106, ""},
      {"0x", 0, 106, ""},
      {"x", 0, 106, ""},
      {"+", 0, 106, ""},
      {"-", 0, 106, ""},
      {"1.0", 0, 106, ""},
      {"1e3", 0, 106, ""},
      {"$1G", 0, 106, ""},
      {"12abc def", 0, 106, " def"},
      {"\x7F", 0, 106, ""},
      {"\xFF", 0, 106, ""},
      {"１", 0, 106, ""},
      {"1　2 3", 0, 106, " 3"},
      {"", 0, 0, ""},
      {" \r\n\t", 0, 0, ""},
      {"9\x1A 8", 9, 0, ""},
  };
  for (const IntegerCase& test : cases) {
    SCOPED_TRACE(std::string(test.Input));
    PipeInput input(test.Input);
    IOResultCode = 0;
    EXPECT_EQ(ReadInteger(input.Stream()), test.Value);
    EXPECT_EQ(IOResultCode, test.Code);
    EXPECT_EQ(Rest(input.Stream()), test.Rest);
  }
}

struct RealCase {
  std::string_view Token;
  long double Value;
  bool Overflow;
};

// Expected values come from an exact rational model of the reading method:
// the mantissa accumulated digit by digit and the scale applied as up to
// three powers of ten, each step rounded to the 64-bit significand. Where
// they differ from the double nearest to the decimal, the method is right.
TEST(ReadReal, FormsValuesByTheExtendedMethod) {
  const RealCase cases[] = {
      {".5", 0.5L, false},
      {"5.", 5.0L, false},
      {"1e3", 1000.0L, false},
      {"1E+03", 1000.0L, false},
      {"-0", -0.0L, false},
      {".", 0.0L, false},
      {"e5", 0.0L, false},
      {"E+5", 0.0L, false},
      {"+.", 0.0L, false},
      {"-.", -0.0L, false},
      {"-e5", -0.0L, false},
      {"+1.5", 1.5L, false},
      {"007.25e-2", 0x9.47AE147AE147AE1p-7L, false},
      {"1e+0", 1.0L, false},
      {"1e-0", 1.0L, false},
      {"0.1", 0xC.CCCCCCCCCCCCCCDp-7L, false},
      {"123.456", 0xF.6E978D4FDF3B646p+3L, false},
      // Both round to a double one unit away from the one nearest the decimal.
      {"99989e-204", 0xF.4EACF0A27D733FFp-665L, false},
      {"12896e-263", 0xF.DCCBF20F4161400p-864L, false},
      {"3.14159265358979323846264338327950288419716939937510582097494459", 0xC.90FDAA22168C237p-2L,
       false},
      {"18446744073709551617", 0x8.000000000000000p+61L, false},
      {"123456789012345678901234567890", 0xC.77487FB61B9F076p+93L, false},
      {"1e308", 0x8.E679C2F5E44FF8Fp+1020L, false},
      {"1.7976931348623157e308", 0xF.FFFFFFFFFFFF7ACp+1020L, false},
      {"1e309", 0xB.201833B35D63F73p+1023L, false},
      {"1e-400", 0x9.5FE7E07C91EFAFAp-1332L, false},
      {"4.9406564584124654e-324", 0xF.FFFFFFFFFFFFF64p-1078L, false},
      {"1e4932", 0xD.72CB2A95C7EF6CDp+16380L, false},
      {"1e-4950", 0xC.000000000000000p-16447L, false},
      {"1e-4951", 0.0L, false},
      {"1e-5119", 0.0L, false},
      {"1e-5120", 0.0L, false},
      {"1e5119", kInfinity, true},
      {"1e5000", kInfinity, true},
      {"1.2e4932", kInfinity, true},
      {"-1e5000", -kInfinity, true},
      {"0.001e5122", kInfinity, true},
      {"1e5120", kInfinity, false},
      {"0e5120", kInfinity, false},
      {"-1e5120", -kInfinity, false},
      {"0e5000", 0.0L, false},
      {"0e-5120", 0.0L, false},
      {"-0e-9999", -0.0L, false},
      {"1000e-5121", 0.0L, false},
      {"1e0000000000000000000003", 1000.0L, false},
      {"1e99999999999", kInfinity, false},
      {"1e-99999999999", 0.0L, false},
      // 2^32 + 1: an exponent that wrapped in 32 bits would give 10.
      {"1e4294967297", kInfinity, false},
      {"1e-4294967297", 0.0L, false},
  };
  for (const RealCase& test : cases) {
    SCOPED_TRACE(std::string(test.Token));
    PipeInput input(std::string(test.Token) + "\r\n");
    IOResultCode = 0;
    const RealReading reading = ReadReal(input.Stream());
    EXPECT_TRUE(SameReal(reading.Value, test.Value))
        << Bits(reading.Value) << " != " << Bits(test.Value);
    EXPECT_EQ(reading.Overflow, test.Overflow);
    EXPECT_EQ(IOResultCode, 0);
    EXPECT_EQ(Rest(input.Stream()), "\r\n");
  }
}

TEST(ReadReal, RejectsMalformedTokensWhole) {
  const std::string_view tokens[] = {
      "1e",  "1e+", "1e-", "e",   "E+",  "1,5",   "1.2.3", "+",      "-",  "[0",   "$1",   "0x1",
      "inf", "nan", "1d5", "--1", "+-1", "1e5.0", "1e+-5", "1.5e3x", "１", "1e１", "\xFF", "5e　",
  };
  for (std::string_view token : tokens) {
    SCOPED_TRACE(std::string(token));
    PipeInput input(std::string(token) + " 8");
    IOResultCode = 0;
    const RealReading reading = ReadReal(input.Stream());
    EXPECT_TRUE(SameReal(reading.Value, 0.0L)) << Bits(reading.Value);
    EXPECT_FALSE(reading.Overflow);
    EXPECT_EQ(IOResultCode, 106);
    EXPECT_EQ(Rest(input.Stream()), " 8");
  }
}

TEST(ReadReal, AtEndOfInputGivesPositiveZeroWithoutCode) {
  for (std::string_view bytes : {std::string_view(""), std::string_view(" \t\r\n\r\n"),
                                 std::string_view("\x1A"
                                                  "5")}) {
    PipeInput input(bytes);
    IOResultCode = 0;
    const RealReading reading = ReadReal(input.Stream());
    EXPECT_TRUE(SameReal(reading.Value, 0.0L));
    EXPECT_EQ(IOResultCode, 0);
  }
}

// The token is taken up to its limit without requesting another byte; the
// rest of the run is the next operation's.
TEST(ReadNumbers, SplitTokensAtTheirLimits) {
  PipeInput integers(std::string(32, '0') + "5\r\n");
  EXPECT_EQ(ReadInteger(integers.Stream()), 0);
  EXPECT_EQ(Rest(integers.Stream()), "5\r\n");

  const std::string pi = "3.14159265358979323846264338327950288419716939937510582097494459";
  ASSERT_EQ(pi.size(), kRealTokenLimit);
  PipeInput reals(pi + "230781\r\n");
  IOResultCode = 0;
  EXPECT_TRUE(SameReal(ReadReal(reals.Stream()).Value, 0xC.90FDAA22168C237p-2L));
  EXPECT_TRUE(SameReal(ReadReal(reals.Stream()).Value, 230781.0L));
  EXPECT_EQ(IOResultCode, 0);
  EXPECT_EQ(Rest(reals.Stream()), "\r\n");

  // A malformed long run fails only in its first part.
  PipeInput longInteger(std::string("1").append(32, '0') + " 6");
  IOResultCode = 0;
  EXPECT_EQ(ReadInteger(longInteger.Stream()), 0);
  EXPECT_EQ(IOResultCode, 106);
  IOResultCode = 0;
  EXPECT_EQ(ReadInteger(longInteger.Stream()), 0);
  EXPECT_EQ(ReadInteger(longInteger.Stream()), 6);
  EXPECT_EQ(IOResultCode, 0);
}

// A pending code neither stops a read nor is cleared by a good one; a new
// failure replaces it.
TEST(ReadNumbers, RunWholeWithACodePending) {
  PipeInput input("abc 1\t2.5\r\n4 $ 7");
  IOResultCode = 0;
  EXPECT_EQ(ReadInteger(input.Stream()), 0);
  EXPECT_EQ(IOResultCode, 106);
  EXPECT_TRUE(SameReal(ReadReal(input.Stream()).Value, 1.0L));
  EXPECT_TRUE(SameReal(ReadReal(input.Stream()).Value, 2.5L));
  EXPECT_EQ(ReadInteger(input.Stream()), 4);
  EXPECT_EQ(IOResultCode, 106);
  IOResultCode = 5;
  EXPECT_EQ(ReadInteger(input.Stream()), 0);
  EXPECT_EQ(IOResultCode, 106);
  EXPECT_EQ(ReadInteger(input.Stream()), 7);
}

// Each reading starts after offset blanks, so that the token meets the end of
// the 128-byte block at every one of its positions and the refill lands
// inside it, as well as before and after it.
TEST(ReadNumbers, ReadTokensAtEveryOffsetOfTheBlock) {
  const std::string real = "-2.7182818284590452353602874713526624977572470936999595749669e+2";
  ASSERT_EQ(real.size(), kRealTokenLimit);
  const long double expected = -0x8.7EA01E53F22524Ap+5L;
  for (std::size_t offset = 0; offset <= 2 * kInputBlockSize; ++offset) {
    SCOPED_TRACE(offset);
    PipeInput input(std::string(offset, ' ') + real + "\r\n" + std::string(29, '0') + "123456 -9");
    IOResultCode = 0;
    EXPECT_TRUE(SameReal(ReadReal(input.Stream()).Value, expected));
    EXPECT_EQ(ReadInteger(input.Stream()), 123);
    EXPECT_EQ(ReadInteger(input.Stream()), 456);
    EXPECT_EQ(ReadInteger(input.Stream()), -9);
    EXPECT_EQ(IOResultCode, 0);
  }
}

// Over a packet socket every read(2) returns one packet, so the token is
// split between two reads at each of its positions.
TEST(ReadNumbers, ReadTokensSplitAcrossReads) {
  const std::string token = "-123.456e7";
  for (std::size_t split = 1; split < token.size(); ++split) {
    SCOPED_TRACE(split);
    int ends[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET, 0, ends), 0);
    const std::string first = std::string(1, ' ').append(token, 0, split);
    const std::string second = token.substr(split) + " $1f\r\n";
    ASSERT_EQ(write(ends[1], first.data(), first.size()), static_cast<ssize_t>(first.size()));
    ASSERT_EQ(write(ends[1], second.data(), second.size()), static_cast<ssize_t>(second.size()));
    close(ends[1]);
    InputStream stream{ends[0]};
    IOResultCode = 0;
    EXPECT_TRUE(SameReal(ReadReal(stream).Value, -1234560000.0L));
    EXPECT_EQ(ReadInteger(stream), 31);
    EXPECT_EQ(IOResultCode, 0);
    EXPECT_EQ(Rest(stream), "\r\n");
    close(ends[0]);
  }
}

}  // namespace
