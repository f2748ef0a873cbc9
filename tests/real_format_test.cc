// The number text of a real: the fixed form, the exponent form, the special
// values and the field width, compared as exact bytes. Values are the
// doubles nearest to the decimals written; the expected texts were checked
// against an exact rational evaluation of the same roundings.

#include "console/real_format.h"

#include <fenv.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "console/io_result.h"
#include "console/output_stream.h"

namespace {

// The pending code by value: binding a reference to the thread-local itself
// trips the undefined-behaviour checker of this compiler.
std::int32_t PendingCode() { return IOResultCode; }

struct RealCase {
  long double value;
  std::int32_t width;
  std::int32_t decimals;
  std::string text;
};

std::string Format(long double value, std::int32_t width, std::int32_t decimals) {
  char text[kRealTextCapacity];
  const std::size_t length = FormatReal(value, width, decimals, text);
  return std::string(text, length);
}

void ExpectTexts(const std::vector<RealCase>& cases) {
  for (const RealCase& c : cases) {
    EXPECT_EQ(Format(c.value, c.width, c.decimals), c.text)
        << std::hexfloat << c.value << " width " << c.width << " decimals " << c.decimals;
  }
}

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kBelowTwoTo120 = 0x1.fffffffffffffp+119;
constexpr double kTwoTo120 = 0x1p+120;

// The abscissa of a value prompt.
TEST(RealFormat, WidthFiveTwoDecimals) {
  ExpectTexts({
      {0.0, 5, 2, " 0.00"},
      {-0.0, 5, 2, "-0.00"},
      {0.5, 5, 2, " 0.50"},
      {1.0, 5, 2, " 1.00"},
      {10.0, 5, 2, "10.00"},
      {100.0, 5, 2, "100.00"},
      {-1.0, 5, 2, "-1.00"},
      {-0.001, 5, 2, "-0.00"},
      {0.125, 5, 2, " 0.13"},
      {0.005, 5, 2, " 0.01"},
      {0.015, 5, 2, " 0.02"},
      {2.675, 5, 2, " 2.67"},
      {12.345, 5, 2, "12.35"},
      {99.995, 5, 2, "100.00"},
      {0.7999999999999999, 5, 2, " 0.80"},
      {123456.789, 5, 2, "123456.79"},
      {kTwoTo120, 5, 2, " 1.3E+0036"},
      {kInfinity, 5, 2, " +Inf"},
      {-kInfinity, 5, 2, " -Inf"},
      {kNaN, 5, 2, "  Nan"},
  });
}

// The result S.
TEST(RealFormat, WidthZeroFiveDecimals) {
  ExpectTexts({
      {1.0 / 3.0, 0, 5, "0.33333"},
      {2.0 / 3.0, 0, 5, "0.66667"},
      {-1.0 / 3.0, 0, 5, "-0.33333"},
      {0.0, 0, 5, "0.00000"},
      {-0.0, 0, 5, "-0.00000"},
      {-0.000001, 0, 5, "-0.00000"},
      {0.000004, 0, 5, "0.00000"},
      {0.000005, 0, 5, "0.00001"},
      {0.0000049999, 0, 5, "0.00000"},
      {0.000035, 0, 5, "0.00004"},
      {9.999995, 0, 5, "10.00000"},
      {12345.678901, 0, 5, "12345.67890"},
      {1e15, 0, 5, "1000000000000000.00000"},
      {1e20, 0, 5, "100000000000000000000.00000"},
      {1e30, 0, 5, "1000000000000000020000000000000.00000"},
      {1e35, 0, 5, "99999999999999996900000000000000000.00000"},
      {kBelowTwoTo120, 0, 5, "1329227995784915725000000000000000000.00000"},
      {kTwoTo120, 0, 5, " 1.3E+0036"},
      {-kTwoTo120, 0, 5, "-1.3E+0036"},
      {1.7e36, 0, 5, " 1.7E+0036"},
      {9.96e36, 0, 5, " 1.0E+0037"},
      {1.059e37, 0, 5, " 1.1E+0037"},
      {1e300, 0, 5, " 1.0E+0300"},
      {DBL_MAX, 0, 5, " 1.8E+0308"},
      {kInfinity, 0, 5, "+Inf"},
      {-kInfinity, 0, 5, "-Inf"},
      {kNaN, 0, 5, "Nan"},
  });
}

TEST(RealFormat, DecimalsBeyondTheDigitString) {
  ExpectTexts({
      {1.0 / 3.0, 0, 20, "0.33333333333333331000"},
      {6e-18, 0, 20, "0.00000000000000001000"},
      {4e-18, 0, 20, "0.00000000000000000000"},
      // The digit string itself is rounded ties to even: ...625 gives ...62.
      {0x1p-18, 0, 17, "0.00000381469726562"},
      {0.1, 0, 16, "0.1000000000000000"},
      {0.1, 0, 17, "0.10000000000000001"},
      {0.1, 0, 18, "0.100000000000000010"},
      {1.0, 0, 18, "1.000000000000000000"},
      {0.045, 0, 2, "0.05"},
  });
}

TEST(RealFormat, NoDecimalsNoPoint) {
  ExpectTexts({
      {0.5, 0, 0, "1"},
      {2.5, 0, 0, "3"},
      {12.5, 0, 0, "13"},
      {1.0 / 3.0, 0, 0, "0"},
      {-0.4, 0, 0, "-0"},
      {-0.4, 3, 0, " -0"},
      {1e18, 0, 0, "1000000000000000000"},
      {1e16 + 2, 0, 0, "10000000000000002"},
      // Negative decimals count as none.
      {1.0 / 3.0, 0, -1, "0"},
      {2.5, 0, -7, "3"},
      {0.5, 3, std::numeric_limits<std::int32_t>::min(), "  1"},
  });
}

// A carry that runs through every digit up to D0 adds an integer digit.
TEST(RealFormat, CarryIntoTheTensDigit) {
  ExpectTexts({
      {9.9999999, 0, 5, "10.00000"},
      {99.995, 0, 2, "100.00"},
      {15.999996, 0, 5, "16.00000"},
      {15.9999949, 0, 5, "15.99999"},
      {9.96e36, 0, 5, " 1.0E+0037"},
      {9.95e36, 12, 0, " 9.950E+0036"},
  });
}

// 2^120 is the first magnitude whose decimal exponent reaches 36; 10^36 lies
// below it, with 37 integer digits.
TEST(RealFormat, FixedFormEndsAtTwoTo120) {
  ExpectTexts({
      {1e36, 0, 5, "1000000000000000042000000000000000000.00000"},
      {kBelowTwoTo120, 0, 0, "1329227995784915725000000000000000000"},
      {kTwoTo120, 27, 0, "  1.32922799578491587E+0036"},
  });
  // The longest fixed text fills the whole area.
  const std::string longest = Format(-kBelowTwoTo120, 0, kDecimalsLimit);
  EXPECT_EQ(longest, "-1329227995784915725000000000000000000." + std::string(216, '0'));
  EXPECT_EQ(longest.size(), static_cast<std::size_t>(kRealFieldLimit));
}

TEST(RealFormat, ScientificDigitsFollowTheWidth) {
  ExpectTexts({
      {DBL_MAX, 9, 0, " 1.8E+0308"},
      {DBL_MAX, 12, 0, " 1.798E+0308"},
      {DBL_MAX, 26, 0, " 1.79769313486231571E+0308"},
      {1e308, 26, 0, " 1.00000000000000001E+0308"},
      {DBL_MAX, 300, 0, std::string(229, ' ') + " 1.79769313486231571E+0308"},
  });
}

TEST(RealFormat, TinyMagnitudes) {
  ExpectTexts({
      {0x1p-1074, 0, 5, "0.00000"},
      {-0x1p-1074, 0, 5, "-0.00000"},
      {DBL_MIN, 0, 20, "0.00000000000000000000"},
      {0x1p-16445L, 0, 216, "0." + std::string(216, '0')},
  });
}

TEST(RealFormat, FieldWidthLimits) {
  const std::string third = "0.33333";
  ExpectTexts({
      {1.0 / 3.0, 255, 5, std::string(248, ' ') + third},
      {1.0 / 3.0, 256, 5, std::string(248, ' ') + third},
      {1.0 / 3.0, 300, 5, std::string(248, ' ') + third},
      {1.0 / 3.0, -5, 5, third},
      {1.0 / 3.0, 0, 216, "0.33333333333333331" + std::string(199, '0')},
      {1.0 / 3.0, 0, 300, "0.33333333333333331" + std::string(199, '0')},
      {kNaN, 300, 5, std::string(252, ' ') + "Nan"},
  });
}

long double FromEncoding(std::uint64_t significand, std::uint16_t signAndExponent) {
  unsigned char bytes[sizeof(long double)] = {};
  std::memcpy(bytes, &significand, sizeof significand);
  std::memcpy(bytes + 8, &signAndExponent, sizeof signAndExponent);
  long double value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

// Extended values beyond the double range, and encodings that arithmetic
// never produces, formatted with invalid operation, division by zero and
// overflow trapped as the program runs: none of them may fault.
TEST(RealFormat, EveryExtendedValueUnderTraps) {
  const std::vector<RealCase> cases = {
      {LDBL_MAX, 0, 5, " 1.2E+4932"},
      {-LDBL_MAX, 26, 5, "-1.18973149535723177E+4932"},
      {LDBL_TRUE_MIN, 0, 5, "0.00000"},
      {FromEncoding(0xA000000000000000, 0x7FFF), 0, 5, "Nan"},      // signalling NaN
      {FromEncoding(0xC000000000000000, 0xFFFF), 0, 5, "Nan"},      // negative quiet NaN
      {FromEncoding(0x0000000000000000, 0x7FFF), 0, 5, "Nan"},      // pseudo-infinity
      {FromEncoding(0x4000000000000000, 0x3FFF), 0, 5, "Nan"},      // unnormal
      {FromEncoding(0x8000000000000000, 0x0000), 0, 5, "0.00000"},  // pseudo-denormal
      {FromEncoding(0x8000000000000000, 0xFFFF), 0, 5, "-Inf"},
  };
  feclearexcept(FE_ALL_EXCEPT);
  feenableexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW);
  std::vector<std::string> texts;
  for (const RealCase& c : cases) texts.push_back(Format(c.value, c.width, c.decimals));
  fedisableexcept(FE_ALL_EXCEPT);
  for (std::size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(texts[i], cases[i].text) << i;
}

// What WriteReal leaves in a memory file once the stream is closed.
std::string WrittenReal(long double value, std::int32_t width, std::int32_t decimals) {
  const int descriptor = memfd_create("real", 0);
  OutputStream stream{descriptor};
  WriteReal(stream, value, width, decimals);
  CloseOutput(stream);
  std::string bytes(static_cast<std::size_t>(lseek(descriptor, 0, SEEK_END)), '\0');
  pread(descriptor, bytes.data(), bytes.size(), 0);
  close(descriptor);
  return bytes;
}

// Beyond 255 bytes the spaces still missing go in front of the field.
TEST(RealFormat, WriteRealFillsTheWholeWidth) {
  IOResultCode = 0;
  EXPECT_EQ(WrittenReal(0.5, 5, 2), " 0.50");
  EXPECT_EQ(WrittenReal(100.0, 5, 2), "100.00");
  EXPECT_EQ(WrittenReal(1.0 / 3.0, 255, 5), std::string(248, ' ') + "0.33333");
  EXPECT_EQ(WrittenReal(1.0 / 3.0, 256, 5), std::string(249, ' ') + "0.33333");
  EXPECT_EQ(WrittenReal(1.0 / 3.0, 300, 5), std::string(293, ' ') + "0.33333");
  EXPECT_EQ(WrittenReal(-kBelowTwoTo120, 300, 216),
            std::string(45, ' ') + Format(-kBelowTwoTo120, 0, 216));
  EXPECT_EQ(WrittenReal(DBL_MAX, 300, 0), std::string(274, ' ') + " 1.79769313486231571E+0308");
  EXPECT_EQ(WrittenReal(1.0 / 3.0, 100000, 5), std::string(99993, ' ') + "0.33333");
  EXPECT_EQ(PendingCode(), 0);
}

}  // namespace
