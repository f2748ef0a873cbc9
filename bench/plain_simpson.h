// The rule's shape in plain double arithmetic: one rounding per operation and
// no extended intermediate, so not the program's bits. It marks the floor that
// the exact rule is measured against. It is kept apart from its callers
// (noipa), so that limits known where it is called are not folded into it:
// the program's limits come from its input.
#pragma once

#include <cstdint>

template <typename Function>
__attribute__((noipa)) double PlainSimpson(std::int32_t n, double a, double b, Function f) {
  const std::int32_t halfPanels = (n + 1) / 2;
  const double step = (b - a) / (2 * halfPanels);
  double x = a;
  double sum = f(a);
  for (std::int32_t i = 0; i < halfPanels - 1; ++i) {
    x += step;
    sum += f(x) * 4;
    x += step;
    sum += f(x) * 2;
  }
  x += step;
  sum += f(x) * 4;
  sum += f(b);
  return sum * step / 3;
}
