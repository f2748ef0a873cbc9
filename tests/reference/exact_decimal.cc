#include "tests/reference/exact_decimal.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <stdexcept>
#include <vector>

namespace exact {

namespace {

// Products and quotients of two significands before their rounding.
__extension__ typedef unsigned __int128 Wide;

// A nonnegative integer of any size, in 32-bit limbs from the lowest up,
// without high zero limbs. Slow and plain on purpose: it is the reference.
class Natural {
 public:
  Natural() = default;
  explicit Natural(Wide value) {
    while (value != 0) {
      Limbs.push_back(static_cast<std::uint32_t>(value));
      value >>= 32;
    }
  }

  bool IsZero() const { return Limbs.empty(); }

  std::int64_t BitLength() const {
    if (Limbs.empty()) return 0;
    return static_cast<std::int64_t>(Limbs.size() - 1) * 32 + (32 - __builtin_clz(Limbs.back()));
  }

  bool Bit(std::int64_t index) const {
    const auto limb = static_cast<std::size_t>(index / 32);
    return limb < Limbs.size() && ((Limbs[limb] >> (index % 32)) & 1) != 0;
  }

  // Whether any of the bits below index is set.
  bool AnyBitBelow(std::int64_t index) const {
    const auto whole = static_cast<std::size_t>(index / 32);
    for (std::size_t limb = 0; limb < whole && limb < Limbs.size(); ++limb) {
      if (Limbs[limb] != 0) return true;
    }
    if (whole >= Limbs.size() || index % 32 == 0) return false;
    return (Limbs[whole] & ((std::uint32_t{1} << (index % 32)) - 1)) != 0;
  }

  // The 64 bits from index upward.
  std::uint64_t BitsFrom(std::int64_t index) const {
    const auto limb = static_cast<std::size_t>(index / 32);
    const int shift = static_cast<int>(index % 32);
    Wide window = 0;
    for (std::size_t i = 0; i < 3; ++i) {
      if (limb + i < Limbs.size()) window |= static_cast<Wide>(Limbs[limb + i]) << (32 * i);
    }
    return static_cast<std::uint64_t>(window >> shift);
  }

  Natural ShiftedLeft(std::int64_t count) const {
    Natural result;
    if (IsZero()) return result;
    result.Limbs.assign(static_cast<std::size_t>(count / 32), 0);
    std::uint32_t carry = 0;
    const int bits = static_cast<int>(count % 32);
    for (std::uint32_t limb : Limbs) {
      result.Limbs.push_back(bits == 0 ? limb : (limb << bits) | carry);
      carry = bits == 0 ? 0 : limb >> (32 - bits);
    }
    if (carry != 0) result.Limbs.push_back(carry);
    return result;
  }

  Natural Plus(const Natural& other) const {
    Natural result;
    std::uint64_t carry = 0;
    for (std::size_t i = 0; i < std::max(Limbs.size(), other.Limbs.size()) || carry != 0; ++i) {
      std::uint64_t sum = carry;
      if (i < Limbs.size()) sum += Limbs[i];
      if (i < other.Limbs.size()) sum += other.Limbs[i];
      result.Limbs.push_back(static_cast<std::uint32_t>(sum));
      carry = sum >> 32;
    }
    return result;
  }

  Natural Times(const Natural& other) const {
    Natural result;
    if (IsZero() || other.IsZero()) return result;
    std::vector<std::uint64_t> sums(Limbs.size() + other.Limbs.size() + 1, 0);
    for (std::size_t i = 0; i < Limbs.size(); ++i) {
      std::uint64_t carry = 0;
      for (std::size_t j = 0; j < other.Limbs.size(); ++j) {
        const std::uint64_t product =
            static_cast<std::uint64_t>(Limbs[i]) * other.Limbs[j] + sums[i + j] + carry;
        sums[i + j] = product & 0xFFFFFFFFu;
        carry = product >> 32;
      }
      sums[i + other.Limbs.size()] += carry;
    }
    for (std::uint64_t limb : sums) result.Limbs.push_back(static_cast<std::uint32_t>(limb));
    while (!result.Limbs.empty() && result.Limbs.back() == 0) result.Limbs.pop_back();
    return result;
  }

