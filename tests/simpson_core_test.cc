// The speculative Simpson core against the straightforward form of the rule:
// the same bits for every (a, b, n), the same error class on every error road.
// SIMPSON_LONG_DIFFERENTIAL=1 in the environment widens the random sample to
// a million cases.

#include "dialogue/simpson_core.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "dialogue/integration.h"
#include "errors/exceptions.h"
#include "errors/stop.h"

namespace {

// What one run of the rule gave: the bits of S, or the class of the error.
struct Outcome {
  std::uint64_t Bits = 0;
  std::string Error;
  bool operator==(const Outcome&) const = default;
};

void PrintTo(const Outcome& outcome, std::ostream* out) {
  if (outcome.Error.empty()) {
    double value;
    std::memcpy(&value, &outcome.Bits, sizeof value);
    *out << std::hexfloat << value;
  } else {
    *out << outcome.Error;
  }
}

std::uint64_t BitsOf(double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

template <typename Run>
Outcome Capture(Run run) {
  Outcome outcome;
  try {
    outcome.Bits = BitsOf(run());
  } catch (const RaisedException& raised) {
    outcome.Error = raised.Object->ClassName();
    if (raised.Object != OutOfMemoryObject && raised.Object != InvalidPointerObject) {
      delete raised.Object;
    }
  }
  return outcome;
}

Outcome RunRule(double (*rule)(std::int32_t, double, double), std::int32_t kind, std::int32_t n,
                double a, double b) {
  IntegrandKind = kind;
  return Capture([&] { return rule(n, a, b); });
}

// The pairs loop alone from a chosen state, on one core; the result is the
// abscissa's bits folded into the sum's, so that both are compared.
Outcome RunPairs(SimpsonCore core, std::int32_t kind, SimpsonState state, double step,
                 std::int32_t pairs) {
  IntegrandKind = kind;
  SimpsonState end{};
  Outcome outcome = Capture([&] {
    end = AdvancePairs(state, step, pairs, core);
    return end.Sum;
  });
  outcome.Bits ^= BitsOf(end.Abscissa) * 0x9E3779B97F4A7C15u;
  return outcome;
}

class SimpsonCoreTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { InstallExceptionSupport(); }
  void SetUp() override {
    if (PreferredSimpsonCore() != SimpsonCore::Speculative) {
      GTEST_SKIP() << "the processor has no AVX2 and FMA; Simpson is the straightforward form";
    }
  }
};

struct RuleCase {
  std::int32_t Kind;
  double Lower;
  double Upper;
  std::int32_t Divisions;
};

void ExpectSameAsStraightforward(const RuleCase& c) {
  EXPECT_EQ(RunRule(Simpson, c.Kind, c.Divisions, c.Lower, c.Upper),
            RunRule(StraightforwardSimpson, c.Kind, c.Divisions, c.Lower, c.Upper))
      << "kind " << c.Kind << std::hexfloat << " a " << c.Lower << " b " << c.Upper << " n "
      << c.Divisions;
}

TEST_F(SimpsonCoreTest, MatchesTheStraightforwardFormOnChosenIntervals) {
  const RuleCase cases[] = {
      {kSquareKind, 0, 1, 100000},
      {kSquareKind, 0, 3, 4},
      {kSquareKind, 1, 0, 4097},       // a > b: the abscissae decrease
      {kSquareKind, -1, 1, 10000},     // across zero, through x = 0 exactly
      {kSquareKind, -0.3, 0.7, 9999},  // across zero between abscissae
      {kSquareKind, 2.5, 2.5, 1000},   // a = b: 2m + 1 evaluations at one point
      {kSquareKind, 0, 0, 1000},
      {kSquareKind, -0.0, -0.0, 1000},
      {kSquareKind, 0, 1e-305, 10000},      // subnormal step, squares underflow to 0
      {kSquareKind, 1e-160, 3e-160, 5000},  // squares in the subnormal range
      {kSquareKind, -1e-300, 1e-300, 300},
      {kSquareKind, 1e150, 1.3e154, 777},  // squares up to the overflow bound
      {kSquareKind, 1e13, -1e13, 65536},
      {kSquareKind, 1, 1 + 0x1p-40, 100000},        // steps far below the abscissa's unit
      {kSquareKind, 0x1p52, 0x1p52 + 1e6, 200000},  // steps near the abscissa's unit
      {kSquareKind, 0, 1, 2147483},
      {kSineKind, 0, 3.14159265358979, 100000},
      {kSineKind, 3.14159265358979, 0, 1001},
      {kSineKind, -1, -1, 300},         // a negative zero sum: S = -0
      {kSineKind, -100, 100, 77777},    // sums that change sign
      {kSineKind, 1e19, 2e19, 1000},    // every abscissa beyond 2^63
      {kSineKind, 9e18, 9.3e18, 1000},  // crossing 2^63
      {kSineKind, 0, 1e-310, 1000},
      {kSineKind, -DBL_MAX, DBL_MAX, 1000},  // b - a beyond the double range
      {kSineKind, 1e300, 1.1e300, 5000},
  };
  for (const RuleCase& c : cases) ExpectSameAsStraightforward(c);
}

TEST_F(SimpsonCoreTest, RaisesTheSameErrorOnEveryErrorRoad) {
  struct ErrorCase {
    RuleCase Rule;
    const char* Error;
  };
  const ErrorCase cases[] = {
      {{kSquareKind, 1e153, 2e154, 10000}, "EOverflow"},      // a square overflows mid-run
      {{kSquareKind, 1e152, 1e152, 40000}, "EOverflow"},      // the sum, after many blocks
      {{kSquareKind, 2e154, 3e154, 1000}, "EOverflow"},       // at the first evaluation
      {{kSquareKind, -INFINITY, 0, 1000}, "EInvalidOp"},      // inf - inf in the abscissa
      {{kSineKind, 0, INFINITY, 1000}, "EInvalidOp"},         // the sine of an infinity
      {{kSineKind, INFINITY, INFINITY, 1000}, "EInvalidOp"},  // inf - inf in the difference
      {{kSquareKind, 0, INFINITY, 1000}, ""},                 // no error: S = +Inf
  };
  for (const ErrorCase& c : cases) {
    const RuleCase& r = c.Rule;
    EXPECT_EQ(RunRule(StraightforwardSimpson, r.Kind, r.Divisions, r.Lower, r.Upper).Error, c.Error)
        << r.Lower << " " << r.Upper;
    ExpectSameAsStraightforward(r);
  }
}

// Steps whose extended sum lands just short of a midpoint between doubles,
// so that the extended-then-double rounding differs from a single one.
TEST_F(SimpsonCoreTest, TakesTheDoubleRoundingAtMidpoints) {
  struct PairsCase {
    double Abscissa;
    double Sum;
    double Step;
  };
  const PairsCase cases[] = {
      // 1 + 2^-52 is odd: 2^-53 - 2^-66 more rounds to the midpoint in
      // extended, then up to the even neighbour.
      {1 + 0x1p-52, 1000, 0x1p-53 - 0x1p-66}, {-(1 + 0x1p-52), 1000, -(0x1p-53 - 0x1p-66)},
      {3 + 0x1p-51, 1e6, 0x1p-52 - 0x1p-65},  {1 + 0x1p-52, 1000, 0x1p-53 + 0x1p-66},
      {1 + 0x1p-52, 1000, 0x1p-53},  // exact ties: both roundings agree
      {0x1p60, 0x1p140, 0x1p7 - 0x1p-6},
  };
  for (const PairsCase& c : cases) {
    for (std::int32_t kind : {kSquareKind, kSineKind}) {
      const SimpsonState state{c.Abscissa, c.Sum};
      EXPECT_EQ(RunPairs(SimpsonCore::Speculative, kind, state, c.Step, 1000),
                RunPairs(SimpsonCore::Straightforward, kind, state, c.Step, 1000))
          << std::hexfloat << c.Abscissa << " " << c.Step;
    }
  }
}

// A double of random sign, significand and exponent in [low, high].
double RandomDouble(std::mt19937_64& random, int low, int high) {
  std::uniform_int_distribution<int> exponent(low, high);
  std::uniform_real_distribution<double> significand(1.0, 2.0);
  const double value = std::ldexp(significand(random), exponent(random));
  return random() % 2 == 0 ? value : -value;
}

// Random intervals in every regime: ordinary, tiny, huge, near one point,
// across zero; n from a few blocks to a few hundred.
RuleCase RandomCase(std::mt19937_64& random) {
  RuleCase c{};
  c.Kind = random() % 2 == 0 ? kSquareKind : kSineKind;
  switch (random() % 5) {
    case 0:
      c.Lower = RandomDouble(random, -4, 4);
      c.Upper = RandomDouble(random, -4, 4);
      break;
    case 1:
      c.Lower = RandomDouble(random, -1074, 1023);
      c.Upper = RandomDouble(random, -1074, 1023);
      break;
    case 2:
      c.Lower = RandomDouble(random, 500, 514);
      c.Upper = c.Lower + RandomDouble(random, 480, 514);
      break;
    case 3:
      c.Lower = RandomDouble(random, -20, 60);
      c.Upper = c.Lower + c.Lower * RandomDouble(random, -60, -30);
      break;
    default:
      c.Lower = RandomDouble(random, -1030, -900);
      c.Upper = RandomDouble(random, -1030, -900);
      break;
  }
  c.Divisions = 64 + static_cast<std::int32_t>(random() % 600);
  return c;
}

TEST_F(SimpsonCoreTest, MatchesTheStraightforwardFormOnRandomIntervals) {
  const char* wide = std::getenv("SIMPSON_LONG_DIFFERENTIAL");
  const int count = wide != nullptr && std::string(wide) == "1" ? 1000000 : 3000;
  std::mt19937_64 random(20261211);
  for (int i = 0; i < count; ++i) {
    const RuleCase c = RandomCase(random);
    ExpectSameAsStraightforward(c);
    if (HasFailure()) break;
  }
}

// Sine runs of many blocks over ordinary intervals, where a few steps per
// thousand land near a midpoint: the blocks are repaired in place and the
// rest of each evaluated again.
TEST_F(SimpsonCoreTest, MatchesTheStraightforwardFormOnLongSineRuns) {
  const char* wide = std::getenv("SIMPSON_LONG_DIFFERENTIAL");
  const int count = wide != nullptr && std::string(wide) == "1" ? 20000 : 200;
  std::mt19937_64 random(20261212);
  std::uniform_real_distribution<double> limit(-10.0, 10.0);
  std::uniform_int_distribution<std::int32_t> divisions(1000, 20000);
  for (int i = 0; i < count; ++i) {
    ExpectSameAsStraightforward({kSineKind, limit(random), limit(random), divisions(random)});
    if (HasFailure()) break;
  }
}

}  // namespace
