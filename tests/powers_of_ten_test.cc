#include "console/powers_of_ten.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// An extended value as significand * 2^Exponent, the significand's top bit set.
struct Extended {
  std::uint64_t Significand;
  int Exponent;
  bool operator==(const Extended&) const = default;
};

// 10^power exactly, as little-endian 32-bit limbs.
std::vector<std::uint32_t> ExactPowerOfTen(int power) {
  std::vector<std::uint32_t> limbs{1};
  for (int step = 0; step < power; ++step) {
    std::uint64_t carry = 0;
    for (std::uint32_t& limb : limbs) {
      const std::uint64_t product = std::uint64_t{limb} * 10 + carry;
      limb = static_cast<std::uint32_t>(product);
      carry = product >> 32;
    }
    if (carry != 0) limbs.push_back(static_cast<std::uint32_t>(carry));
  }
  return limbs;
}

bool BitAt(const std::vector<std::uint32_t>& limbs, int index) {
  return (limbs[index / 32] >> (index % 32)) & 1;
}

// The integer rounded to a 64-bit significand, to nearest with ties to even.
Extended NearestExtended(const std::vector<std::uint32_t>& limbs) {
  int length = static_cast<int>(limbs.size()) * 32;
  while (!BitAt(limbs, length - 1)) --length;
  const int low = length - 64;
  Extended result{0, low};
  for (int index = length - 1; index >= low; --index) {
    result.Significand = (result.Significand << 1) | (index >= 0 && BitAt(limbs, index));
  }
  if (low <= 0) return result;
  const bool guard = BitAt(limbs, low - 1);
  bool sticky = false;
  for (int index = 0; index < low - 1; ++index) sticky = sticky || BitAt(limbs, index);
  if (guard && (sticky || (result.Significand & 1))) {
    if (++result.Significand == 0) result = {std::uint64_t{1} << 63, low + 1};
  }
  return result;
}

Extended Decompose(long double value) {
  int exponent = 0;
  const long double fraction = std::frexp(value, &exponent);
  return {static_cast<std::uint64_t>(std::ldexp(fraction, 64)), exponent - 64};
}

TEST(PowersOfTen, EachFactorIsTheNearestExtendedValue) {
  struct Stage {
    PowerOfTenStage Kind;
    int Count;
    int Step;
  };
  const Stage stages[] = {
      {PowerOfTenStage::Units, kUnitFactorCount, 1},
      {PowerOfTenStage::ThirtyTwos, kThirtyTwoFactorCount, 32},
      {PowerOfTenStage::FiveTwelves, kFiveTwelveFactorCount, 512},
  };
  for (const Stage& stage : stages) {
    for (int index = 0; index < stage.Count; ++index) {
      SCOPED_TRACE(index * stage.Step);
      const Extended expected = NearestExtended(ExactPowerOfTen(index * stage.Step));
      const Extended actual = Decompose(PowerOfTenFactor(stage.Kind, index));
      EXPECT_EQ(actual.Significand, expected.Significand);
      EXPECT_EQ(actual.Exponent, expected.Exponent);
    }
  }
}

TEST(PowersOfTen, MultiplyReportsLeavingTheExtendedRange) {
  const ScaledReal small = MultiplyByPowerOfTen(1.5L, 3);
  EXPECT_EQ(small.Value, 1500.0L);
  EXPECT_FALSE(small.Overflow);

  // The largest extended value is about 1.19 * 10^4932.
  const ScaledReal largest = MultiplyByPowerOfTen(1.0L, 4932);
  EXPECT_TRUE(std::isfinite(largest.Value));
  EXPECT_FALSE(largest.Overflow);
  const ScaledReal beyond = MultiplyByPowerOfTen(1.0L, 4933);
  EXPECT_TRUE(std::isinf(beyond.Value));
  EXPECT_TRUE(beyond.Overflow);
  const ScaledReal zero = MultiplyByPowerOfTen(0.0L, kScaleLimit - 1);
  EXPECT_EQ(zero.Value, 0.0L);
  EXPECT_FALSE(zero.Overflow);
}

TEST(PowersOfTen, DivideUnderflowsQuietly) {
  EXPECT_EQ(DivideByPowerOfTen(1500.0L, 3), 1.5L);
  // 10^-4950 rounds to three units of the smallest subnormal, 2^-16445.
  EXPECT_EQ(DivideByPowerOfTen(1.0L, 4950), 3 * 0x1p-16445L);
  EXPECT_EQ(DivideByPowerOfTen(1.0L, kScaleLimit - 1), 0.0L);
}

}  // namespace
