#include "console/number_reader.h"

#include <limits>
#include <optional>
#include <span>

#include "console/io_result.h"
#include "console/powers_of_ten.h"

namespace {

using Token = std::span<const unsigned char>;

// Bytes up to this value separate tokens (all but kEndOfInput); every byte
// above it, compared unsigned, belongs to a token.
constexpr unsigned char kLastSeparator = 0x20;
static_assert(kEndOfInput <= kLastSeparator, "the end byte must also end a token");

// Discards separators up to the first byte of a token, which stays unread.
// Returns false when end of input comes first.
bool SkipToToken(InputStream& stream) {
  for (unsigned char byte = PeekByte(stream); byte != kEndOfInput; byte = PeekByte(stream)) {
    if (byte > kLastSeparator) return true;
    ConsumeByte(stream);
  }
  return false;
}

// Appends token bytes to buffer until a separator, which stays unread, or
// until limit bytes are taken; at the limit nothing more is requested, so
// the rest of a longer run is left for the next operation.
Token TakeToken(InputStream& stream, unsigned char* buffer, std::size_t limit) {
  std::size_t length = 0;
  while (length < limit) {
    const unsigned char byte = PeekByte(stream);
    if (byte <= kLastSeparator) break;
    buffer[length++] = byte;
    ConsumeByte(stream);
  }
  return Token(buffer, length);
}

bool IsDecimalDigit(unsigned char byte) { return byte >= '0' && byte <= '9'; }

// The value of a hexadecimal digit in either case, or -1.
int HexadecimalDigitValue(unsigned char byte) {
  if (IsDecimalDigit(byte)) return byte - '0';
  if (byte >= 'a' && byte <= 'f') return byte - 'a' + 10;
  if (byte >= 'A' && byte <= 'F') return byte - 'A' + 10;
  return -1;
}

// The length of a hexadecimal prefix ("$", "x", "X", "0x", "0X") that opens
// the token, or 0 when the token is decimal.
std::size_t HexadecimalPrefixLength(Token token) {
  if (token[0] == '$' || token[0] == 'x' || token[0] == 'X') return 1;
  if (token.size() >= 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X')) return 2;
  return 0;
}

// One or more hexadecimal digits as a 32-bit pattern: "FFFFFFFF" is -1.
// Leading zeros are free; a digit after eight significant ones fails.
std::optional<std::int32_t> ConvertHexadecimal(Token digits) {
  constexpr std::uint32_t kLargestBeforeDigit = 0x0FFFFFFF;
  if (digits.empty()) return std::nullopt;
  std::uint32_t pattern = 0;
  for (unsigned char byte : digits) {
    const int digit = HexadecimalDigitValue(byte);
    if (digit < 0 || pattern > kLargestBeforeDigit) return std::nullopt;
    pattern = pattern * 16 + static_cast<std::uint32_t>(digit);
  }
  return static_cast<std::int32_t>(pattern);
}

// An optional sign and one or more decimal digits, from -2147483648 to
// 2147483647. The magnitude is checked before each digit, so that it stays
// within 10 * 214748364 + 9 and never wraps.
std::optional<std::int32_t> ConvertDecimal(Token token) {
  constexpr std::uint32_t kLargestBeforeDigit = 214748364;
  constexpr std::uint32_t kLargestPositive = 2147483647;
  constexpr std::uint32_t kLargestNegative = 2147483648;
  const bool negative = token[0] == '-';
  const Token digits = token.subspan(token[0] == '-' || token[0] == '+' ? 1 : 0);
  if (digits.empty()) return std::nullopt;
  std::uint32_t magnitude = 0;
  for (unsigned char byte : digits) {
    if (!IsDecimalDigit(byte) || magnitude > kLargestBeforeDigit) return std::nullopt;
    magnitude = magnitude * 10 + (byte - '0');
  }
  if (magnitude > (negative ? kLargestNegative : kLargestPositive)) return std::nullopt;
  return static_cast<std::int32_t>(negative ? 0u - magnitude : magnitude);
}

std::optional<std::int32_t> ConvertInteger(Token token) {
  const std::size_t prefix = HexadecimalPrefixLength(token);
  if (prefix != 0) return ConvertHexadecimal(token.subspan(prefix));
  return ConvertDecimal(token);
}

// An exponent at or above this behaves as any larger one: with fewer than
// kRealTokenLimit digits after the point, its scale is at least kScaleLimit
// (or at most -kScaleLimit), so saturating here gives infinity or zero just
// as the exact exponent would, and a long exponent can never wrap.
constexpr int kExponentSaturation = kScaleLimit + static_cast<int>(kRealTokenLimit);

// The parts of a real token: the mantissa digits accumulated in extended
// precision, and the power of ten that scales them.
struct RealParts {
  bool Negative;
  long double Mantissa;
  int Scale;
};

// Accumulates a run of decimal digits into the mantissa, each multiplication
// by 10 and each addition of a digit rounded to extended. A token holds fewer
// than 65 digits, so the mantissa stays below 10^65, far inside the extended
// range. Returns the number of digits taken.
std::size_t AccumulateDigits(Token token, std::size_t start, long double& mantissa) {
  std::size_t index = start;
  while (index < token.size() && IsDecimalDigit(token[index])) {
    mantissa = mantissa * 10.0L;
    mantissa = mantissa + static_cast<long double>(token[index] - '0');
    ++index;
  }
  return index - start;
}

// Parses sign, mantissa and exponent; fails on a lone sign, an exponent
// letter without digits, or any byte out of place.
std::optional<RealParts> ParseReal(Token token) {
  RealParts parts{token[0] == '-', 0.0L, 0};
  std::size_t index = (token[0] == '-' || token[0] == '+') ? 1 : 0;
  if (index == token.size()) return std::nullopt;
  index += AccumulateDigits(token, index, parts.Mantissa);
  if (index < token.size() && token[index] == '.') {
    ++index;
    const std::size_t fractionDigits = AccumulateDigits(token, index, parts.Mantissa);
    index += fractionDigits;
    parts.Scale = -static_cast<int>(fractionDigits);
  }
  if (index < token.size() && (token[index] == 'e' || token[index] == 'E')) {
    ++index;
    const bool negativeExponent = index < token.size() && token[index] == '-';
    if (index < token.size() && (token[index] == '-' || token[index] == '+')) ++index;
    if (index == token.size() || !IsDecimalDigit(token[index])) return std::nullopt;
    int exponent = 0;
    for (; index < token.size() && IsDecimalDigit(token[index]); ++index) {
      exponent = exponent * 10 + (token[index] - '0');
      if (exponent > kExponentSaturation) exponent = kExponentSaturation;
    }
    parts.Scale += negativeExponent ? -exponent : exponent;
  }
  if (index != token.size()) return std::nullopt;
  return parts;
}

// Scales the mantissa by its power of ten; the sign comes last, so that
// "-0" is negative zero.
RealReading ScaleReal(const RealParts& parts) {
  RealReading reading{parts.Mantissa, false};
  if (parts.Scale >= kScaleLimit) {
    reading.Value = std::numeric_limits<long double>::infinity();
  } else if (parts.Scale <= -kScaleLimit) {
    reading.Value = 0.0L;
  } else if (parts.Scale > 0) {
    const ScaledReal scaled = MultiplyByPowerOfTen(parts.Mantissa, parts.Scale);
    reading = {scaled.Value, scaled.Overflow};
  } else if (parts.Scale < 0) {
    reading.Value = DivideByPowerOfTen(parts.Mantissa, -parts.Scale);
  }
  if (parts.Negative) reading.Value = -reading.Value;
  return reading;
}

}  // namespace

std::int32_t ReadInteger(InputStream& stream) {
  if (!SkipToToken(stream)) return 0;
  unsigned char buffer[kIntegerTokenLimit];
  const std::optional<std::int32_t> value =
      ConvertInteger(TakeToken(stream, buffer, kIntegerTokenLimit));
  if (!value) {
    IOResultCode = kCodeNotANumber;
    return 0;
  }
  return *value;
}

RealReading ReadReal(InputStream& stream) {
  if (!SkipToToken(stream)) return {0.0L, false};
  unsigned char buffer[kRealTokenLimit];
  const std::optional<RealParts> parts = ParseReal(TakeToken(stream, buffer, kRealTokenLimit));
  if (!parts) {
    IOResultCode = kCodeNotANumber;
    return {0.0L, false};
  }
  return ScaleReal(*parts);
}
