#include "console/input_stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "console/io_result.h"

InputStream StandardInput{0};

namespace {

constexpr unsigned char kCarriageReturn = 0x0D;
constexpr unsigned char kLineFeed = 0x0A;

// Binds the stream to its descriptor on the first request. A descriptor that
// is not open leaves the stream closed, so that the next request tries again.
bool OpenInput(InputStream& stream) {
  if (fcntl(stream.Descriptor, F_GETFD) == -1) {
    IOResultCode = kCodeInputNotOpen;
    return false;
  }
  stream.IsOpen = true;
  stream.Fill = 0;
  stream.Position = 0;
  return true;
}

// Reads the next block into an empty buffer. Returns false when the read
// failed: the code is stored and nothing is remembered, so the next request
// reads again. A read that delivers nothing is end of input for good: the
// end byte is put into the block, where every later request finds it and no
// read is made again.
bool RefillBlock(InputStream& stream) {
  stream.Position = 0;
  stream.Fill = 0;
  ssize_t count;
  do {
    count = read(stream.Descriptor, stream.Block, kInputBlockSize);
  } while (count < 0 && errno == EINTR);
  if (count < 0) {
    IOResultCode = errno;
    return false;
  }
  if (count == 0) {
    stream.Block[0] = kEndOfInput;
    count = 1;
  }
  stream.Fill = static_cast<std::uint32_t>(count);
  return true;
}

}  // namespace

unsigned char PeekByteAfterRefill(InputStream& stream) {
  if (!stream.IsOpen && !OpenInput(stream)) return kEndOfInput;
  for (;;) {
    const bool lineFeedPending = stream.LineFeedPending;
    stream.LineFeedPending = false;
    if (!RefillBlock(stream)) return kEndOfInput;
    if (lineFeedPending && stream.Block[0] == kLineFeed) ++stream.Position;
    if (stream.Position < stream.Fill) return stream.Block[stream.Position];
  }
}

void SkipLine(InputStream& stream) {
  unsigned char byte = PeekByte(stream);
  while (byte != kCarriageReturn && byte != kLineFeed) {
    if (byte == kEndOfInput) return;
    ConsumeByte(stream);
    byte = PeekByte(stream);
  }
  ConsumeByte(stream);
  if (byte != kCarriageReturn) return;
  // CR LF is one line end; the byte after a lone CR begins the next line.
  // When the CR was the last byte read, the line is complete without waiting
  // for the next one: its LF, if it comes, is discarded by the next read.
  if (stream.Position == stream.Fill) {
    stream.LineFeedPending = true;
  } else if (stream.Block[stream.Position] == kLineFeed) {
    ConsumeByte(stream);
  }
}

void CloseInput(InputStream& stream) {
  stream.IsOpen = false;
  stream.LineFeedPending = false;
  stream.Fill = 0;
  stream.Position = 0;
}
