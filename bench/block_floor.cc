// The floor of the typed-in dialogue's system traffic, for
// bench/run_benchmarks.sh: reads standard input in blocks of 128 bytes and,
// for every line, writes a value prompt's 15 bytes through a 128-byte buffer,
// as simpson's streams do, computing nothing else. What simpson takes beyond
// this is its own work; what this takes is the price of the blocks.

#include <unistd.h>

#include <cstddef>

namespace {

constexpr std::size_t kBlock = 128;
constexpr char kPrompt[] = "\x82\x98\x81\x81 0.50  \x82\x99\x81\x81";

unsigned char output[kBlock];
std::size_t fill = 0;

void Append(const char* bytes, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    output[fill++] = static_cast<unsigned char>(bytes[i]);
    if (fill == kBlock) {
      if (write(1, output, kBlock) < 0) _exit(1);
      fill = 0;
    }
  }
}

}  // namespace

int main() {
  unsigned char input[kBlock];
  for (ssize_t count; (count = read(0, input, kBlock)) > 0;) {
    for (ssize_t i = 0; i < count; ++i) {
      if (input[i] == '\n') Append(kPrompt, sizeof kPrompt - 1);
    }
  }
  if (fill > 0 && write(1, output, fill) < 0) return 1;
  return 0;
}
