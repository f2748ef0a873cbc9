// The integrand of the chosen kind and the composite Simpson rule over it.
#pragma once

#include <cstdint>

// The menu choice: 1 selects x², 2 selects sin x, every other value the kind
// whose values the user types in at each abscissa.
inline constexpr std::int32_t kSquareKind = 1;
inline constexpr std::int32_t kSineKind = 2;

// The dialogue's state: set once, early in the dialogue, never changed after.
extern std::int32_t IntegrandKind;
extern double LowerLimit;
extern double UpperLimit;

// f(x) for IntegrandKind: x·x formed in extended precision and rounded to
// double; sin x, 0 for |x| >= 2^63; or the value the user types in after the
// prompt "ｘ＝" x "  ｙ＝" (one output and one input statement). Raises the
// floating-point overflow of a result beyond the double range and the invalid
// operation of the sine of an infinity.
double Integrand(double x);

// The composite Simpson approximation of the integral of Integrand from a to
// b over n rounded up to an even number of panels, n >= 1. Integrand is called
// 2m + 1 times, m = (n + 1) div 2: at a, at each interior abscissa built by
// adding the step to the previous one, and at b itself. Raises the integer
// overflow for n = 2147483647 before any evaluation. Allocates nothing.
// Example: x² from 0 to 3 with n = 4 gives exactly 9.
double Simpson(std::int32_t n, double a, double b);

// The same rule in its straightforward form: every step evaluated in extended
// precision and stored, one at a time. Simpson gives the same bits, raises the
// same errors at the same evaluations; the tests compare the two.
double StraightforwardSimpson(std::int32_t n, double a, double b);
