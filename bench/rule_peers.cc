// The whole-process peers of simpson's built-in integrands, for
// bench/run_benchmarks.sh: `rule_peers FORM KIND A B N` prints S computed by
//   straightforward  the straightforward extended-precision form (the same bits),
//   plain            the same loop in plain double arithmetic (not the same bits),
// for KIND 1 (x²) or 2 (sin x; plain is then the bare loop over the same sine).

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/plain_simpson.h"
#include "dialogue/integration.h"

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: rule_peers straightforward|plain KIND A B N\n");
    return 2;
  }
  const bool straightforward = std::strcmp(argv[1], "straightforward") == 0;
  const auto kind = static_cast<std::int32_t>(std::atoi(argv[2]));
  const double a = std::strtod(argv[3], nullptr);
  const double b = std::strtod(argv[4], nullptr);
  const auto n = static_cast<std::int32_t>(std::atol(argv[5]));
  double result;
  if (straightforward) {
    IntegrandKind = kind;
    result = StraightforwardSimpson(n, a, b);
  } else if (kind == kSquareKind) {
    result = PlainSimpson(n, a, b, [](double x) { return x * x; });
  } else {
    result = PlainSimpson(n, a, b, [](double x) { return std::sin(x); });
  }
  std::printf("%.5f\n", result);
  return 0;
}
