// The output stream on real descriptors: which write(2) calls reach them,
// with what bytes, and which code a failure leaves.

#include "console/output_stream.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pthread.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "console/io_result.h"

namespace {

constexpr std::size_t kBlock = kOutputBufferSize;

// The pending code by value: binding a reference to the thread-local itself
// trips the undefined-behaviour checker of this compiler.
std::int32_t PendingCode() { return IOResultCode; }

// Distinct bytes, so that a lost, doubled or misplaced piece shows.
std::string Pattern(std::size_t length, char first = 'a') {
  std::string text(length, ' ');
  for (std::size_t i = 0; i < length; ++i) text[i] = static_cast<char>(first + i % 26);
  return text;
}

// A SOCK_SEQPACKET pair: every write(2) on Writer arrives as one packet.
class PacketPair {
 public:
  PacketPair() {
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET, 0, ends) != 0) std::abort();
    writer_ = ends[0];
    reader_ = ends[1];
    fcntl(reader_, F_SETFL, O_NONBLOCK);
  }
  ~PacketPair() {
    close(writer_);
    close(reader_);
  }
  int Writer() const { return writer_; }

  // The packets that arrived since the last call, one entry per write(2).
  std::vector<std::string> Take() {
    std::vector<std::string> packets;
    char packet[4096];
    for (ssize_t n; (n = recv(reader_, packet, sizeof packet, 0)) >= 0;) {
      packets.emplace_back(packet, static_cast<std::size_t>(n));
    }
    return packets;
  }

 private:
  int writer_ = -1;
  int reader_ = -1;
};

using Packets = std::vector<std::string>;

// A descriptor number that is not open.
int ClosedDescriptor() {
  const int descriptor = dup(2);
  close(descriptor);
  return descriptor;
}

TEST(OutputStream, FileOrPipeGetsOnlyFullBlocks) {
  IOResultCode = 0;
  PacketPair socket;
  OutputStream stream{socket.Writer()};
  WriteText(stream, "banner");
  WriteLineEnd(stream);
  FlushOutput(stream);
  EXPECT_EQ(socket.Take(), Packets{});

  const std::string rest = Pattern(2 * kBlock + 10);
  WriteText(stream, rest);
  const std::string all = "banner\r\n" + rest;
  EXPECT_EQ(socket.Take(), (Packets{all.substr(0, kBlock), all.substr(kBlock, kBlock)}));
  FlushOutput(stream);
  EXPECT_EQ(socket.Take(), Packets{});

  EXPECT_TRUE(CloseOutput(stream));
  EXPECT_EQ(socket.Take(), Packets{all.substr(2 * kBlock)});
  EXPECT_EQ(PendingCode(), 0);
}

// Every starting fill of the buffer, with strings that stop short of the
// boundary, reach it exactly, cross it, and span several blocks.
TEST(OutputStream, BlocksAtEveryStartingFill) {
  for (std::size_t fill = 0; fill < kBlock; ++fill) {
    for (std::size_t length :
         {std::size_t{1}, kBlock - 1 - fill, kBlock - fill, kBlock + 1 - fill, std::size_t{300}}) {
      SCOPED_TRACE("fill " + std::to_string(fill) + ", length " + std::to_string(length));
      PacketPair socket;
      OutputStream stream{socket.Writer()};
      const std::string head = Pattern(fill, 'A');
      const std::string text = Pattern(length);
      WriteText(stream, head);
      WriteText(stream, text);
      const std::string all = head + text;
      Packets expected;
      for (std::size_t at = 0; at + kBlock <= all.size(); at += kBlock) {
        expected.push_back(all.substr(at, kBlock));
      }
      EXPECT_EQ(socket.Take(), expected);
      EXPECT_TRUE(CloseOutput(stream));
      const std::string tail = all.substr(expected.size() * kBlock);
      EXPECT_EQ(socket.Take(), tail.empty() ? Packets{} : Packets{tail});
    }
  }
}

