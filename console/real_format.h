// The fixed-point and exponent text of a real with a field width and a number
// of decimals, built in a fixed area.
#pragma once

#include <cstddef>
#include <cstdint>

// The widest text built: a sign, 37 integer digits, the point and 216
// decimals; a wider field gets its further spaces from the caller.
inline constexpr std::int32_t kRealFieldLimit = 255;
inline constexpr std::int32_t kDecimalsLimit = 216;
inline constexpr std::size_t kRealTextCapacity = kRealFieldLimit;
static_assert(1 + 37 + 1 + kDecimalsLimit == kRealFieldLimit);

// Builds the number text of value into text and returns its length, padded
// with spaces in front to min(width, 255) bytes. Magnitudes below 2^120 take
// the fixed form ("0.33333" for 1/3 with 5 decimals, "-0.00" for negative
// zero with 2), larger ones the exponent form (" 1.3E+0036" for 2^120 with
// width 0); infinities give "+Inf" and "-Inf", a NaN "Nan". Decimals above
// 216 count as 216, below 0 as 0. Never allocates.
std::size_t FormatReal(long double value, std::int32_t width, std::int32_t decimals,
                       char (&text)[kRealTextCapacity]);
