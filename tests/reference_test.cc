// The console's reading and formatting against the exact reference of
// tests/reference/, on tables of known results and on many random inputs.

#include <gtest/gtest.h>
#include <stdio.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "console/input_stream.h"
#include "console/io_result.h"
#include "console/number_reader.h"
#include "console/real_format.h"
#include "tests/reference/console_model.h"
#include "tests/reference/exact_decimal.h"

namespace {

std::int32_t PendingCode() { return IOResultCode; }

// The ten significant bytes of an extended value, as a printable pattern.
std::string Pattern(long double value) {
  unsigned char bytes[10];
  std::memcpy(bytes, &value, sizeof bytes);
  char text[24];
  for (int i = 0; i < 10; ++i) std::snprintf(text + 2 * i, 3, "%02X", bytes[9 - i]);
  return text;
}

std::string ProductionText(long double value, std::int32_t width, std::int32_t decimals) {
  char text[kRealTextCapacity];
  return std::string(text, FormatReal(value, width, decimals, text));
}

// The reference on its own: the worked results of the rules, so that a fault
// in the reference cannot hide behind an agreement with the same fault.
TEST(ExactReference, GivesTheKnownTexts) {
  struct Case {
    double Value;
    int Width;
    int Decimals;
    const char* Text;
  };
  const Case cases[] = {
      {0.015, 5, 2, " 0.02"},
      {2.675, 5, 2, " 2.67"},
      {99.995, 5, 2, "100.00"},
      {0.125, 5, 2, " 0.13"},
      {-0.0, 0, 5, "-0.00000"},
      {9.999995, 0, 5, "10.00000"},
      {1e30, 0, 5, "1000000000000000020000000000000.00000"},
      {1e35, 0, 5, "99999999999999996900000000000000000.00000"},
      {std::ldexp(1.0, 120), 0, 5, " 1.3E+0036"},
      {-std::ldexp(1.0, 120), 5, 2, "-1.3E+0036"},
      {9.96e36, 0, 5, " 1.0E+0037"},
      {1e300, 0, 5, " 1.0E+0300"},
      {1.7976931348623157e308, 0, 5, " 1.8E+0308"},
      {std::ldexp(1.0, -18), 0, 17, "0.00000381469726562"},
      {6e-18, 0, 20, "0.00000000000000001000"},
      {0.5, 0, 0, "1"},
      {-0.4, 3, 0, " -0"},
      {1.0 / 3, -5, 5, "0.33333"},
      {HUGE_VAL, 5, 2, " +Inf"},
      {NAN, 5, 2, "  Nan"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(exact::RealText(c.Value, c.Width, c.Decimals), c.Text) << c.Value;
  }
  EXPECT_EQ(exact::RealText(1.0 / 3, 0, 300), "0.33333333333333331" + std::string(199, '0'));
}

TEST(ExactReference, ReadsTheKnownValues) {
  EXPECT_EQ(Pattern(exact::RealFromToken("0.1").Value), Pattern(0.1L));
  EXPECT_EQ(Pattern(exact::RealFromToken("-0").Value), Pattern(-0.0L));
  EXPECT_EQ(Pattern(exact::RealFromToken("1E+03").Value), Pattern(1000.0L));
  EXPECT_EQ(Pattern(exact::RealFromToken("e5").Value), Pattern(0.0L));
  EXPECT_TRUE(std::isinf(exact::RealFromToken("0e5120").Value));
  EXPECT_FALSE(exact::RealFromToken("0e5120").Overflow);
  EXPECT_TRUE(exact::RealFromToken("1e4933").Overflow);
  EXPECT_EQ(exact::RealFromToken("1e-5120").Value, 0.0L);
  // Below the normal range the quotient lands on the subnormal grid.
  EXPECT_GT(exact::RealFromToken("1e-4940").Value, 0.0L);
  EXPECT_LT(exact::RealFromToken("1e-4940").Value, 1e-4931L);
  for (const char* bad : {"1e", "1e+", "1,5", "1.2.3", "+", "[0"}) {
    EXPECT_FALSE(exact::RealFromToken(bad).Valid) << bad;
  }
  EXPECT_EQ(exact::IntegerFromToken("$FFFFFFFF").Value, -1);
  EXPECT_EQ(exact::IntegerFromToken("-2147483648").Value, -2147483648LL);
  for (const char* bad : {"2147483648", "-$1F", "$", "0x", "1.0", "$100000000"}) {
    EXPECT_FALSE(exact::IntegerFromToken(bad).Valid) << bad;
  }
}

// A token of the real syntax, mostly valid, with digit runs and exponents
// spread over the whole range of the scaling, and now and then a fault.
std::string RandomRealToken(std::mt19937_64& random) {
  std::string token;
  const auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
  const auto digits = [&](int most) {
    const int count = static_cast<int>(random() % static_cast<unsigned>(most + 1));
    for (int i = 0; i < count; ++i) token += static_cast<char>('0' + random() % 10);
  };
  if (chance(30)) token += chance(50) ? '-' : '+';
  digits(chance(20) ? 40 : 20);
  if (chance(50)) {
    token += '.';
    digits(25);
  }
  if (chance(70)) {
    token += chance(50) ? 'e' : 'E';
    if (chance(60)) token += chance(60) ? '-' : '+';
    const int ranges[] = {5, 40, 330, 5200};
    token += std::to_string(random() % static_cast<unsigned>(ranges[random() % 4]));
  }
  if (chance(4)) token.insert(random() % (token.size() + 1), 1, ".e+-x,$"[random() % 7]);
  return token.empty() ? "0" : token;
}

// A value to format: any double bit pattern, a short decimal, or one near a
// power of two or ten where the scaling and the rounding change their course.
double RandomDouble(std::mt19937_64& random) {
  switch (random() % 4) {
    case 0: {
      const std::uint64_t bits = random();
      double value;
      std::memcpy(&value, &bits, sizeof value);
      return value;
    }
    case 1:
      return static_cast<double>(random() % 100000000) / std::pow(10.0, random() % 12);
    case 2:
      return std::ldexp(1.0 + static_cast<double>(random() % 1024) / 1024,
                        static_cast<int>(random() % 260) - 130);
    default:
      return std::nextafter(std::pow(10.0, static_cast<double>(random() % 80) - 40),
                            random() % 2 ? 0.0 : HUGE_VAL) *
             (random() % 2 ? 1 : -1);
  }
}

// The input through a real descriptor, in the console's own blocks.
class FileInput {
 public:
  explicit FileInput(const std::string& bytes) : file_(tmpfile()) {
    EXPECT_EQ(write(fileno(file_), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    lseek(fileno(file_), 0, SEEK_SET);
    stream_.Descriptor = fileno(file_);
  }
  ~FileInput() { fclose(file_); }
  FileInput(const FileInput&) = delete;
  FileInput& operator=(const FileInput&) = delete;
  InputStream& Stream() { return stream_; }

 private:
  FILE* file_;
  InputStream stream_{-1};
};

TEST(ReferenceComparison, ReadRealAgreesOnRandomTokens) {
  std::mt19937_64 random(20261211);
  std::string input;
  constexpr int kTokens = 20000;
  for (int i = 0; i < kTokens; ++i) input += RandomRealToken(random) + " \t\r\n"[random() % 4];
  FileInput file(input);
  exact::InputModel model(input);
  int differences = 0;
  for (int i = 0; i < kTokens && differences < 10; ++i) {
    IOResultCode = 0;
    const RealReading reading = ReadReal(file.Stream());
    const exact::ModelReading expected = model.ReadReal();
    ASSERT_EQ(PendingCode(), expected.Code) << "token " << i;
    if (expected.Code != 0) continue;
    EXPECT_EQ(reading.Overflow, expected.Overflow) << "token " << i;
    if (!expected.Overflow && Pattern(reading.Value) != Pattern(expected.Real)) {
      ADD_FAILURE() << "token " << i << ": " << Pattern(reading.Value) << " for "
                    << Pattern(expected.Real);
      ++differences;
    }
  }
}

TEST(ReferenceComparison, ReadIntegerAgreesOnRandomTokens) {
  std::mt19937_64 random(7);
  const char* prefixes[] = {"", "", "", "-", "+", "$", "x", "0X", "-$", "00"};
  const char alphabet[] = "0123456789abcdefABCDEF";
  std::string input;
  constexpr int kTokens = 20000;
  for (int i = 0; i < kTokens; ++i) {
    input += prefixes[random() % 10];
    const int length = 1 + static_cast<int>(random() % 12);
    const int letters = random() % 3 == 0 ? 22 : 10;
    for (int j = 0; j < length; ++j) input += alphabet[random() % static_cast<unsigned>(letters)];
    input += " \r\n"[random() % 3];
  }
  FileInput file(input);
  exact::InputModel model(input);
  for (int i = 0; i < kTokens; ++i) {
    IOResultCode = 0;
    const std::int32_t value = ReadInteger(file.Stream());
    const exact::ModelReading expected = model.ReadInteger();
    ASSERT_EQ(PendingCode(), expected.Code) << "token " << i;
    if (expected.Code == 0) {
      ASSERT_EQ(value, expected.Integer) << "token " << i;
    }
  }
}

TEST(ReferenceComparison, FormatRealAgreesOnRandomValues) {
  std::mt19937_64 random(1332);
  int differences = 0;
  for (int i = 0; i < 20000 && differences < 10; ++i) {
    const double value = RandomDouble(random);
    const int widths[] = {0, 5, 10, 26, static_cast<int>(random() % 300) - 20};
    const int width = widths[random() % 5];
    const int decimals =
        random() % 4 == 0 ? static_cast<int>(random() % 240) : static_cast<int>(random() % 20);
    const std::string expected = exact::RealText(value, std::min(width, kRealFieldLimit), decimals);
    const std::string text = ProductionText(value, width, decimals);
    if (text != expected) {
      ADD_FAILURE() << Pattern(value) << " width " << width << " decimals " << decimals << ": \""
                    << text << "\" for \"" << expected << "\"";
      ++differences;
    }
  }
}

}  // namespace
