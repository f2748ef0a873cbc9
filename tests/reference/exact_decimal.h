// An exact model of how the console turns number tokens into extended reals
// and reals into text: big integers and exact roundings to the 80-bit
// extended format, sharing no code with console/, for the tests and the fuzz
// targets to compare the production code against.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace exact {

// An extended value held exactly: Significand × 2^Exponent with its sign.
// A normal value has the top bit of Significand set; a subnormal one has
// Exponent kLowestExponent and a smaller significand; zero has Significand 0.
struct Extended {
  bool Negative = false;
  bool Infinite = false;
  bool NotANumber = false;
  std::uint64_t Significand = 0;
  std::int32_t Exponent = 0;
};

// The exponent of the last significand bit of the smallest subnormal, and of
// the largest finite value: (2^64 - 1) × 2^16320 is the largest extended.
inline constexpr std::int32_t kLowestExponent = -16445;
inline constexpr std::int32_t kHighestExponent = 16320;

// The exact value of an 80-bit pattern, and the pattern of an exact value.
// Example: 0.5L is Significand 2^63, Exponent -64.
Extended FromLongDouble(long double value);
long double ToLongDouble(const Extended& value);

// A real token as the reading rules give it. Valid false: not a number.
// Overflow: the scaling left the extended range (Value is then meaningless).
// Example: "1.5" gives 1.5L; "-0" negative zero; "1e5120" an infinity;
// "1e4933" Overflow; "1,5" not Valid.
struct RealValue {
  bool Valid = false;
  bool Overflow = false;
  long double Value = 0.0L;
};
RealValue RealFromToken(std::string_view token);

// An integer token as the reading rules give it: "+7" is 7, "$FFFFFFFF" is
// -1, "2147483648" and "-$1F" are not Valid.
struct IntegerValue {
  bool Valid = false;
  std::int32_t Value = 0;
};
IntegerValue IntegerFromToken(std::string_view token);

// The number text of value with its spaces in front up to the whole width:
// 0.5 with width 5 and 2 decimals is " 0.50", 2^120 with width 0 and 5
// decimals " 1.3E+0036". Decimals below 0 count as 0, above 216 as 216.
std::string RealText(long double value, std::int32_t width, std::int32_t decimals);

}  // namespace exact
