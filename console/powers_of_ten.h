// The powers of ten that scale decimal numbers in extended precision; reading
// and formatting use the same factors in the same order.
#pragma once

// Scale counts from here on are outside the extended range: reading turns a
// larger scale into infinity or zero before any factor is applied.
inline constexpr int kScaleLimit = 5120;

// A count c is applied as three factors, in this order: 10^(c mod 32),
// 10^(32 * ((c div 32) mod 16)) and 10^(512 * (c div 512)).
enum class PowerOfTenStage { Units, ThirtyTwos, FiveTwelves };
inline constexpr int kUnitFactorCount = 32;
inline constexpr int kThirtyTwoFactorCount = 16;
inline constexpr int kFiveTwelveFactorCount = 10;
static_assert((kScaleLimit - 1) / 512 < kFiveTwelveFactorCount);

// The factor of a stage: for Units 10^index, for ThirtyTwos 10^(32 * index),
// for FiveTwelves 10^(512 * index), each the extended value nearest to it.
long double PowerOfTenFactor(PowerOfTenStage stage, int index);

// A product and whether it left the extended range on the way (the value is
// then an infinity).
struct ScaledReal {
  long double Value;
  bool Overflow;
};

// value * 10^count for 0 <= count < kScaleLimit and a finite value, each of the
// up to three multiplications rounded to extended. Example: 1.5 and 3 give 1500.
ScaledReal MultiplyByPowerOfTen(long double value, int count);

// value / 10^count for 0 <= count < kScaleLimit, each of the up to three
// divisions rounded to extended; never overflows.
long double DivideByPowerOfTen(long double value, int count);
