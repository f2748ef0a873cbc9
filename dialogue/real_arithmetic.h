// Storing extended results as doubles, with the floating-point conditions
// that the program traps raised where they arise.
#pragma once

#include <cmath>

#include "console/number_reader.h"

// Raise the trapped condition at the code address that follows the call.
[[noreturn]] void RaiseInvalidOperation();
[[noreturn]] void RaiseFloatOverflow();

// Rounds an extended result to double, as storing it does. No value that the
// program holds is ever a NaN, so a NaN result is an invalid operation of the
// expression that made it (inf - inf, inf * 0, the sine of an infinity); a
// finite result that rounds to an infinity overflows at this store.
// Example: StoreReal(1e400L) raises the overflow, StoreReal(0.1L) is 0.1.
inline double StoreReal(long double value) {
  const double stored = static_cast<double>(value);
  if (__builtin_expect(std::isinf(stored) || std::isnan(stored), 0)) {
    if (std::isnan(value)) RaiseInvalidOperation();
    if (!std::isinf(value)) RaiseFloatOverflow();
  }
  return stored;
}

// Stores a real as read: a scale beyond the extended range overflowed in
// the reading, before any store.
inline double StoreReading(RealReading reading) {
  if (reading.Overflow) RaiseFloatOverflow();
  return StoreReal(reading.Value);
}
