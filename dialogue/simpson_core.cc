#include "dialogue/simpson_core.h"

#include <immintrin.h>

#include <cmath>
#include <cstring>

#include "dialogue/integration.h"
#include "dialogue/real_arithmetic.h"

// How the speculative road stays exact.
//
// Each stored value of the rule is RN53(RN64(v)) for the exact result v of
// one operation on doubles (a sum, a square, 4·f + s with 4·f exact). That
// equals the single rounding RN53(v) that SSE arithmetic gives, except when
// RN64(v) lands on a midpoint m between two doubles that v itself is not on.
// Then |v - m| is at most half the 64-bit spacing at m, 2^-11 of half the
// double gap g around m, so the exact error e = v - RN53(v) has
// |e| >= (g/2)(1 - 2^-11). Widening e by c = 1 + 2^-11 + 2^-21 carries it past
// the midpoint, so RN53(RN53(v) + c·e), one fused operation, differs from
// RN53(v). Where it does not, the speculated value is exact. Where it does
// (about one step in a thousand on random data), the step is recomputed in
// extended precision from its speculated inputs. A real difference (about one
// step in four thousand) is repaired: that step takes the exact value and the
// rest of its block is speculated again. A value that is not finite, or a
// block whose guard fails, sends the block back to the straightforward road
// from its last exact pair, which raises what the straightforward form raises
// at the same evaluation. Since every check uses the speculated inputs of its
// own step, the checks do not depend on one another and run at the
// processor's throughput beside the two dependency chains, abscissa and sum.
//
// The exact errors come from error-free transformations: Fast2Sum for
// x + step and for s + 4·f (a per-block guard makes sure the first operand is
// never the smaller one), TwoSum for s + 4·sin x, and a fused multiply-subtract
// for x·x (a per-block guard keeps x² out of the range where its error would
// underflow).

