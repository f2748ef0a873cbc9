// Fuzz target: the number text of any double (or any valid extended value)
// with any width and number of decimals, against the exact reference of
// tests/reference/; and WriteReal of it behind a prefix of any length, so
// that its padding and its text cross the 128-byte buffer at every offset.
//
// Input: byte 0 chooses double or extended and the prefix length, then 10
// bytes of the value, 4 of the width, 4 of the decimals.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "console/output_stream.h"
#include "console/real_format.h"
#include "tests/fuzz/fake_descriptors.h"
#include "tests/reference/exact_decimal.h"

namespace {

void Check(bool condition, const char* what, const std::string& expected) {
  if (!condition) {
    fprintf(stderr, "difference: %s; expected \"%s\"\n", what, expected.c_str());
    abort();
  }
}

// An extended pattern as the processor accepts it: the explicit integer bit
// set exactly when the exponent field is not zero.
long double ValidExtended(const std::uint8_t* bytes) {
  unsigned char pattern[16] = {};
  std::memcpy(pattern, bytes, 10);
  const bool exponentZero = pattern[8] == 0 && (pattern[9] & 0x7F) == 0;
  if (exponentZero) {
    pattern[7] &= 0x7F;
  } else {
    pattern[7] |= 0x80;
  }
  long double value;
  std::memcpy(&value, pattern, sizeof value);
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 19) return 0;
  long double value;
  if ((data[0] & 1) != 0) {
    value = ValidExtended(data + 1);
  } else {
    double narrow;
    std::memcpy(&narrow, data + 1, sizeof narrow);
    value = narrow;
  }
  std::int32_t width;
  std::int32_t decimals;
  std::memcpy(&width, data + 11, sizeof width);
  std::memcpy(&decimals, data + 15, sizeof decimals);

  // The formatter itself, with any width: it builds at most 255 bytes.
  const std::string expected = exact::RealText(value, width < 255 ? width : 255, decimals);
  char text[kRealTextCapacity];
  const std::size_t length = FormatReal(value, width, decimals, text);
  Check(std::string(text, length) == expected, "FormatReal", expected);

  // WriteReal behind a prefix, with a width small enough to keep the run short.
  const std::int32_t streamWidth = width % 700;
  const std::size_t prefix = data[0] >> 1;
  const std::string whole =
      std::string(prefix, 'p') + exact::RealText(value, streamWidth, decimals);
  ResetFakeDescriptors(FakeInputPlan{}, FakeOutputPlan{});
  OutputStream stream{FakeOutputDescriptor()};
  WriteText(stream, std::string(prefix, 'p'));
  WriteReal(stream, value, streamWidth, decimals);
  Check(CloseOutput(stream), "CloseOutput", whole);
  const FakeTraffic& seen = Traffic();
  Check(seen.Written == whole.size() &&
            std::memcmp(FakeOutputBytes(), whole.data(), whole.size()) == 0,
        "WriteReal", whole);
  Check(seen.FullBlockWrites + 1 >= seen.Writes, "delivery in full blocks", whole);
  return 0;
}
