#include "console/output_stream.h"

#include <errno.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "console/io_result.h"
#include "console/real_format.h"

OutputStream StandardOutput{1};

namespace {

// Spaces in front of a field wider than the formatter builds are copied
// from here, as many at a time as the buffer takes.
constexpr char kSpaces[kOutputBufferSize + 1] =
    "                                                                "
    "                                                                ";
static_assert(sizeof kSpaces - 1 == kOutputBufferSize);

// A person at a terminal must see every prompt before the program waits for
// the answer, so a terminal receives each statement at its end. A file or a
// pipe has nobody waiting on a prompt: full blocks keep its system calls few.
DeliveryMode ChooseDeliveryMode(int descriptor) {
  return isatty(descriptor) ? DeliveryMode::PerStatement : DeliveryMode::WhenFull;
}

// Opens the stream when it is closed. A descriptor that is not open leaves it
// closed with the system's code and then 105 stored; the next write tries
// again.
bool EnsureOpen(OutputStream& stream) {
  if (stream.IsOpen) return true;
  struct stat status;
  if (fstat(stream.Descriptor, &status) != 0) {
    IOResultCode = errno;
    IOResultCode = kCodeOutputUnusable;
    return false;
  }
  stream.Mode = ChooseDeliveryMode(stream.Descriptor);
  stream.Fill = 0;
  stream.IsOpen = true;
  return true;
}

// Waits until a descriptor that someone made non-blocking takes bytes again:
// a write that would block is no failure of the output.
bool WaitUntilWritable(int descriptor) {
  pollfd request{descriptor, POLLOUT, 0};
  for (;;) {
    if (poll(&request, 1, -1) >= 0) return true;
    if (errno != EINTR) return false;
  }
}

// Writes bytes[0..count) in as many write(2) calls as it takes. The first
// error's code is stored and the bytes not yet written are given up.
bool WriteAll(int descriptor, const unsigned char* bytes, std::size_t count) {
  while (count > 0) {
    const ssize_t written = write(descriptor, bytes, count);
    if (written > 0) {
      bytes += written;
      count -= static_cast<std::size_t>(written);
      continue;
    }
    if (written < 0 && errno == EINTR) continue;
    if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && WaitUntilWritable(descriptor)) {
      continue;
    }
    // A write that takes nothing and reports nothing would be retried for
    // ever; it counts as an input/output error.
    IOResultCode = written < 0 ? errno : EIO;
    return false;
  }
  return true;
}

// Passes the buffered bytes to the descriptor. The buffer is emptied before
// the system call, so a failed delivery loses exactly its own bytes and the
// stream goes on with an empty buffer.
bool Deliver(OutputStream& stream) {
  const std::size_t count = stream.Fill;
  stream.Fill = 0;
  return WriteAll(stream.Descriptor, stream.Buffer, count);
}

// Copies bytes into the open stream, delivering every buffer that fills up.
// Returns false when such a delivery failed; the rest is then dropped.
bool Append(OutputStream& stream, const char* bytes, std::size_t count) {
  while (count > 0) {
    const std::size_t piece = std::min(count, kOutputBufferSize - stream.Fill);
    std::memcpy(stream.Buffer + stream.Fill, bytes, piece);
    stream.Fill += static_cast<std::uint32_t>(piece);
    bytes += piece;
    count -= piece;
    if (stream.Fill == kOutputBufferSize && !Deliver(stream)) return false;
  }
  return true;
}

bool AppendSpaces(OutputStream& stream, std::size_t count) {
  while (count > 0) {
    const std::size_t piece = std::min(count, kOutputBufferSize);
    if (!Append(stream, kSpaces, piece)) return false;
    count -= piece;
  }
  return true;
}

}  // namespace

void WriteTextWithDelivery(OutputStream& stream, std::string_view bytes) {
  if (!EnsureOpen(stream)) return;
  Append(stream, bytes.data(), bytes.size());
}

void WriteReal(OutputStream& stream, long double value, std::int32_t width, std::int32_t decimals) {
  if (!EnsureOpen(stream)) return;
  char text[kRealTextCapacity];
  const std::size_t length = FormatReal(value, width, decimals, text);
  if (width > kRealFieldLimit &&
      !AppendSpaces(stream, static_cast<std::size_t>(width - kRealFieldLimit))) {
    return;
  }
  Append(stream, text, length);
}

void WriteLineEnd(OutputStream& stream) { WriteText(stream, "\r\n"); }

void FlushOutput(OutputStream& stream) {
  if (!stream.IsOpen) {
    IOResultCode = kCodeOutputNotOpen;
    return;
  }
  if (stream.Mode == DeliveryMode::PerStatement && stream.Fill > 0) Deliver(stream);
}

bool CloseOutput(OutputStream& stream) {
  if (!stream.IsOpen) return true;
  stream.IsOpen = false;
  return stream.Fill == 0 || Deliver(stream);
}