namespace {

// A block is checked whole before it is committed. 32 pairs keep the two
// buffers of the pipeline well inside the first-level cache, the work that a
// repair speculates again short, and the cost of the per-block guards small.
constexpr std::int32_t kBlockPairs = 32;
constexpr std::int32_t kBlockAbscissae = 2 * kBlockPairs;
// Doubles in one AVX2 register; a loop step of the pipeline handles two.
constexpr std::int32_t kLanes = 4;
constexpr std::int32_t kPipelineStride = 2 * kLanes;
static_assert(kBlockAbscissae % kPipelineStride == 0);

constexpr double kOddWeight = 4.0;
constexpr double kEvenWeight = 2.0;

// c of the midpoint filter above: (1 - 2^-11)·c > 1.
constexpr double kMidpointWidening = 1.0 + 0x1p-11 + 0x1p-21;

// From |x| >= 2^-484 on, x² >= 2^-968 and the error of the rounded square is
// itself a double (it needs 53 bits below the square's exponent).
constexpr double kSmallestExactSquareRoot = 0x1p-484;

// The rule over one block. Index 0 holds the exact state before the block;
// index j the abscissa and the sum after the j-th evaluation of the block,
// speculated until the block is checked.
struct Block {
  double Abscissa[kBlockAbscissae + 1];
  double Sum[kBlockAbscissae + 1];
};

void StartBlock(Block& block, SimpsonState state) {
  block.Abscissa[0] = state.Abscissa;
  block.Sum[0] = state.Sum;
}

SimpsonState BlockEnd(const Block& block) {
  return {block.Abscissa[kBlockAbscissae], block.Sum[kBlockAbscissae]};
}

double WeightOf(std::int32_t index) { return index % 2 == 1 ? kOddWeight : kEvenWeight; }

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The stored results of the straightforward road, without its raising: a
// value that would raise comes out infinite or NaN here.
double ExtendedSum(double x, double step) {
  return static_cast<double>(static_cast<long double>(x) + step);
}
double ExtendedSquare(double x) { return static_cast<double>(static_cast<long double>(x) * x); }
double ExtendedWeightedSum(double value, double weight, double sum) {
  return static_cast<double>(static_cast<long double>(value) * weight + sum);
}

// Every block index is below this; returned when each step is proven exact.
constexpr std::int32_t kAllProven = kBlockAbscissae + 1;
// Returned when a block's guard fails and no step of it is proven.
constexpr std::int32_t kNoneProven = 0;

// Ends a block whose step at index unproven could not be proven: the pairs
// before it stand, and the rest of the block's blockPairs are taken the
// straightforward way from the last of them, so that an error is raised at
// the evaluation where the straightforward form raises it.
SimpsonState FinishFromLastExactPair(const double* abscissae, const double* sums,
                                     std::int32_t unproven, double step, std::int32_t blockPairs) {
  const std::int32_t exactPairs = unproven == kNoneProven ? 0 : (unproven - 1) / 2;
  const SimpsonState exact{abscissae[2 * exactPairs], sums[2 * exactPairs]};
  return AdvancePairsStraightforward(exact, step, blockPairs - exactPairs);
}

// Of the indices first + i for each bit i of lanes, the first whose x² step
// (abscissa, square and sum) is not exactly the straightforward one built
// from its speculated predecessors, or whose values are not finite;
// kAllProven when there is none.
__attribute__((noinline, cold)) std::int32_t FirstInexactSquareStep(const Block& block, double step,
                                                                    std::int32_t first,
                                                                    unsigned lanes) {
  for (; lanes != 0; lanes &= lanes - 1) {
    const std::int32_t j = first + __builtin_ctz(lanes);
    const double x = block.Abscissa[j];
    if (!std::isfinite(x) || !SameBits(x, ExtendedSum(block.Abscissa[j - 1], step))) return j;
    const double square = ExtendedSquare(x);
    const double sum = block.Sum[j];
    if (!std::isfinite(square) || !std::isfinite(sum) ||
        !SameBits(sum, ExtendedWeightedSum(square, WeightOf(j), block.Sum[j - 1]))) {
      return j;
    }
  }
  return kAllProven;
}

// The abscissae of a block run monotonically from index 0 to its end, so
// their magnitudes are bounded by the two ends when both lie on one side of
// zero. Fast2Sum of x + step is then exact at every step when the nearer end
// is at least |step| from zero.
bool AbscissaGuardHolds(double first, double last, double step) {
  const bool oneSide = (first >= 0 && last >= 0) || (first <= 0 && last <= 0);
  return oneSide && std::fabs(first) >= std::fabs(step) && std::fabs(last) >= std::fabs(step);
}

bool AbscissaGuardHolds(const Block& block, double step) {
  return AbscissaGuardHolds(block.Abscissa[0], block.Abscissa[kBlockAbscissae], step);
}

// For x² on top of the abscissa guard: every square's error is a double, and
// the sum, which never decreases, is at the block's start already at least
// the largest weighted square, so Fast2Sum of s + 4·f is exact.
bool SquareGuardHolds(const Block& block, double step) {
  if (!AbscissaGuardHolds(block, step)) return false;
  const double first = block.Abscissa[0];
  const double last = block.Abscissa[kBlockAbscissae];
  const bool allZero = first == 0 && last == 0;
  const bool squaresExact = (std::fabs(first) >= kSmallestExactSquareRoot &&
                             std::fabs(last) >= kSmallestExactSquareRoot) ||
                            allZero;
  const double largestSquare = std::fmax(first * first, last * last);
  return squaresExact && block.Sum[0] >= largestSquare * kOddWeight;
}

#define SIMPSON_SPECULATIVE_TARGET __attribute__((target("avx2,fma")))

// The lanes whose abscissa, square or sum step may not be exact, for x².
SIMPSON_SPECULATIVE_TARGET inline unsigned SquareLanesToCheck(const Block& block, std::int32_t j,
                                                              __m256d steps, __m256d weights,
                                                              __m256d widening) {
  const __m256d x = _mm256_loadu_pd(block.Abscissa + j);
  const __m256d previousX = _mm256_loadu_pd(block.Abscissa + j - 1);
  const __m256d xError = _mm256_sub_pd(steps, _mm256_sub_pd(x, previousX));
  __m256d ok = _mm256_cmp_pd(_mm256_fmadd_pd(xError, widening, x), x, _CMP_EQ_OQ);

  const __m256d square = _mm256_mul_pd(x, x);
  const __m256d squareError = _mm256_fmsub_pd(x, x, square);
  ok = _mm256_and_pd(
      ok, _mm256_cmp_pd(_mm256_fmadd_pd(squareError, widening, square), square, _CMP_EQ_OQ));

  const __m256d sum = _mm256_loadu_pd(block.Sum + j);
  const __m256d previousSum = _mm256_loadu_pd(block.Sum + j - 1);
  // 4·f is exact, so one fused operation gives Fast2Sum's exact error.
  const __m256d sumError = _mm256_fmsub_pd(square, weights, _mm256_sub_pd(sum, previousSum));
  ok = _mm256_and_pd(ok, _mm256_cmp_pd(_mm256_fmadd_pd(sumError, widening, sum), sum, _CMP_EQ_OQ));
  return static_cast<unsigned>(_mm256_movemask_pd(ok)) ^ 0xFu;
}

// The weights of four consecutive evaluations starting at an odd index.
SIMPSON_SPECULATIVE_TARGET inline __m256d LaneWeights() {
  return _mm256_setr_pd(kOddWeight, kEvenWeight, kOddWeight, kEvenWeight);
}

// The weights of four consecutive evaluations from index j on.
SIMPSON_SPECULATIVE_TARGET inline __m256d LaneWeightsFrom(std::int32_t j) {
  return j % 2 == 1 ? LaneWeights()
                    : _mm256_setr_pd(kEvenWeight, kOddWeight, kEvenWeight, kOddWeight);
}

// Both chains of x² over the block in double arithmetic, from (x, sum), which
// are left at the block's end: what the straightforward road computes, with
// single roundings. When previous is given, its steps are checked in the same
// loop, off the two chains' path; the result is the first index of previous
// not proven exact (kAllProven when all are), and the block is left
// unfinished after a failure. The chains stay in registers from block to block.
SIMPSON_SPECULATIVE_TARGET __attribute__((always_inline)) inline std::int32_t SpeculateSquareBlock(
    Block& block, double step, double& x, double& sum, const Block* previous) {
  StartBlock(block, {x, sum});
  const __m256d steps = _mm256_set1_pd(step);
  const __m256d weights = LaneWeights();
  const __m256d widening = _mm256_set1_pd(kMidpointWidening);
  for (std::int32_t j = 1; j <= kBlockAbscissae; j += kPipelineStride) {
    for (std::int32_t i = j; i < j + kPipelineStride; i += 2) {
      x += step;
      block.Abscissa[i] = x;
      sum += x * x * kOddWeight;
      block.Sum[i] = sum;
      x += step;
      block.Abscissa[i + 1] = x;
      sum += x * x * kEvenWeight;
      block.Sum[i + 1] = sum;
    }
    if (previous != nullptr) {
      const unsigned lanes = SquareLanesToCheck(*previous, j, steps, weights, widening) |
                             SquareLanesToCheck(*previous, j + kLanes, steps, weights, widening)
                                 << kLanes;
      if (__builtin_expect(lanes != 0, 0)) {
        const std::int32_t inexact = FirstInexactSquareStep(*previous, step, j, lanes);
        if (inexact != kAllProven) return inexact;
      }
    }
  }
  return kAllProven;
}

// The chains of x² again from index first to the block's end.
void RespeculateSquareBlock(Block& block, double step, std::int32_t first) {
  double x = block.Abscissa[first - 1];
  double sum = block.Sum[first - 1];
  for (std::int32_t j = first; j <= kBlockAbscissae; ++j) {
    x += step;
    block.Abscissa[j] = x;
    sum += x * x * WeightOf(j);
    block.Sum[j] = sum;
  }
}

// The first index from first on not proven exact, for a block on its own.
SIMPSON_SPECULATIVE_TARGET std::int32_t FirstUnprovenSquareStep(const Block& block, double step,
                                                                std::int32_t first) {
  if (!SquareGuardHolds(block, step)) return kNoneProven;
  const __m256d steps = _mm256_set1_pd(step);
  const __m256d widening = _mm256_set1_pd(kMidpointWidening);
  for (std::int32_t j = first; j <= kBlockAbscissae; j += kLanes) {
    // The last group may reach back over lanes already proven.
    const std::int32_t group = j + kLanes - 1 <= kBlockAbscissae ? j : kBlockAbscissae - kLanes + 1;
    const unsigned lanes =
        SquareLanesToCheck(block, group, steps, LaneWeightsFrom(group), widening);
    if (lanes != 0) {
      const std::int32_t inexact = FirstInexactSquareStep(block, step, group, lanes);
      if (inexact != kAllProven) return inexact;
    }
  }
  return kAllProven;
}

// Makes a block exact from the first unproven index on and returns its end:
// the exact step is taken there and the rest speculated and checked again.
// A block whose guard fails, or that meets a value the straightforward road
// would raise on, is taken straightforwardly from the last exact pair.
__attribute__((noinline)) SimpsonState RepairSquareBlock(Block& block, double step,
                                                         std::int32_t unproven) {
  while (unproven != kAllProven && unproven != kNoneProven) {
    const std::int32_t j = unproven;
    const double x = ExtendedSum(block.Abscissa[j - 1], step);
    const double square = ExtendedSquare(x);
    const double sum = ExtendedWeightedSum(square, WeightOf(j), block.Sum[j - 1]);
    if (!std::isfinite(x) || !std::isfinite(square) || !std::isfinite(sum)) break;
    block.Abscissa[j] = x;
    block.Sum[j] = sum;
    if (j == kBlockAbscissae) {
      unproven = SquareGuardHolds(block, step) ? kAllProven : kNoneProven;
    } else {
      RespeculateSquareBlock(block, step, j + 1);
      unproven = FirstUnprovenSquareStep(block, step, j + 1);
    }
  }
  if (unproven == kAllProven) return BlockEnd(block);
  return FinishFromLastExactPair(block.Abscissa, block.Sum, unproven, step, kBlockPairs);
}

SIMPSON_SPECULATIVE_TARGET SimpsonState AdvanceSquarePairsSpeculatively(SimpsonState state,
                                                                        double step,
                                                                        std::int32_t pairs) {
  // A two-stage pipeline: while one block is speculated, the one before it is
  // checked. A block found inexact is repaired, and the block after it is
  // speculated again from the repaired end.
  Block blocks[2];
  Block* current = &blocks[0];
  Block* next = &blocks[1];
  double x = state.Abscissa;
  double sum = state.Sum;
  std::int32_t blocksLeft = pairs / kBlockPairs;
  if (blocksLeft > 0) {
    SpeculateSquareBlock(*current, step, x, sum, nullptr);
    for (;;) {
      const bool last = --blocksLeft == 0;
      std::int32_t unproven = kNoneProven;
      if (last) {
        unproven = FirstUnprovenSquareStep(*current, step, 1);
      } else if (SquareGuardHolds(*current, step)) {
        unproven = SpeculateSquareBlock(*next, step, x, sum, current);
      }
      if (__builtin_expect(unproven != kAllProven, 0)) {
        const SimpsonState end = RepairSquareBlock(*current, step, unproven);
        x = end.Abscissa;
        sum = end.Sum;
        if (!last) SpeculateSquareBlock(*next, step, x, sum, nullptr);
      }
      if (last) break;
      Block* checked = current;
      current = next;
      next = checked;
    }
  }
  return AdvancePairsStraightforward({x, sum}, step, pairs % kBlockPairs);
}

// Sine blocks are longer than the square's: the per-block work (the guards
// and the one branch on the gathered checks) is spread over more
// evaluations, while a repair, which evaluates the rest of its block again,
// stays rare (a few blocks in a hundred).
constexpr std::int32_t kSineBlockPairs = 64;
constexpr std::int32_t kSineBlockAbscissae = 2 * kSineBlockPairs;
static_assert(kSineBlockAbscissae % kLanes == 0);
constexpr std::int32_t kSineAllProven = kSineBlockAbscissae + 1;
// Repairs of one block before the rest of it is taken straightforwardly.
constexpr std::int32_t kSineRepairLimit = 3;

// The rule over one block of sines, as Block, with the integrand value at
// each abscissa (index 0 unused).
struct SineBlock {
  double Abscissa[kSineBlockAbscissae + 1];
  double Sum[kSineBlockAbscissae + 1];
  double Value[kSineBlockAbscissae + 1];
};

// From this magnitude on the processor's sine reports its argument as out of
// range, and the integrand takes 0 there.
constexpr double kSineArgumentLimit = 0x1p63;

// A block starting at |x| <= 2^62 with |step| <= 2^52 stays below 2^63 in
// every abscissa, speculated or exact, however its steps round; there
// Integrand's sin x is the library's sine of the abscissa, with no check.
constexpr double kSineBlockStartLimit = 0x1p62;
constexpr double kSineBlockStepLimit = 0x1p52;

bool SineRangeHolds(double x, double step) {
  return std::fabs(x) <= kSineBlockStartLimit && std::fabs(step) <= kSineBlockStepLimit;
}

// Integrand's sin x for a finite x, called directly.
double SineOfFinite(double x) { return std::fabs(x) >= kSineArgumentLimit ? 0.0 : std::sin(x); }

// Both chains and the sines of a block in double arithmetic from index first
// to its end, each step built from the stored values before it. Nothing but
// the block lives across the calls of the sine, so the loop is the bare loop
// with three stores more. Needs SineRangeHolds at the block's start.
void SpeculateSines(SineBlock& block, double step, std::int32_t first) {
  std::int32_t j = first;
  double x = block.Abscissa[j - 1];
  double sum = block.Sum[j - 1];
  if (j % 2 == 0) {
    x += step;
    block.Abscissa[j] = x;
    const double value = std::sin(x);
    block.Value[j] = value;
    sum += value * kEvenWeight;
    block.Sum[j] = sum;
    ++j;
  }
  for (; j < kSineBlockAbscissae; j += 2) {
    x += step;
    block.Abscissa[j] = x;
    const double oddValue = std::sin(x);
    block.Value[j] = oddValue;
    sum += oddValue * kOddWeight;
    block.Sum[j] = sum;
    x += step;
    block.Abscissa[j + 1] = x;
    const double evenValue = std::sin(x);
    block.Value[j + 1] = evenValue;
    sum += evenValue * kEvenWeight;
    block.Sum[j + 1] = sum;
  }
}

// The sum chain alone from index first on, over the block's values.
void SpeculateSineSums(SineBlock& block, std::int32_t first) {
  for (std::int32_t j = first; j <= kSineBlockAbscissae; ++j) {
    block.Sum[j] = block.Sum[j - 1] + block.Value[j] * WeightOf(j);
  }
}

// All ones in the lanes of indices j to j + 3 whose abscissa step and sum
// step are proven exact by the midpoint filter (TwoSum for the sum: the
// values change sign, so either operand may be the larger).
SIMPSON_SPECULATIVE_TARGET inline __m256d SineLanesProven(const SineBlock& block, std::int32_t j,
                                                          __m256d steps, __m256d weights,
                                                          __m256d widening) {
  const __m256d x = _mm256_loadu_pd(block.Abscissa + j);
  const __m256d previousX = _mm256_loadu_pd(block.Abscissa + j - 1);
  const __m256d xError = _mm256_sub_pd(steps, _mm256_sub_pd(x, previousX));
  const __m256d xOk = _mm256_cmp_pd(_mm256_fmadd_pd(xError, widening, x), x, _CMP_EQ_OQ);

  const __m256d sum = _mm256_loadu_pd(block.Sum + j);
  const __m256d previous = _mm256_loadu_pd(block.Sum + j - 1);
  const __m256d weighted = _mm256_mul_pd(_mm256_loadu_pd(block.Value + j), weights);
  const __m256d weightedPart = _mm256_sub_pd(sum, previous);
  const __m256d previousPart = _mm256_sub_pd(sum, weightedPart);
  const __m256d error =
      _mm256_add_pd(_mm256_sub_pd(previous, previousPart), _mm256_sub_pd(weighted, weightedPart));
  const __m256d sumOk = _mm256_cmp_pd(_mm256_fmadd_pd(error, widening, sum), sum, _CMP_EQ_OQ);
  return _mm256_and_pd(xOk, sumOk);
}

// Whether the step at index j is exactly the straightforward one built from
// its stored predecessors, with a finite sum.
bool SineStepExact(const SineBlock& block, double step, std::int32_t j) {
  if (!SameBits(block.Abscissa[j], ExtendedSum(block.Abscissa[j - 1], step))) return false;
  const double sum = block.Sum[j];
  return std::isfinite(sum) &&
         SameBits(sum, ExtendedWeightedSum(block.Value[j], WeightOf(j), block.Sum[j - 1]));
}

// The start of the four-lane group at j, moved back over proven lanes when
// the block ends inside it.
std::int32_t SineGroup(std::int32_t j) {
  return j + kLanes - 1 <= kSineBlockAbscissae ? j : kSineBlockAbscissae - kLanes + 1;
}

// The first index from first on whose filtered step is not exact, lane by
// lane; kSineAllProven when there is none.
__attribute__((noinline, cold)) SIMPSON_SPECULATIVE_TARGET std::int32_t FirstInexactSineStep(
    const SineBlock& block, double step, std::int32_t first) {
  const __m256d steps = _mm256_set1_pd(step);
  const __m256d widening = _mm256_set1_pd(kMidpointWidening);
  for (std::int32_t j = first; j <= kSineBlockAbscissae; j += kLanes) {
    const std::int32_t group = SineGroup(j);
    unsigned lanes = static_cast<unsigned>(_mm256_movemask_pd(
                         SineLanesProven(block, group, steps, LaneWeightsFrom(group), widening))) ^
                     0xFu;
    for (; lanes != 0; lanes &= lanes - 1) {
      const std::int32_t k = group + __builtin_ctz(lanes);
      if (k >= first && !SineStepExact(block, step, k)) return k;
    }
  }
  return kSineAllProven;
}

// The first index from first on not proven exact: kNoneProven when the
// block's abscissa guard fails.
SIMPSON_SPECULATIVE_TARGET std::int32_t FirstUnprovenSineStep(const SineBlock& block, double step,
                                                              std::int32_t first) {
  if (!AbscissaGuardHolds(block.Abscissa[0], block.Abscissa[kSineBlockAbscissae], step)) {
    return kNoneProven;
  }
  const __m256d steps = _mm256_set1_pd(step);
  const __m256d widening = _mm256_set1_pd(kMidpointWidening);
  // One branch for the block: the lanes' verdicts are gathered first.
  __m256d proven = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
  const __m256d weights = LaneWeightsFrom(first);
  std::int32_t j = first;
  for (; j + kLanes - 1 <= kSineBlockAbscissae; j += kLanes) {
    proven = _mm256_and_pd(proven, SineLanesProven(block, j, steps, weights, widening));
  }
  if (j <= kSineBlockAbscissae) {
    const std::int32_t group = SineGroup(j);
    proven = _mm256_and_pd(proven,
                           SineLanesProven(block, group, steps, LaneWeightsFrom(group), widening));
  }
  if (__builtin_expect(_mm256_movemask_pd(proven) == 0xF, 1)) return kSineAllProven;
  return FirstInexactSineStep(block, step, first);
}

// Makes a block exact from the first unproven index on and returns its end:
// the exact step is taken there and the rest speculated and checked again.
// A block whose guard fails, or whose sum leaves the double range, is taken
// straightforwardly from the last exact pair, which raises what the
// straightforward form raises at the same evaluation.
__attribute__((noinline)) SimpsonState RepairSineBlock(SineBlock& block, double step,
                                                       std::int32_t unproven) {
  for (std::int32_t repairs = 0; unproven != kSineAllProven && unproven != kNoneProven; ++repairs) {
    // Steps that keep landing near midpoints would make every repair
    // evaluate the rest of the block again: past a few, the block goes the
    // straightforward way.
    if (repairs == kSineRepairLimit) break;
    const std::int32_t j = unproven;
    const double x = ExtendedSum(block.Abscissa[j - 1], step);
    const bool abscissaChanged = !SameBits(x, block.Abscissa[j]);
    if (abscissaChanged) {
      block.Abscissa[j] = x;
      block.Value[j] = SineOfFinite(x);
    }
    const double sum = ExtendedWeightedSum(block.Value[j], WeightOf(j), block.Sum[j - 1]);
    if (!std::isfinite(sum)) break;
    block.Sum[j] = sum;
    if (j < kSineBlockAbscissae) {
      if (abscissaChanged) {
        SpeculateSines(block, step, j + 1);
      } else {
        SpeculateSineSums(block, j + 1);
      }
      unproven = FirstUnprovenSineStep(block, step, j + 1);
    } else {
      unproven = AbscissaGuardHolds(block.Abscissa[0], block.Abscissa[kSineBlockAbscissae], step)
                     ? kSineAllProven
                     : kNoneProven;
    }
  }
  if (unproven == kSineAllProven) {
    return {block.Abscissa[kSineBlockAbscissae], block.Sum[kSineBlockAbscissae]};
  }
  return FinishFromLastExactPair(block.Abscissa, block.Sum, unproven, step, kSineBlockPairs);
}

SIMPSON_SPECULATIVE_TARGET SimpsonState AdvanceSinePairsSpeculatively(SimpsonState state,
                                                                      double step,
                                                                      std::int32_t pairs) {
  // Each block runs the bare loop over the sine, storing its steps, and is
  // then checked whole at the processor's throughput; the block after it
  // starts from its proven end.
  SineBlock block;
  for (std::int32_t blocksLeft = pairs / kSineBlockPairs; blocksLeft > 0; --blocksLeft) {
    if (!SineRangeHolds(state.Abscissa, step)) {
      state = AdvancePairsStraightforward(state, step, kSineBlockPairs);
      continue;
    }
    block.Abscissa[0] = state.Abscissa;
    block.Sum[0] = state.Sum;
    SpeculateSines(block, step, 1);
    const std::int32_t unproven = FirstUnprovenSineStep(block, step, 1);
    if (__builtin_expect(unproven == kSineAllProven, 1)) {
      state = {block.Abscissa[kSineBlockAbscissae], block.Sum[kSineBlockAbscissae]};
    } else {
      state = RepairSineBlock(block, step, unproven);
    }
  }
  return AdvancePairsStraightforward(state, step, pairs % kSineBlockPairs);
}

}  // namespace

