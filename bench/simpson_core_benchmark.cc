// Nanoseconds per integrand evaluation of Simpson for x² and sin x, beside
// the straightforward form that it reproduces and the plain double loop of
// the same shape (inexact) that marks the floor of the sequential rule.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>

#include "bench/plain_simpson.h"
#include "dialogue/integration.h"

namespace {

constexpr double kSquareLower = 0.0;
constexpr double kSquareUpper = 1.0;
constexpr double kSineLower = 0.0;
constexpr double kSineUpper = 3.14159265358979;

std::int64_t Evaluations(std::int32_t n) {
  return 2 * ((static_cast<std::int64_t>(n) + 1) / 2) + 1;
}

struct PlainSquare {
  double operator()(double x) const { return x * x; }
};
struct PlainSine {
  double operator()(double x) const { return std::sin(x); }
};

void Report(benchmark::State& state, std::int32_t n) {
  state.counters["ns_per_eval"] = benchmark::Counter(
      static_cast<double>(Evaluations(n)),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

template <double (*Rule)(std::int32_t, double, double)>
void RunRule(benchmark::State& state, std::int32_t kind, double a, double b) {
  IntegrandKind = kind;
  const auto n = static_cast<std::int32_t>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(Rule(n, a, b));
  Report(state, n);
}

void SquareSimpson(benchmark::State& state) {
  RunRule<Simpson>(state, kSquareKind, kSquareLower, kSquareUpper);
}
void SquareStraightforward(benchmark::State& state) {
  RunRule<StraightforwardSimpson>(state, kSquareKind, kSquareLower, kSquareUpper);
}
void SquarePlainDoubleLoop(benchmark::State& state) {
  const auto n = static_cast<std::int32_t>(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(PlainSimpson(n, kSquareLower, kSquareUpper, PlainSquare{}));
  }
  Report(state, n);
}

void SineSimpson(benchmark::State& state) {
  RunRule<Simpson>(state, kSineKind, kSineLower, kSineUpper);
}
void SineStraightforward(benchmark::State& state) {
  RunRule<StraightforwardSimpson>(state, kSineKind, kSineLower, kSineUpper);
}
void SineBareLoop(benchmark::State& state) {
  const auto n = static_cast<std::int32_t>(state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(PlainSimpson(n, kSineLower, kSineUpper, PlainSine{}));
  }
  Report(state, n);
}

}  // namespace

BENCHMARK(SquareSimpson)->Arg(100)->Arg(10000)->Arg(1000000)->Arg(100000000);
BENCHMARK(SquareStraightforward)->Arg(100)->Arg(10000)->Arg(1000000)->Arg(100000000);
BENCHMARK(SquarePlainDoubleLoop)->Arg(100)->Arg(10000)->Arg(1000000)->Arg(100000000);
BENCHMARK(SineSimpson)->Arg(100)->Arg(10000)->Arg(1000000);
BENCHMARK(SineStraightforward)->Arg(100)->Arg(10000)->Arg(1000000);
BENCHMARK(SineBareLoop)->Arg(100)->Arg(10000)->Arg(1000000);

BENCHMARK_MAIN();
