// Standard output as a byte stream collected in a 128-byte buffer, delivered
// at every statement on a terminal and only when full elsewhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

// One write(2) carries at most this many bytes, except at a statement's end
// on a terminal, which delivers what the buffer holds.
inline constexpr std::size_t kOutputBufferSize = 128;

enum class DeliveryMode : std::uint8_t {
  PerStatement,  // a terminal: each statement is delivered at its FlushOutput
  WhenFull,      // a file, a pipe or anything else: 128-byte blocks, the rest at the end
};

struct OutputStream {
  // The descriptor written; 1 for StandardOutput.
  int Descriptor;
  // Set by the first write that finds the descriptor open; the delivery mode
  // is fixed at that moment and kept until CloseOutput.
  bool IsOpen = false;
  DeliveryMode Mode = DeliveryMode::WhenFull;
  // Invariant: Fill < kOutputBufferSize between operations: a buffer that
  // reaches 128 bytes is delivered at once. Buffer[0..Fill) is not yet written.
  std::uint32_t Fill = 0;
  unsigned char Buffer[kOutputBufferSize] = {};
};

extern OutputStream StandardOutput;

// The part of WriteText that opens the stream or delivers a full buffer.
void WriteTextWithDelivery(OutputStream& stream, std::string_view bytes);

// Appends the bytes as they stand, with no line end. Opens the stream on its
// first use; when it cannot be opened, stores the system's code and 105 and
// appends nothing. When a full-buffer delivery fails, the rest of the bytes is
// dropped. Never raises, never allocates. Example: "ab" then "c\n" leave the
// four bytes 61 62 63 0A in the buffer, and nothing is written yet.
inline void WriteText(OutputStream& stream, std::string_view bytes) {
  // Bytes that fit without filling the buffer are only copied: the strict
  // comparison keeps the invariant that a full buffer is never left standing.
  if (stream.IsOpen && bytes.size() < kOutputBufferSize - stream.Fill) {
    if (!bytes.empty()) std::memcpy(stream.Buffer + stream.Fill, bytes.data(), bytes.size());
    stream.Fill += static_cast<std::uint32_t>(bytes.size());
    return;
  }
  WriteTextWithDelivery(stream, bytes);
}

// Appends the number text of value (console/real_format.h) right-aligned in
// width bytes, never cut: 0.5 with width 5 and 2 decimals gives " 0.50",
// 100 gives "100.00". A width above 255 gets its further spaces in front of
// the 255-byte field. Fails only as WriteText does, the spaces and the number
// counting as one byte string.
void WriteReal(OutputStream& stream, long double value, std::int32_t width, std::int32_t decimals);

// Appends the line end CR LF.
void WriteLineEnd(OutputStream& stream);

// Ends an output statement: on a terminal delivers what the buffer holds (an
// empty buffer makes no system call); stores 103 when the stream is closed.
void FlushOutput(OutputStream& stream);

// End of run: writes out whatever the buffer holds, on every kind of
// descriptor, and closes the stream; the descriptor itself stays open.
// Returns false when that last delivery failed (its code is stored).
bool CloseOutput(OutputStream& stream);
