// Fuzz target: ReadInteger, ReadReal and SkipLine in any order over any
// bytes, delivered in reads of any size, against the exact model of
// tests/reference/. Every result, every code and the bytes consumed must
// agree, and the stream's buffer invariant must hold after each operation.
//
// Input: byte 0 chooses the read size (and interrupted reads), byte 1 the
// number of operations, then one byte per operation, then the input itself.

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "console/input_stream.h"
#include "console/io_result.h"
#include "console/number_reader.h"
#include "tests/fuzz/fake_descriptors.h"
#include "tests/reference/console_model.h"

namespace {

void Check(bool condition, const char* what) {
  if (!condition) {
    fprintf(stderr, "difference: %s\n", what);
    abort();
  }
}

bool SamePattern(long double a, long double b) { return std::memcmp(&a, &b, 10) == 0; }

// The bytes the stream has consumed: those delivered, less those still
// waiting in its block (an end mark that no read delivered is not one). A
// line feed after a carriage return that ended the last block counts as
// consumed: the next read discards it.
std::size_t ConsumedBytes(const InputStream& stream, const std::uint8_t* bytes, std::size_t size) {
  const FakeTraffic& seen = Traffic();
  std::size_t waiting = stream.Fill - stream.Position;
  if (seen.EndDelivered && waiting > 0) --waiting;
  const std::size_t consumed = seen.Delivered - waiting;
  const bool lineFeedNext = consumed < size && bytes[consumed] == '\n';
  return consumed + (stream.LineFeedPending && lineFeedNext ? 1 : 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const std::size_t operations = std::min<std::size_t>(data[1] % 32, size - 2);
  const std::uint8_t* script = data + 2;
  const std::uint8_t* bytes = script + operations;
  const std::size_t length = size - 2 - operations;

  FakeInputPlan plan;
  plan.Bytes = bytes;
  plan.Size = length;
  plan.Chunk = (data[0] & 0x7F) == 0 ? 128 : (data[0] & 0x7F);
  plan.EintrEvery = (data[0] & 0x80) != 0 ? 3 : 0;
  ResetFakeDescriptors(plan, FakeOutputPlan{});
  InputStream stream{FakeInputDescriptor()};
  exact::InputModel model(std::string(reinterpret_cast<const char*>(bytes), length));

  for (std::size_t i = 0; i < operations; ++i) {
    IOResultCode = 0;
    switch (script[i] % 3) {
      case 0: {
        const std::int32_t value = ReadInteger(stream);
        const exact::ModelReading expected = model.ReadInteger();
        Check(IOResultCode == expected.Code, "ReadInteger code");
        Check(expected.Code != 0 || value == expected.Integer, "ReadInteger value");
        break;
      }
      case 1: {
        const RealReading reading = ReadReal(stream);
        const exact::ModelReading expected = model.ReadReal();
        Check(IOResultCode == expected.Code, "ReadReal code");
        if (expected.Code == 0) {
          Check(reading.Overflow == expected.Overflow, "ReadReal overflow");
          Check(expected.Overflow || SamePattern(reading.Value, expected.Real), "ReadReal value");
        }
        break;
      }
      default:
        SkipLine(stream);
        model.SkipLine();
        Check(IOResultCode == 0, "SkipLine code");
        break;
    }
    Check(stream.Position <= stream.Fill && stream.Fill <= kInputBlockSize, "block invariant");
    Check(ConsumedBytes(stream, bytes, length) == model.Consumed(), "bytes consumed");
  }
  return 0;
}
