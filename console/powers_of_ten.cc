#include "console/powers_of_ten.h"

#include <cmath>

namespace {

// Each entry is the extended value nearest to the exact power of ten, written
// as a hexadecimal literal so that the compiler cannot round it a second time.
// Up to 10^27 the powers are exact; the test of this table recomputes every
// entry from the exact integer power.

constexpr long double kUnitPowers[kUnitFactorCount] = {
    0x8.000000000000000p-3L,   // 10^0
    0xA.000000000000000p+0L,   // 10^1
    0xC.800000000000000p+3L,   // 10^2
    0xF.A00000000000000p+6L,   // 10^3
    0x9.C40000000000000p+10L,  // 10^4
    0xC.350000000000000p+13L,  // 10^5
    0xF.424000000000000p+16L,  // 10^6
    0x9.896800000000000p+20L,  // 10^7
    0xB.EBC200000000000p+23L,  // 10^8
    0xE.E6B280000000000p+26L,  // 10^9
    0x9.502F90000000000p+30L,  // 10^10
    0xB.A43B74000000000p+33L,  // 10^11
    0xE.8D4A51000000000p+36L,  // 10^12
    0x9.184E72A00000000p+40L,  // 10^13
    0xB.5E620F480000000p+43L,  // 10^14
    0xE.35FA931A0000000p+46L,  // 10^15
    0x8.E1BC9BF04000000p+50L,  // 10^16
    0xB.1A2BC2EC5000000p+53L,  // 10^17
    0xD.E0B6B3A76400000p+56L,  // 10^18
    0x8.AC7230489E80000p+60L,  // 10^19
    0xA.D78EBC5AC620000p+63L,  // 10^20
    0xD.8D726B7177A8000p+66L,  // 10^21
    0x8.78678326EAC9000p+70L,  // 10^22
    0xA.968163F0A57B400p+73L,  // 10^23
    0xD.3C21BCECCEDA100p+76L,  // 10^24
    0x8.4595161401484A0p+80L,  // 10^25
    0xA.56FA5B99019A5C8p+83L,  // 10^26
    0xC.ECB8F27F4200F3Ap+86L,  // 10^27
    0x8.13F3978F8940984p+90L,  // 10^28
    0xA.18F07D736B90BE5p+93L,  // 10^29
    0xC.9F2C9CD04674EDFp+96L,  // 10^30
    0xF.C6F7C4045812296p+99L,  // 10^31
};

constexpr long double kThirtyTwoPowers[kThirtyTwoFactorCount] = {
    0x8.000000000000000p-3L,     // 10^0
    0x9.DC5ADA82B70B59Ep+103L,   // 10^32
    0xC.2781F49FFCFA6D5p+209L,   // 10^64
    0xE.FB3AB16C59B14A3p+315L,   // 10^96
    0x9.3BA47C980E98CE0p+422L,   // 10^128
    0xB.616A12B7FE617AAp+528L,   // 10^160
    0xE.070F78D3927556Bp+634L,   // 10^192
    0x8.A5296FFE33CC930p+741L,   // 10^224
    0xA.A7EEBFB9DF9DE8Ep+847L,   // 10^256
    0xD.226FC195C6A2F8Cp+953L,   // 10^288
    0x8.1842F29F2CCE376p+1060L,  // 10^320
    0x9.FA42700DB900AD2p+1166L,  // 10^352
    0xC.4C5E310AEF8AA17p+1272L,  // 10^384
    0xF.28A9C07E9B09C59p+1378L,  // 10^416
    0x9.57A4AE1EBF7F3D4p+1485L,  // 10^448
    0xB.83ED8DC0795A262p+1591L,  // 10^480
};

constexpr long double kFiveTwelvePowers[kFiveTwelveFactorCount] = {
    0x8.000000000000000p-3L,      // 10^0
    0xE.319A0AEA60E91C7p+1697L,   // 10^512
    0xC.976758681750C17p+3398L,   // 10^1024
    0xB.2B8353B3993A7E4p+5099L,   // 10^1536
    0x9.E8B3B5DC53D5DE5p+6800L,   // 10^2048
    0x8.CA554C020A1F0A6p+8501L,   // 10^2560
    0xF.9895D25D88B5A8Bp+10201L,  // 10^3072
    0xD.D5DC8A2BF27F3F8p+11902L,  // 10^3584
    0xC.46052028A20979Bp+13603L,  // 10^4096
    0xA.E3511626ED559F0p+15304L,  // 10^4608
};

}  // namespace

long double PowerOfTenFactor(PowerOfTenStage stage, int index) {
  switch (stage) {
    case PowerOfTenStage::Units:
      return kUnitPowers[index];
    case PowerOfTenStage::ThirtyTwos:
      return kThirtyTwoPowers[index];
    case PowerOfTenStage::FiveTwelves:
      break;
  }
  return kFiveTwelvePowers[index];
}

ScaledReal MultiplyByPowerOfTen(long double value, int count) {
  // The operands are finite, so an infinite product can only be an overflow
  // of the extended range, never an infinity carried through.
  const long double factors[3] = {kUnitPowers[count % 32], kThirtyTwoPowers[(count / 32) % 16],
                                  kFiveTwelvePowers[count / 512]};
  for (long double factor : factors) {
    if (factor != 1.0L) value *= factor;
  }
  return {value, std::isinf(value)};
}

long double DivideByPowerOfTen(long double value, int count) {
  // Quotients by factors above 1 cannot overflow; they may underflow into the
  // subnormal range or to zero, which is the intended result.
  if (count % 32 != 0) value /= kUnitPowers[count % 32];
  if ((count / 32) % 16 != 0) value /= kThirtyTwoPowers[(count / 32) % 16];
  if (count / 512 != 0) value /= kFiveTwelvePowers[count / 512];
  return value;
}
