#include "dialogue/integration.h"

#include <cmath>

#include "console/input_stream.h"
#include "console/number_reader.h"
#include "console/output_stream.h"
#include "dialogue/real_arithmetic.h"
#include "dialogue/simpson_core.h"
#include "dialogue/texts.h"
#include "errors/run.h"

std::int32_t IntegrandKind = 0;
double LowerLimit = 0.0;
double UpperLimit = 0.0;

namespace {

// The abscissa of a typed-in value is shown in this field.
constexpr std::int32_t kAbscissaWidth = 5;
constexpr std::int32_t kAbscissaDecimals = 2;

// From this magnitude on the processor's sine reports its argument as out
// of range, and the integrand takes 0 there.
constexpr double kSineArgumentLimit = 0x1p63;

[[noreturn]] __attribute__((noinline)) void RaiseIntegerOverflow() {
  RaiseRunError(RunError::IntegerOverflow, __builtin_return_address(0));
}

double Square(double x) { return StoreReal(static_cast<long double>(x) * x); }

double Sine(double x) {
  if (std::isinf(x)) RaiseInvalidOperation();
  if (std::fabs(x) >= kSineArgumentLimit) return 0.0;
  return std::sin(x);
}

double TypedInValue(double x) {
  WriteText(StandardOutput, kAbscissaLabelText);
  WriteReal(StandardOutput, x, kAbscissaWidth, kAbscissaDecimals);
  WriteText(StandardOutput, kValueLabelText);
  FlushOutput(StandardOutput);
  CheckIO();
  const double y = StoreReading(ReadReal(StandardInput));
  SkipLine(StandardInput);
  CheckIO();
  return y;
}

}  // namespace

double Integrand(double x) {
  switch (IntegrandKind) {
    case kSquareKind:
      return Square(x);
    case kSineKind:
      return Sine(x);
    default:
      return TypedInValue(x);
  }
}

namespace {

// The rule on the given road through its interior pairs; the roads differ in
// speed only.
double SimpsonOnCore(std::int32_t n, double a, double b, SimpsonCore core) {
  // The panel counts in 32-bit arithmetic; only n = 2147483647 overflows, and
  // before anything is evaluated.
  std::int32_t roundedUp;
  if (__builtin_add_overflow(n, 1, &roundedUp)) RaiseIntegerOverflow();
  const std::int32_t halfPanels = roundedUp / 2;
  const long double difference = static_cast<long double>(b) - a;
  std::int32_t panels;
  if (__builtin_mul_overflow(halfPanels, 2, &panels)) RaiseIntegerOverflow();
  const double step = StoreReal(difference / panels);

  // Every store rounds the extended result to double: the abscissa grows by
  // one rounded addition at a time, never as a + i·h, and the weighted sum
  // is rounded at each partial sum, from left to right.
  SimpsonState state{a, Integrand(a)};
  std::int32_t pairs;
  if (__builtin_sub_overflow(halfPanels, 1, &pairs)) RaiseIntegerOverflow();
  state = AdvancePairs(state, step, pairs, core);
  const double x = StoreReal(static_cast<long double>(state.Abscissa) + step);
  double sum = StoreReal(static_cast<long double>(Integrand(x)) * 4 + state.Sum);
  // The last evaluation is at b itself, not at the running abscissa.
  sum = StoreReal(static_cast<long double>(Integrand(b)) + sum);
  return StoreReal(static_cast<long double>(sum) * step / 3);
}

}  // namespace

double Simpson(std::int32_t n, double a, double b) {
  return SimpsonOnCore(n, a, b, PreferredSimpsonCore());
}

double StraightforwardSimpson(std::int32_t n, double a, double b) {
  return SimpsonOnCore(n, a, b, SimpsonCore::Straightforward);
}
