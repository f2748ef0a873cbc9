#include "tests/fuzz/fake_descriptors.h"

#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

extern "C" ssize_t __real_read(int descriptor, void* buffer, size_t count);
extern "C" ssize_t __real_write(int descriptor, const void* buffer, size_t count);
extern "C" int __real_isatty(int descriptor);

namespace {

int InputDescriptor = -1;
int OutputDescriptor = -1;
FakeInputPlan Input;
FakeOutputPlan Output;
FakeTraffic Seen;
unsigned char Kept[kKeptOutput];

int OpenNull() {
  const int descriptor = open("/dev/null", O_RDWR | O_CLOEXEC);
  if (descriptor < 0) abort();
  return descriptor;
}

}  // namespace

int FakeInputDescriptor() {
  if (InputDescriptor < 0) InputDescriptor = OpenNull();
  return InputDescriptor;
}

int FakeOutputDescriptor() {
  if (OutputDescriptor < 0) OutputDescriptor = OpenNull();
  return OutputDescriptor;
}

const unsigned char* FakeOutputBytes() { return Kept; }

void ResetFakeDescriptors(const FakeInputPlan& input, const FakeOutputPlan& output) {
  FakeInputDescriptor();
  FakeOutputDescriptor();
  Input = input;
  Output = output;
  // An interruption of every call would never let one through.
  if (Input.EintrEvery == 1) Input.EintrEvery = 2;
  if (Output.EintrEvery == 1) Output.EintrEvery = 2;
  Seen = FakeTraffic{};
}

const FakeTraffic& Traffic() { return Seen; }

extern "C" ssize_t __wrap_read(int descriptor, void* buffer, size_t count) {
  if (descriptor != InputDescriptor || InputDescriptor < 0) {
    return __real_read(descriptor, buffer, count);
  }
  ++Seen.Reads;
  if (Input.EintrEvery != 0 && Seen.Reads % Input.EintrEvery == 0) {
    errno = EINTR;
    return -1;
  }
  if (Input.FailAtRead != 0 && Seen.Reads == Input.FailAtRead) {
    errno = Input.FailCode;
    return -1;
  }
  const std::size_t piece = std::min({count, Input.Chunk, Input.Size - Seen.Delivered});
  if (piece == 0) Seen.EndDelivered = true;
  std::memcpy(buffer, Input.Bytes + Seen.Delivered, piece);
  Seen.Delivered += piece;
  return static_cast<ssize_t>(piece);
}

extern "C" ssize_t __wrap_write(int descriptor, const void* buffer, size_t count) {
  if (descriptor != OutputDescriptor || OutputDescriptor < 0) {
    return __real_write(descriptor, buffer, count);
  }
  const unsigned attempt = Seen.Writes + 1;
  if (Output.EintrEvery != 0 && ++Seen.WriteAttempts % Output.EintrEvery == 0) {
    errno = EINTR;
    return -1;
  }
  if (Output.FailAtWrite != 0 && attempt >= Output.FailAtWrite) {
    errno = Output.FailCode;
    return -1;
  }
  const std::size_t piece = std::min(count, Output.Chunk);
  if (Seen.Written + piece <= kKeptOutput) std::memcpy(Kept + Seen.Written, buffer, piece);
  Seen.Written += piece;
  ++Seen.Writes;
  if (piece == 128) ++Seen.FullBlockWrites;
  Seen.LastWriteSize = piece;
  return static_cast<ssize_t>(piece);
}

extern "C" int __wrap_isatty(int descriptor) {
  if (descriptor == OutputDescriptor && OutputDescriptor >= 0) return Output.Terminal ? 1 : 0;
  return __real_isatty(descriptor);
}