// A pseudo-terminal in raw mode, so that the bytes arrive untranslated.
class Terminal {
 public:
  Terminal() {
    if (openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) std::abort();
    termios mode;
    tcgetattr(slave_, &mode);
    cfmakeraw(&mode);
    tcsetattr(slave_, TCSANOW, &mode);
  }
  ~Terminal() {
    close(master_);
    close(slave_);
  }
  int Slave() const { return slave_; }

  // Reads until length bytes arrived or 10 s passed.
  std::string Read(std::size_t length) {
    std::string bytes;
    for (int waits = 0; bytes.size() < length && waits < 100;) {
      pollfd request{master_, POLLIN, 0};
      if (poll(&request, 1, 100) <= 0) {
        ++waits;
        continue;
      }
      char chunk[256];
      const ssize_t n = read(master_, chunk, sizeof chunk);
      if (n > 0) bytes.append(chunk, static_cast<std::size_t>(n));
    }
    return bytes;
  }

 private:
  int master_ = -1;
  int slave_ = -1;
};

TEST(OutputStream, TerminalReceivesEachStatementAtItsEnd) {
  IOResultCode = 0;
  Terminal terminal;
  OutputStream stream{terminal.Slave()};
  WriteText(stream, "どれにしますか [0-2] ? ");
  FlushOutput(stream);
  EXPECT_EQ(terminal.Read(23), "どれにしますか [0-2] ? ");
  WriteLineEnd(stream);
  FlushOutput(stream);
  EXPECT_EQ(terminal.Read(2), "\r\n");
  EXPECT_EQ(PendingCode(), 0);
}

// The delivery mode is fixed when the stream opens on the terminal; moving a
// packet socket onto the same descriptor number afterwards shows each
// write(2) that the terminal would have received.
TEST(OutputStream, TerminalDeliveryIsOneWritePerStatement) {
  Terminal terminal;
  PacketPair socket;
  const int descriptor = dup(terminal.Slave());
  OutputStream stream{descriptor};
  WriteText(stream, "Ｓ＝");
  ASSERT_EQ(dup2(socket.Writer(), descriptor), descriptor);

  WriteText(stream, "0.33333");
  WriteLineEnd(stream);
  EXPECT_EQ(socket.Take(), Packets{});
  FlushOutput(stream);
  EXPECT_EQ(socket.Take(), Packets{"Ｓ＝0.33333\r\n"});

  WriteLineEnd(stream);
  FlushOutput(stream);
  EXPECT_EQ(socket.Take(), Packets{"\r\n"});

  FlushOutput(stream);
  EXPECT_EQ(socket.Take(), Packets{});

  const std::string report = Pattern(kBlock + 72);
  WriteText(stream, report);
  EXPECT_EQ(socket.Take(), Packets{report.substr(0, kBlock)});
  FlushOutput(stream);
  EXPECT_EQ(socket.Take(), Packets{report.substr(kBlock)});
  EXPECT_TRUE(CloseOutput(stream));
  EXPECT_EQ(socket.Take(), Packets{});
  close(descriptor);
}

// A failed full-buffer delivery loses its block and drops the rest of that
// string; the code stays, later writes go on into the empty buffer.
TEST(OutputStream, FailedDeliveryLosesItsBytesAndStaysUsable) {
  IOResultCode = 0;
  PacketPair socket;
  const int descriptor = open("/dev/full", O_WRONLY);
  ASSERT_GE(descriptor, 0);
  OutputStream stream{descriptor};
  WriteText(stream, Pattern(100));
  EXPECT_EQ(PendingCode(), 0);
  WriteText(stream, Pattern(200, 'A'));
  EXPECT_EQ(PendingCode(), ENOSPC);

  ASSERT_EQ(dup2(socket.Writer(), descriptor), descriptor);
  WriteText(stream, "after");
  FlushOutput(stream);
  EXPECT_TRUE(CloseOutput(stream));
  EXPECT_EQ(socket.Take(), Packets{"after"});
  EXPECT_EQ(PendingCode(), ENOSPC);
  close(descriptor);
}