SimpsonCore PreferredSimpsonCore() {
  static const SimpsonCore preferred =
      __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")
          ? SimpsonCore::Speculative
          : SimpsonCore::Straightforward;
  return preferred;
}

SimpsonState AdvancePairsStraightforward(SimpsonState state, double step, std::int32_t pairs) {
  double x = state.Abscissa;
  double sum = state.Sum;
  for (std::int32_t i = 0; i < pairs; ++i) {
    x = StoreReal(static_cast<long double>(x) + step);
    sum = StoreReal(static_cast<long double>(Integrand(x)) * 4 + sum);
    x = StoreReal(static_cast<long double>(x) + step);
    sum = StoreReal(static_cast<long double>(Integrand(x)) * 2 + sum);
  }
  return {x, sum};
}

SimpsonState AdvancePairs(SimpsonState state, double step, std::int32_t pairs, SimpsonCore core) {
  // Infinite operands take part in no speculation: they can only come from
  // the limits, and their invalid operations are raised straightforwardly.
  const bool speculate = core == SimpsonCore::Speculative &&
                         PreferredSimpsonCore() == SimpsonCore::Speculative &&
                         pairs >= kBlockPairs && std::isfinite(step) &&
                         std::isfinite(state.Abscissa) && std::isfinite(state.Sum);
  if (speculate && IntegrandKind == kSquareKind) {
    return AdvanceSquarePairsSpeculatively(state, step, pairs);
  }
  if (speculate && IntegrandKind == kSineKind) {
    return AdvanceSinePairsSpeculatively(state, step, pairs);
  }
  return AdvancePairsStraightforward(state, step, pairs);
}
