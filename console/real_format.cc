#include "console/real_format.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "console/powers_of_ten.h"

namespace {

// The digit string D0 D1 . D2 ... D18 of a mantissa below 16, held to 17
// decimal places; every position after D18 reads as 0.
constexpr int kStoredDigits = 19;
constexpr std::uint64_t kTenToThe18 = 1000000000000000000ULL;
// Exponents from here on take the scientific form: the fixed form would
// need more than 37 integer digits.
constexpr int kLargestFixedExponent = 35;
// The scientific form shows 2 to 18 mantissa digits and four exponent digits.
constexpr int kFewestMantissaDigits = 2;
constexpr int kMostMantissaDigits = 18;
constexpr int kScientificFrame = 8;  // sign, point, "E+" and four digits
constexpr int kExponentDigits = 4;
static_assert(kScaleLimit <= 9999, "an exponent must fit in four digits");

enum class RealKind { Finite, Infinite, NotANumber };

// The sign bit and the kind of an extended value, read from its encoding so
// that telling the special values apart needs no floating-point operation:
// a signalling NaN would raise the trapped invalid-operation fault. The
// encodings the processor rejects as operands (an exponent with no integer
// bit) read as NaN, which is what arithmetic would make of them.
struct RealEncoding {
  bool Negative;
  int BiasedExponent;
  RealKind Kind;
};

RealEncoding ReadEncoding(long double value) {
  static_assert(sizeof(long double) >= 10, "long double must be the 80-bit extended format");
  unsigned char bytes[sizeof(long double)];
  std::memcpy(bytes, &value, sizeof bytes);
  std::uint64_t significand;
  std::uint16_t signAndExponent;
  std::memcpy(&significand, bytes, sizeof significand);
  std::memcpy(&signAndExponent, bytes + 8, sizeof signAndExponent);
  const int exponent = signAndExponent & 0x7FFF;
  const bool integerBit = (significand >> 63) != 0;
  RealKind kind = RealKind::Finite;
  if (exponent == 0x7FFF) {
    kind = significand == (1ULL << 63) ? RealKind::Infinite : RealKind::NotANumber;
  } else if (exponent != 0 && !integerBit) {
    kind = RealKind::NotANumber;
  }
  return {(signAndExponent >> 15) != 0, exponent, kind};
}

// The mantissa v with 1 <= v < 16 (or the magnitude itself below 10) and its
// decimal exponent E, magnitude = v * 10^E up to the roundings of the
// divisions.
struct ScaledMagnitude {
  long double Mantissa;
  int Exponent;
};

// k = floor(b * 19728 / 65536) never exceeds b * log10(2), so 10^k stays at
// most the magnitude and every quotient is at least 1; a k of 0 means the
// mantissa is below 16. The powers are those the reader scales by.
ScaledMagnitude ScaleToMantissa(long double magnitude) {
  ScaledMagnitude scaled{magnitude, 0};
  if (magnitude < 10.0L) return scaled;
  for (;;) {
    const int binaryExponent = ReadEncoding(scaled.Mantissa).BiasedExponent - 16383;
    const int count = binaryExponent * 19728 / 65536;
    if (count <= 0) return scaled;
    scaled.Exponent += count;
    scaled.Mantissa = DivideByPowerOfTen(scaled.Mantissa, count);
  }
}

struct DigitString {
  std::uint8_t Digits[kStoredDigits];  // D0 .. D18

  int At(int position) const { return position < kStoredDigits ? Digits[position] : 0; }

