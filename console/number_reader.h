// Reading the dialogue's numbers from an input stream: 32-bit integers and
// extended reals, one token at a time.
#pragma once

#include <cstddef>
#include <cstdint>

#include "console/input_stream.h"

// A token is taken whole up to this many bytes; the bytes after it are left
// for the next operation even when they continue the same run.
inline constexpr std::size_t kIntegerTokenLimit = 32;
inline constexpr std::size_t kRealTokenLimit = 64;

// Skips every byte from 0x00 to 0x20 except kEndOfInput, then reads one token
// as a decimal integer ("-12", "+007") or a hexadecimal one ("$1F", "x1F",
// "X1F", "0x1f", "0X1F"; "$FFFFFFFF" is -1). Returns 0 at end of input and
// stores no code. A token that is not a valid 32-bit integer stores 106 and
// returns 0; its bytes are consumed, the byte after it stays unread. Never
// raises, never allocates; never stops early because a code is pending.
std::int32_t ReadInteger(InputStream& stream);

// A real as read: its extended value, and whether scaling it by its power of
// ten left the extended range. Value is then an infinity that the caller
// must report as a floating-point overflow; a scale of 5120 or more gives an
// infinity with Overflow false ("1e5120", "0e5120").
struct RealReading {
  long double Value;
  bool Overflow;
};

// Skips as ReadInteger does, then reads one token of at most 64 bytes as a
// real: optional sign, digits with an optional ".", an optional exponent
// ("1.5", ".5", "5.", ".", "e5", "-0", "1E+03"). The value is formed in
// extended precision: the mantissa digits accumulated one by one, then scaled
// by the powers of ten of console/powers_of_ten.h; "-0" is negative zero, as
// are "-." and "-e5". An exponent of any length saturates, never wraps:
// "1e4294967297" is infinity and "1e-4294967297" zero.
// Returns 0.0 at end of input and stores no code; an invalid token stores 106
// and returns 0.0. Never raises, never allocates.
RealReading ReadReal(InputStream& stream);
