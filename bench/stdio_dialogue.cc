// The typed-in kind's dialogue written with the C library's stdio, scanf
// ("%lf") and printf("%5.2f"): the peer that bench/run_benchmarks.sh times
// simpson against on the same input. Its texts are ASCII stand-ins of the
// same lengths; only its speed is compared.

#include <cstdio>

#include "bench/plain_simpson.h"

namespace {

double TypedIn(double x) {
  std::printf("x=%5.2f  y=", x);
  double y = 0.0;
  if (std::scanf("%lf", &y) != 1) y = 0.0;
  return y;
}

int ReadDivisions() {
  int n = 0;
  if (std::scanf("%d", &n) != 1) n = 0;
  return n;
}

}  // namespace

int main() {
  std::printf("Definite integral (Simpson)\r\n\r\nChoose the integrand\r\n");
  std::printf("[0] type y for each x\r\n[1] y=x^2\r\n[2] y=sin x\r\nWhich [0-2] ? ");
  ReadDivisions();
  std::printf("Interval [a b] ? ");
  double a = 0.0;
  double b = 0.0;
  if (std::scanf("%lf %lf", &a, &b) != 2) a = b = 0.0;
  std::printf("\r\nHow many (even) divisions (0 ends) [n] ? ");
  for (int n = ReadDivisions(); n >= 1; n = ReadDivisions()) {
    std::printf("S=%.5f\r\n\r\nHow many divisions (0 ends) [n] ? ", PlainSimpson(n, a, b, TypedIn));
  }
  return 0;
}
