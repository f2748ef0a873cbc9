// Standard input as a byte stream taken in blocks of 128 bytes, with the
// permanent end of input that reading numbers and skipping lines rely on.
#pragma once

#include <cstddef>
#include <cstdint>

// One read(2) asks for this many bytes, and a block is requested only when
// the previous one is used up.
inline constexpr std::size_t kInputBlockSize = 128;

// Delivered at end of input, and ends the input when it stands in it.
inline constexpr unsigned char kEndOfInput = 0x1A;

struct InputStream {
  // The descriptor read; 0 for StandardInput.
  int Descriptor;
  bool IsOpen = false;
  // A line ended with the CR that was the last byte read so far. The LF of
  // a CR LF that arrives with the next read is discarded then, so that
  // ending a line never waits for input (a terminal in raw mode sends a lone
  // CR for Enter, and the next prompt must not wait for the next line).
  bool LineFeedPending = false;
  // Invariant: Position <= Fill <= kInputBlockSize, and Block[Position..Fill)
  // is not yet consumed. A kEndOfInput at Block[Position], whether it came
  // from the input itself or was put there when a read delivered nothing,
  // is never consumed: every later request finds it, and no read is made.
  std::uint32_t Fill = 0;
  std::uint32_t Position = 0;
  unsigned char Block[kInputBlockSize] = {};
};

extern InputStream StandardInput;

// The slow path of PeekByte, for a used-up block: opens the stream on the
// first request, reads the next block and delivers its first byte.
unsigned char PeekByteAfterRefill(InputStream& stream);

// The next byte without consuming it, reading a new block when the current
// one is used up (and opening the stream on the first request). Yields
// kEndOfInput at end of input and, for this request alone, when opening or
// reading fails; such a failure stores its code in IOResultCode. Never
// raises, never allocates. Example: on "7\x1A9" it yields '7', and once that
// is consumed, kEndOfInput for every later request; the '9' is never read.
inline unsigned char PeekByte(InputStream& stream) {
  if (stream.Position < stream.Fill) return stream.Block[stream.Position];
  return PeekByteAfterRefill(stream);
}

// Consumes the byte that PeekByte delivered; a kEndOfInput is never consumed.
inline void ConsumeByte(InputStream& stream) {
  if (stream.Position < stream.Fill && stream.Block[stream.Position] != kEndOfInput) {
    ++stream.Position;
  }
}

// Discards the rest of the current line, its line end included. A line ends
// with CR LF, with CR alone or with LF alone: "12\r\n", "12\r", "12\n" each
// leave the next line's first byte unread. Returns at once at end of input.
// Stores no code of its own.
void SkipLine(InputStream& stream);

// End of run: the stream is closed; the descriptor itself stays open.
void CloseInput(InputStream& stream);