TEST(OutputStream, ReaderGoneIsBrokenPipe) {
  signal(SIGPIPE, SIG_IGN);
  IOResultCode = 0;
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  close(ends[0]);
  OutputStream stream{ends[1]};
  WriteText(stream, Pattern(kBlock));
  EXPECT_EQ(PendingCode(), EPIPE);
  WriteText(stream, "rest");
  EXPECT_FALSE(CloseOutput(stream));
  EXPECT_EQ(PendingCode(), EPIPE);
  close(ends[1]);
}

TEST(OutputStream, CloseWritesOutTheRestAndReportsFailure) {
  IOResultCode = 0;
  const int full = open("/dev/full", O_WRONLY);
  ASSERT_GE(full, 0);
  OutputStream failing{full};
  WriteText(failing, "report");
  EXPECT_EQ(PendingCode(), 0);
  EXPECT_FALSE(CloseOutput(failing));
  EXPECT_EQ(PendingCode(), ENOSPC);
  close(full);

  IOResultCode = 0;
  OutputStream neverOpened{ClosedDescriptor()};
  EXPECT_TRUE(CloseOutput(neverOpened));
  EXPECT_EQ(PendingCode(), 0);
}

// Each kind of write on a descriptor that is not open stores 105 and appends
// nothing, the statement's end turns it into 103, and the next write opens
// the stream once the descriptor exists.
TEST(OutputStream, DescriptorNotOpen) {
  struct Write {
    const char* name;
    void (*write)(OutputStream&);
  };
  const Write writes[] = {
      {"text", [](OutputStream& s) { WriteText(s, "banner"); }},
      {"empty text", [](OutputStream& s) { WriteText(s, ""); }},
      {"real", [](OutputStream& s) { WriteReal(s, 0.5, 5, 2); }},
      {"line end", [](OutputStream& s) { WriteLineEnd(s); }},
  };
  for (const Write& write : writes) {
    SCOPED_TRACE(write.name);
    IOResultCode = 0;
    const int descriptor = ClosedDescriptor();
    OutputStream stream{descriptor};
    write.write(stream);
    EXPECT_EQ(PendingCode(), kCodeOutputUnusable);
    FlushOutput(stream);
    EXPECT_EQ(PendingCode(), kCodeOutputNotOpen);

    PacketPair socket;
    ASSERT_EQ(dup2(socket.Writer(), descriptor), descriptor);
    WriteText(stream, "later");
    EXPECT_TRUE(CloseOutput(stream));
    EXPECT_EQ(socket.Take(), Packets{"later"});
    close(descriptor);
  }
}

// A file size limit of 100 bytes makes the 128-byte write partial, and the
// write of the remainder then fails: both show that writing goes on after a
// partial write.
TEST(OutputStream, PartialWriteIsContinued) {
  IOResultCode = 0;
  char path[] = "/tmp/simpson-output-XXXXXX";
  const int descriptor = mkstemp(path);
  ASSERT_GE(descriptor, 0);
  unlink(path);
  rlimit saved;
  getrlimit(RLIMIT_FSIZE, &saved);
  const auto savedHandler = signal(SIGXFSZ, SIG_IGN);
  rlimit limited = saved;
  limited.rlim_cur = 100;
  setrlimit(RLIMIT_FSIZE, &limited);
  OutputStream stream{descriptor};
  const std::string block = Pattern(kBlock);
  WriteText(stream, block);
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, savedHandler);
  EXPECT_EQ(PendingCode(), EFBIG);

  char written[kBlock];
  EXPECT_EQ(pread(descriptor, written, sizeof written, 0), 100);
  EXPECT_EQ(std::string(written, 100), block.substr(0, 100));
  close(descriptor);
}

// A pipe filled to the brim: the next write blocks, or on a non-blocking
// descriptor would block.
struct FullPipe {
  int Reader;
  int Writer;
  std::size_t Filled;
};

FullPipe MakeFullPipe(bool leaveNonBlocking) {
  int ends[2];
  if (pipe(ends) != 0) std::abort();
  fcntl(ends[1], F_SETFL, O_NONBLOCK);
  std::size_t filled = 0;
  for (char byte = 'x'; write(ends[1], &byte, 1) == 1;) ++filled;
  if (!leaveNonBlocking) fcntl(ends[1], F_SETFL, 0);
  return {ends[0], ends[1], filled};
}

