// The typed-in kind's dialogue written with the C library's stdio, scanf
// ("%lf") and printf("%5.2f"): the peer that bench/run_benchmarks.sh times
// simpson against on the same input. Its texts are ASCII stand-ins of the
// same lengths; only its speed is compared.

#include <cstdio>

namespace {

double TypedIn(double x) {
  std::printf("x=%5.2f  y=", x);
  double y = 0.0;
  if (std::scanf("%lf", &y) != 1) y = 0.0;
  return y;
}

double Simpson(int n, double a, double b) {
  const int halfPanels = (n + 1) / 2;
  const double step = (b - a) / (2 * halfPanels);
  double x = a;
  double sum = TypedIn(a);
  for (int i = 0; i < halfPanels - 1; ++i) {
    x += step;
    sum += TypedIn(x) * 4;
    x += step;
    sum += TypedIn(x) * 2;
  }
  x += step;
  sum += TypedIn(x) * 4;
  sum += TypedIn(b);
  return sum * step / 3;
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
    std::printf("S=%.5f\r\n\r\nHow many divisions (0 ends) [n] ? ", Simpson(n, a, b));
  }
  return 0;
}