  // Adds one at position, carrying into the digits before it. The mantissa
  // is below 16, so D1 is at most 5 whenever D0 is 1 and no carry leaves D0.
  void RoundUpAt(int position) {
    while (position > 0 && Digits[position] == 9) Digits[position--] = 0;
    ++Digits[position];
  }
};

// P = v * 10^17, rounded to extended and then to an integer, ties to even;
// v < 16 keeps P below 1.6 * 10^18 < 2^63.
DigitString MakeDigitString(long double mantissa) {
  const long double product = mantissa * PowerOfTenFactor(PowerOfTenStage::Units, 17);
  std::uint64_t whole = static_cast<std::uint64_t>(std::llrint(product));
  DigitString digits{};
  if (whole >= kTenToThe18) {
    digits.Digits[0] = 1;
    whole -= kTenToThe18;
  }
  for (int position = kStoredDigits - 1; position >= 1; --position) {
    digits.Digits[position] = static_cast<std::uint8_t>(whole % 10);
    whole /= 10;
  }
  return digits;
}

// Sign, integer digits and decimals of a magnitude below 2^120, rounded half
// up on the one digit after the last shown.
std::size_t WriteFixedForm(bool negative, ScaledMagnitude scaled, int decimals, char* out) {
  DigitString digits = MakeDigitString(scaled.Mantissa);
  const int lastShown = scaled.Exponent + 1 + decimals;
  if (lastShown < kStoredDigits - 1 && digits.At(lastShown + 1) >= 5) {
    digits.RoundUpAt(lastShown);
  }
  char* next = out;
  if (negative) *next++ = '-';
  const int lastInteger = scaled.Exponent + 1;
  for (int position = digits.Digits[0] == 1 ? 0 : 1; position <= lastInteger; ++position) {
    *next++ = static_cast<char>('0' + digits.At(position));
  }
  if (decimals > 0) {
    *next++ = '.';
    for (int position = lastInteger + 1; position <= lastShown; ++position) {
      *next++ = static_cast<char>('0' + digits.At(position));
    }
  }
  return static_cast<std::size_t>(next - out);
}

// Sign or space, d.ddd with as many digits as the width leaves room for
// (2 to 18), "E+" and the exponent in four digits: " 1.3E+0036".
std::size_t WriteScientificForm(bool negative, ScaledMagnitude scaled, int width, char* out) {
  // A negative width gives the fewest digits; clamping it first keeps the
  // difference from overflowing for the most negative widths.
  const int shown =
      std::clamp(std::max(width, 0) - kScientificFrame, kFewestMantissaDigits, kMostMantissaDigits);
  DigitString digits = MakeDigitString(scaled.Mantissa);
  const int first = digits.Digits[0] == 1 ? 0 : 1;
  if (digits.At(first + shown) >= 5) digits.RoundUpAt(first + shown - 1);
  // A carry into D0 moves the point one place: the exponent grows with it.
  const int start = digits.Digits[0] == 1 ? 0 : 1;
  const int exponent = scaled.Exponent + (start == 0 ? 1 : 0);
  char* next = out;
  *next++ = negative ? '-' : ' ';
  *next++ = static_cast<char>('0' + digits.At(start));
  *next++ = '.';
  for (int position = start + 1; position < start + shown; ++position) {
    *next++ = static_cast<char>('0' + digits.At(position));
  }
  *next++ = 'E';
  *next++ = '+';
  int remaining = exponent;
  for (int place = kExponentDigits - 1; place >= 0; --place) {
    next[place] = static_cast<char>('0' + remaining % 10);
    remaining /= 10;
  }
  next += kExponentDigits;
  return static_cast<std::size_t>(next - out);
}

std::size_t WriteNumberText(long double value, int width, int decimals, char* out) {
  const RealEncoding encoding = ReadEncoding(value);
  if (encoding.Kind == RealKind::NotANumber) {
    std::memcpy(out, "Nan", 3);
    return 3;
  }
  if (encoding.Kind == RealKind::Infinite) {
    std::memcpy(out, encoding.Negative ? "-Inf" : "+Inf", 4);
    return 4;
  }
  const ScaledMagnitude scaled = ScaleToMantissa(std::fabs(value));
  if (scaled.Exponent > kLargestFixedExponent) {
    return WriteScientificForm(encoding.Negative, scaled, width, out);
  }
  return WriteFixedForm(encoding.Negative, scaled, decimals, out);
}

}  // namespace

std::size_t FormatReal(long double value, std::int32_t width, std::int32_t decimals,
                       char (&text)[kRealTextCapacity]) {
  const int fieldWidth = std::min(width, kRealFieldLimit);
  const int shownDecimals = std::clamp(decimals, 0, kDecimalsLimit);
  // The number is built apart and then moved behind its spaces; the widest
  // number, 1 + 37 + 1 + 216 bytes, fills the whole area.
  char number[kRealTextCapacity];
  const std::size_t length = WriteNumberText(value, fieldWidth, shownDecimals, number);
  const std::size_t padding =
      fieldWidth > static_cast<int>(length) ? static_cast<std::size_t>(fieldWidth) - length : 0;
  std::memset(text, ' ', padding);
  std::memcpy(text + padding, number, length);
  return padding + length;
}