// Waits until the thread sleeps in a system call, or has ended.
void WaitUntilSleeping(pid_t thread) {
  const std::string state = "/proc/self/task/" + std::to_string(thread) + "/stat";
  for (int tries = 0; tries < 2000; ++tries) {
    std::ifstream stat(state);
    std::string line;
    if (!std::getline(stat, line)) return;
    const auto name = line.rfind(')');
    if (name != std::string::npos && line.compare(name + 2, 1, "S") == 0) return;
    usleep(1000);
  }
}

// Runs the writes in a thread of their own on the full pipe's writing end,
// which it closes when done; returns that thread's code and what arrived
// after the filling bytes.
struct BlockedWrite {
  int Code = -1;
  std::string Arrived;
};

template <typename Interrupt>
BlockedWrite WriteIntoFullPipe(FullPipe full, const std::string& text, Interrupt interrupt) {
  std::atomic<pid_t> writerThread{0};
  BlockedWrite result;
  std::thread writer([&] {
    writerThread = static_cast<pid_t>(syscall(SYS_gettid));
    OutputStream stream{full.Writer};
    WriteText(stream, text);
    CloseOutput(stream);
    result.Code = IOResultCode;
    close(full.Writer);
  });
  while (writerThread == 0) std::this_thread::yield();
  WaitUntilSleeping(writerThread);
  interrupt(writer);
  std::string received;
  char chunk[4096];
  for (ssize_t n; (n = read(full.Reader, chunk, sizeof chunk)) > 0;) {
    received.append(chunk, static_cast<std::size_t>(n));
  }
  writer.join();
  close(full.Reader);
  result.Arrived = received.substr(std::min(full.Filled, received.size()));
  return result;
}

void Interrupted(int) {}

// A writer blocked on a full pipe is interrupted by a signal before any byte
// moves; the write is retried and nothing is lost.
TEST(OutputStream, InterruptedWriteIsRetried) {
  struct sigaction action {};
  action.sa_handler = Interrupted;  // no SA_RESTART: the blocked write returns EINTR
  struct sigaction saved;
  sigaction(SIGUSR1, &action, &saved);
  const std::string text = Pattern(kBlock + 10);
  const BlockedWrite result = WriteIntoFullPipe(MakeFullPipe(false), text, [](std::thread& writer) {
    pthread_kill(writer.native_handle(), SIGUSR1);
    usleep(20000);
    pthread_kill(writer.native_handle(), SIGUSR1);
  });
  sigaction(SIGUSR1, &saved, nullptr);
  EXPECT_EQ(result.Code, 0);
  EXPECT_EQ(result.Arrived, text);
}

// Someone else made the descriptor non-blocking and the pipe is full: the
// stream waits for room instead of losing the block.
TEST(OutputStream, WouldBlockWaitsForRoom) {
  const std::string text = Pattern(3 * kBlock + 10);
  const BlockedWrite result = WriteIntoFullPipe(MakeFullPipe(true), text, [](std::thread&) {});
  EXPECT_EQ(result.Code, 0);
  EXPECT_EQ(result.Arrived, text);
}

// A wide field whose delivery fails is dropped whole: neither the further
// spaces nor the number are left behind in the buffer.
TEST(OutputStream, FailedRealDropsItsWholeField) {
  IOResultCode = 0;
  PacketPair socket;
  const int descriptor = open("/dev/full", O_WRONLY);
  ASSERT_GE(descriptor, 0);
  OutputStream stream{descriptor};
  WriteReal(stream, 1.0 / 3.0, 100000, 5);
  EXPECT_EQ(PendingCode(), ENOSPC);
  ASSERT_EQ(dup2(socket.Writer(), descriptor), descriptor);
  WriteText(stream, "x");
  EXPECT_TRUE(CloseOutput(stream));
  EXPECT_EQ(socket.Take(), Packets{"x"});
  close(descriptor);
}

}  // namespace