 private:
  std::vector<std::uint32_t> Limbs;
};

// A rounding to the extended format: the value, and whether it overflowed.
struct Rounded {
  Extended Value;
  bool Overflow = false;
};

// Rounds the nonnegative value (digits + sticky) × 2^exponent to the extended
// format, to nearest with ties to even, on the subnormal grid below the normal
// range. sticky says that the exact value lies strictly above digits ×
// 2^exponent and below the next multiple; callers that set it give at least
// 65 bits, so the rounding position always lies inside digits.
Rounded RoundToExtended(const Natural& digits, std::int64_t exponent, bool sticky) {
  Rounded result;
  if (digits.IsZero()) {
    if (sticky) throw std::logic_error("sticky bits below an empty significand");
    return result;
  }
  std::int64_t lastBit =
      std::max<std::int64_t>(exponent + digits.BitLength() - 64, kLowestExponent);
  const std::int64_t dropped = lastBit - exponent;
  std::uint64_t significand;
  if (dropped <= 0) {
    if (sticky) throw std::logic_error("sticky bits without a rounding position");
    significand = digits.BitsFrom(0) << -dropped;
  } else {
    significand = digits.BitsFrom(dropped);
    const bool half = digits.Bit(dropped - 1);
    const bool beyondHalf = sticky || digits.AnyBitBelow(dropped - 1);
    if (half && (beyondHalf || (significand & 1) != 0)) {
      ++significand;
      if (significand == 0) {
        significand = std::uint64_t{1} << 63;
        ++lastBit;
      }
    }
  }
  if (significand == 0) return result;
  if (lastBit > kHighestExponent) {
    result.Overflow = true;
    result.Value.Infinite = true;
    return result;
  }
  result.Value.Significand = significand;
  result.Value.Exponent = static_cast<std::int32_t>(lastBit);
  return result;
}

// The operations of the reading and the formatting on nonnegative finite
// values, each rounded once.
Rounded Multiply(const Extended& a, const Extended& b) {
  return RoundToExtended(Natural(a.Significand).Times(Natural(b.Significand)),
                         std::int64_t{a.Exponent} + b.Exponent, false);
}

Rounded Divide(const Extended& a, const Extended& b) {
  if (a.Significand == 0) return {};
  // Two 64-bit steps of long division: at least 65 quotient bits, and the
  // remainder tells whether anything lies below them.
  const Wide high = (static_cast<Wide>(a.Significand) << 64) / b.Significand;
  const Wide rest = (static_cast<Wide>(a.Significand) << 64) % b.Significand;
  const Wide low = (rest << 64) / b.Significand;
  const bool sticky = (rest << 64) % b.Significand != 0;
  const Natural quotient = Natural(high).ShiftedLeft(64).Plus(Natural(low));
  return RoundToExtended(quotient, std::int64_t{a.Exponent} - b.Exponent - 128, sticky);
}

Rounded AddInteger(const Extended& a, unsigned value) {
  const std::int64_t lowest = std::min<std::int64_t>(a.Exponent, 0);
  const Natural sum = Natural(a.Significand)
                          .ShiftedLeft(a.Exponent - lowest)
                          .Plus(Natural(value).ShiftedLeft(-lowest));
  return RoundToExtended(sum, lowest, false);
}

Extended Integer(std::uint64_t value) { return RoundToExtended(Natural(value), 0, false).Value; }

// The extended value nearest to 10^count, from the exact integer.
const Extended& PowerOfTen(int count) {
  static std::map<int, Extended> powers;
  auto found = powers.find(count);
  if (found != powers.end()) return found->second;
  Natural power(1);
  for (int i = 0; i < count; ++i) power = power.Times(Natural(10));
  return powers[count] = RoundToExtended(power, 0, false).Value;
}

// The three factors by which a scale of ten is applied, in their order;
// factors equal to 1 are left out.
std::vector<int> ScaleFactors(int magnitude) {
  std::vector<int> factors;
  if (magnitude % 32 != 0) factors.push_back(magnitude % 32);
  if ((magnitude / 32) % 16 != 0) factors.push_back(32 * ((magnitude / 32) % 16));
  if (magnitude >= 512) factors.push_back(512 * (magnitude / 512));
  return factors;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigit(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

IntegerValue DecimalInteger(std::string_view token) {
  bool negative = false;
  if (!token.empty() && (token[0] == '+' || token[0] == '-')) {
    negative = token[0] == '-';
    token.remove_prefix(1);
  }
  if (token.empty()) return {};
  std::int64_t magnitude = 0;
  for (char c : token) {
    if (!IsDigit(c) || magnitude > 214748364) return {};
    magnitude = magnitude * 10 + (c - '0');
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value > 2147483647 || value < -2147483648LL) return {};
  return {true, static_cast<std::int32_t>(value)};
}

IntegerValue HexadecimalInteger(std::string_view digits) {
  if (digits.empty()) return {};
  std::uint64_t value = 0;
  for (char c : digits) {
    if (HexDigit(c) < 0 || value > 0x0FFFFFFF) return {};
    value = value * 16 + static_cast<unsigned>(HexDigit(c));
  }
  return {true, static_cast<std::int32_t>(static_cast<std::uint32_t>(value))};
}

// The decimal digit string of the formatting: D[0] is the tens digit of the
// scaled value, D[1] its units digit, and every position after D[18] is 0.
struct DigitString {
  int Digits[300] = {};
  bool Negative = false;
  int Exponent = 0;  // E: the value is D0 D1 . D2 ... × 10^E
};

// Adds one at position and carries towards D[0].
void RoundUpAt(DigitString& string, int position) {
  for (int i = position; i >= 0; --i) {
    if (++string.Digits[i] < 10) return;
    string.Digits[i] = 0;
  }
}

DigitString DigitsOf(const Extended& magnitude) {
  DigitString string;
  Extended v = magnitude;
  // Scale down by powers of ten estimated from the binary exponent until the
  // value lies below 16.
  const auto atLeastTen = [](const Extended& x) {
    if (x.Significand == 0 || x.Exponent <= -64) return false;
    if (x.Exponent >= 0) return true;
    return static_cast<Wide>(x.Significand) >= (static_cast<Wide>(10) << -x.Exponent);
  };
  if (atLeastTen(v)) {
    for (;;) {
      const std::int64_t binaryExponent = v.Exponent + (63 - __builtin_clzll(v.Significand));
      const std::int64_t count = binaryExponent * 19728 / 65536;
      if (count == 0) break;
      string.Exponent += static_cast<int>(count);
      for (int factor : ScaleFactors(static_cast<int>(count))) {
        v = Divide(v, PowerOfTen(factor)).Value;
      }
    }
  }
  // P = v × 10^17 in extended, then to an integer with ties to even.
  const Extended product = Multiply(v, PowerOfTen(17)).Value;
  std::uint64_t p = 0;
  if (product.Significand != 0 && product.Exponent >= 0) {
    p = product.Significand << product.Exponent;
  } else if (product.Significand != 0 && product.Exponent >= -64) {
    const int shift = -product.Exponent;
    const Wide whole = static_cast<Wide>(product.Significand) >> shift;
    const Wide fraction = product.Significand - (whole << shift);
    const Wide half = static_cast<Wide>(1) << (shift - 1);
    p = static_cast<std::uint64_t>(whole);
    if (fraction > half || (fraction == half && (p & 1) != 0)) ++p;
  }
  constexpr std::uint64_t kTenTo18 = 1000000000000000000ULL;
  if (p >= kTenTo18) {
    string.Digits[0] = 1;
    p -= kTenTo18;
  }
  for (int i = 18; i >= 1; --i, p /= 10) string.Digits[i] = static_cast<int>(p % 10);
  return string;
}

std::string FixedText(DigitString string, int decimals) {
  const int last = string.Exponent + 1 + decimals;
  if (last < 18 && string.Digits[last + 1] >= 5) RoundUpAt(string, last);
  std::string text = string.Negative ? "-" : "";
  for (int i = string.Digits[0] == 1 ? 0 : 1; i <= string.Exponent + 1; ++i) {
    text += static_cast<char>('0' + string.Digits[i]);
  }
  if (decimals > 0) {
    text += '.';
    for (int i = string.Exponent + 2; i <= last; ++i)
      text += static_cast<char>('0' + string.Digits[i]);
  }
  return text;
}

std::string ScientificText(DigitString string, int fieldWidth) {
  const int count = static_cast<int>(std::clamp<std::int64_t>(std::int64_t{fieldWidth} - 8, 2, 18));
  const int first = string.Digits[0] == 1 ? 0 : 1;
  if (string.Digits[first + count] >= 5) RoundUpAt(string, first + count - 1);
  int exponent = string.Exponent;
  int from = 1;
  if (string.Digits[0] == 1) {
    from = 0;
    ++exponent;
  }
  std::string text = string.Negative ? "-" : " ";
  text += static_cast<char>('0' + string.Digits[from]);
  text += '.';
  for (int i = from + 1; i < from + count; ++i) text += static_cast<char>('0' + string.Digits[i]);
  char digits[16];
  std::snprintf(digits, sizeof digits, "E+%04d", exponent);
  return text + digits;
}

}  // namespace

Extended FromLongDouble(long double value) {
  unsigned char bytes[sizeof(long double)];
  std::memcpy(bytes, &value, sizeof value);
  Extended result;
  std::memcpy(&result.Significand, bytes, 8);
  const unsigned top = bytes[8] | (bytes[9] << 8);
  result.Negative = (top & 0x8000) != 0;
  const int biased = static_cast<int>(top & 0x7FFF);
  if (biased == 0x7FFF) {
    result.Infinite = (result.Significand << 1) == 0;
    result.NotANumber = !result.Infinite;
    result.Significand = 0;
  } else if (biased == 0) {
    result.Exponent = kLowestExponent;
  } else {
    result.Exponent = biased - 16383 - 63;
  }
  if (result.Significand == 0) result.Exponent = 0;
  return result;
}

long double ToLongDouble(const Extended& value) {
  unsigned char bytes[sizeof(long double)] = {};
  unsigned top = value.Negative ? 0x8000 : 0;
  std::uint64_t significand = value.Significand;
  if (value.Infinite || value.NotANumber) {
    top |= 0x7FFF;
    significand = value.Infinite ? std::uint64_t{1} << 63 : std::uint64_t{3} << 62;
  } else if (significand >> 63 != 0) {
    top |= static_cast<unsigned>(value.Exponent + 63 + 16383);
  }
  std::memcpy(bytes, &significand, 8);
  bytes[8] = static_cast<unsigned char>(top);
  bytes[9] = static_cast<unsigned char>(top >> 8);
  long double result;
  std::memcpy(&result, bytes, sizeof result);
  return result;
}

RealValue RealFromToken(std::string_view token) {
  std::size_t at = 0;
  bool negative = false;
  if (at < token.size() && (token[at] == '+' || token[at] == '-')) negative = token[at++] == '-';
  if (at == token.size()) return {};

  // The mantissa digits, accumulated one by one, each step rounded.
  Extended value;
  int fractionDigits = 0;
  bool inFraction = false;
  for (; at < token.size(); ++at) {
    if (token[at] == '.' && !inFraction) {
      inFraction = true;
      continue;
    }
    if (!IsDigit(token[at])) break;
    value = Multiply(value, Integer(10)).Value;
    value = AddInteger(value, static_cast<unsigned>(token[at] - '0')).Value;
    if (inFraction) ++fractionDigits;
  }

  // The exponent; one of ten or more digits saturates.
  std::int64_t exponent = 0;
  if (at < token.size() && (token[at] == 'e' || token[at] == 'E')) {
    ++at;
    bool negativeExponent = false;
    if (at < token.size() && (token[at] == '+' || token[at] == '-')) {
      negativeExponent = token[at++] == '-';
    }
    if (at == token.size()) return {};
    for (; at < token.size() && IsDigit(token[at]); ++at) {
      exponent = std::min<std::int64_t>(exponent * 10 + (token[at] - '0'), 1000000000);
    }
    if (negativeExponent) exponent = -exponent;
  }
  if (at != token.size()) return {};

  RealValue result{true, false, 0.0L};
  const std::int64_t scale = exponent - fractionDigits;
  if (scale >= 5120) {
    value = Extended{};
    value.Infinite = true;
  } else if (scale <= -5120) {
    value = Extended{};
  } else {
    const int magnitude = static_cast<int>(scale < 0 ? -scale : scale);
    for (int factor : ScaleFactors(magnitude)) {
      const Rounded step =
          scale > 0 ? Multiply(value, PowerOfTen(factor)) : Divide(value, PowerOfTen(factor));
      if (step.Overflow) {
        result.Overflow = true;
        break;
      }
      value = step.Value;
    }
  }
  value.Negative = negative;
  result.Value = ToLongDouble(value);
  return result;
}

IntegerValue IntegerFromToken(std::string_view token) {
  for (std::string_view prefix : {"0x", "0X", "$", "x", "X"}) {
    if (token.substr(0, prefix.size()) == prefix) {
      return HexadecimalInteger(token.substr(prefix.size()));
    }
  }
  return DecimalInteger(token);
}

std::string RealText(long double value, std::int32_t width, std::int32_t decimals) {
  const Extended x = FromLongDouble(value);
  const int fieldWidth = std::min(width, 255);
  const int places = std::clamp(decimals, 0, 216);
  std::string text;
  if (x.NotANumber) {
    text = "Nan";
  } else if (x.Infinite) {
    text = x.Negative ? "-Inf" : "+Inf";
  } else {
    Extended magnitude = x;
    magnitude.Negative = false;
    DigitString string = DigitsOf(magnitude);
    string.Negative = x.Negative;
    text = string.Exponent > 35 ? ScientificText(string, fieldWidth) : FixedText(string, places);
  }
  if (width > 0 && text.size() < static_cast<std::size_t>(width)) {
    text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
  }
  return text;
}

}  // namespace exact
