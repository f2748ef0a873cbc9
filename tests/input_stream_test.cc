#include "console/input_stream.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <string_view>

#include "console/io_result.h"
#include "console/number_reader.h"

namespace {

// A pipe's reading end holding the given bytes, its writing end closed.
int PipeHolding(std::string_view bytes) {
  int ends[2];
  EXPECT_EQ(pipe(ends), 0);
  EXPECT_EQ(write(ends[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  close(ends[1]);
  return ends[0];
}

// A regular file holding the given bytes, open for reading at its start.
int FileHolding(std::string_view bytes) {
  char path[] = "/tmp/input_stream_test_XXXXXX";
  const int descriptor = mkstemp(path);
  EXPECT_GE(descriptor, 0);
  unlink(path);
  EXPECT_EQ(write(descriptor, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  lseek(descriptor, 0, SEEK_SET);
  return descriptor;
}

// A descriptor number that is not open.
int UnopenedDescriptor() {
  const int descriptor = dup(0);
  close(descriptor);
  return descriptor;
}

std::string Rest(InputStream& stream) {
  std::string rest;
  for (unsigned char byte = PeekByte(stream); byte != kEndOfInput; byte = PeekByte(stream)) {
    rest += static_cast<char>(byte);
    ConsumeByte(stream);
  }
  return rest;
}

TEST(SkipLine, EndsALineAtCrLfCrOrLf) {
  struct Case {
    std::string_view Input;
    std::string_view Rest;
  };
  const Case cases[] = {
      {"12\r\n34", "34"},       {"12\r34", "34"},
      {"12\n34", "34"},         {"\r\n\r\n34", "\r\n34"},
      {"12\r\r\n34", "\r\n34"}, {"12\n\r34", "\r34"},
      {"1 2 3\t\x01\r\n", ""},  {"12\r", ""},
      {"no line end", ""},      {"", ""},
      {"ab\x1A\r\ncd", ""},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(std::string(test.Input));
    InputStream stream{PipeHolding(test.Input)};
    IOResultCode = 0;
    SkipLine(stream);
    EXPECT_EQ(Rest(stream), test.Rest);
    EXPECT_EQ(IOResultCode, 0);
    close(stream.Descriptor);
  }
}

// Ending a line at a CR never waits for the next read: on a terminal in raw
// mode Enter sends a lone CR. An LF that arrives with the next read is the
// second half of that line end and is discarded then.
TEST(SkipLine, DoesNotWaitAfterACarriageReturn) {
  int ends[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET, 0, ends), 0);
  ASSERT_EQ(fcntl(ends[0], F_SETFL, O_NONBLOCK), 0);  // a read that would wait fails
  InputStream stream{ends[0]};
  IOResultCode = 0;
  ASSERT_EQ(write(ends[1], "12\r", 3), 3);
  EXPECT_EQ(ReadInteger(stream), 12);
  SkipLine(stream);
  EXPECT_EQ(IOResultCode, 0);

  for (std::string_view packet : {"\n34\r", "\n", "\n\r\n5\r\n"}) {
    ASSERT_EQ(write(ends[1], packet.data(), packet.size()), static_cast<ssize_t>(packet.size()));
  }
  close(ends[1]);
  EXPECT_EQ(ReadInteger(stream), 34);
  SkipLine(stream);
  SkipLine(stream);  // "\n" completes "34\r"; the second LF is a line of its own
  EXPECT_EQ(Rest(stream), "\r\n5\r\n");
  EXPECT_EQ(IOResultCode, 0);
  close(ends[0]);
}

// A line end that comes in the next block is found there.
TEST(SkipLine, CrossesBlocks) {
  for (std::size_t length = kInputBlockSize - 2; length <= kInputBlockSize + 1; ++length) {
    SCOPED_TRACE(length);
    InputStream stream{PipeHolding(std::string(length, 'x') + "\r\n5")};
    SkipLine(stream);
    EXPECT_EQ(ReadInteger(stream), 5);
    close(stream.Descriptor);
  }
}

TEST(InputStream, ReadsAFileInBlocksOnlyWhenTheLastIsUsedUp) {
  const std::string thirtyTwoDigits = std::string(30, '0') + "42";
  const int descriptor = FileHolding(std::string(96, ' ') + thirtyTwoDigits + "7 8");
  InputStream stream{descriptor};
  // The token ends at its limit, on the last byte of the first block: the
  // byte after it is not requested, so the file has given 128 bytes.
  EXPECT_EQ(ReadInteger(stream), 42);
  EXPECT_EQ(lseek(descriptor, 0, SEEK_CUR), static_cast<off_t>(kInputBlockSize));
  EXPECT_EQ(ReadInteger(stream), 7);
  EXPECT_EQ(ReadInteger(stream), 8);
  EXPECT_EQ(ReadInteger(stream), 0);
  close(descriptor);
}

// Once a read has delivered nothing, no read is made again: data that
// appears on the descriptor afterwards is never taken.
TEST(InputStream, EndOfInputIsPermanent) {
  const int descriptor = PipeHolding("5");
  InputStream stream{descriptor};
  IOResultCode = 0;
  EXPECT_EQ(ReadInteger(stream), 5);
  EXPECT_EQ(ReadInteger(stream), 0);

  const int more = PipeHolding("6\r\n7\r\n");
  ASSERT_EQ(dup2(more, descriptor), descriptor);
  EXPECT_EQ(ReadInteger(stream), 0);
  SkipLine(stream);
  EXPECT_TRUE(ReadReal(stream).Value == 0.0L);
  EXPECT_EQ(PeekByte(stream), kEndOfInput);
  EXPECT_EQ(IOResultCode, 0);
  char left[8];
  EXPECT_EQ(read(descriptor, left, sizeof left), 6);
  close(more);
  close(descriptor);
}

TEST(InputStream, TheEndByteEndsTheInputForGood) {
  const int descriptor = PipeHolding(
      "7\x1A"
      "9\r\n8");
  InputStream stream{descriptor};
  IOResultCode = 0;
  EXPECT_EQ(ReadInteger(stream), 7);
  for (int request = 0; request < 3; ++request) {
    SkipLine(stream);
    EXPECT_EQ(ReadInteger(stream), 0);
    EXPECT_TRUE(ReadReal(stream).Value == 0.0L);
  }
  EXPECT_EQ(IOResultCode, 0);
  close(descriptor);
}

// A failed read is reported for that request alone; the next one reads again.
TEST(InputStream, ReadFailureStoresErrnoAndRetries) {
  const int descriptor = open("/", O_RDONLY | O_DIRECTORY);
  ASSERT_GE(descriptor, 0);
  InputStream stream{descriptor};
  IOResultCode = 0;
  EXPECT_EQ(ReadInteger(stream), 0);
  EXPECT_EQ(IOResultCode, 21);
  SkipLine(stream);

  const int data = PipeHolding("12 34");
  ASSERT_EQ(dup2(data, descriptor), descriptor);
  IOResultCode = 0;
  EXPECT_EQ(ReadInteger(stream), 12);
  EXPECT_EQ(ReadInteger(stream), 34);
  EXPECT_EQ(IOResultCode, 0);
  close(data);
  close(descriptor);
}

// A descriptor that is not open leaves the stream closed; the next request
// tries to open it again.
TEST(InputStream, UnopenedDescriptorStores104AndRetries) {
  const int data = PipeHolding("9");
  const int descriptor = UnopenedDescriptor();
  InputStream stream{descriptor};
  IOResultCode = 0;
  EXPECT_EQ(ReadInteger(stream), 0);
  EXPECT_EQ(IOResultCode, 104);
  EXPECT_FALSE(stream.IsOpen);
  IOResultCode = 0;
  SkipLine(stream);
  EXPECT_EQ(IOResultCode, 104);

  ASSERT_EQ(dup2(data, descriptor), descriptor);
  IOResultCode = 0;
  EXPECT_EQ(ReadInteger(stream), 9);
  EXPECT_TRUE(stream.IsOpen);
  EXPECT_EQ(IOResultCode, 0);
  close(data);
  close(descriptor);
}

void IgnoreSignal(int) {}

struct DelayedWrite {
  pthread_t Reader;
  int Descriptor;
};

// Interrupts the reader while it waits, and only then writes the number.
void* InterruptThenWrite(void* argument) {
  const DelayedWrite& job = *static_cast<DelayedWrite*>(argument);
  usleep(100 * 1000);
  pthread_kill(job.Reader, SIGUSR1);
  usleep(50 * 1000);
  EXPECT_EQ(write(job.Descriptor, "31\r\n", 4), 4);
  close(job.Descriptor);
  return nullptr;
}

// A signal that interrupts a waiting read does not end the input.
TEST(InputStream, RetriesAnInterruptedRead) {
  struct sigaction action {};
  action.sa_handler = IgnoreSignal;  // without SA_RESTART, so that read fails with EINTR
  struct sigaction previous {};
  ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  DelayedWrite job{pthread_self(), ends[1]};
  pthread_t writer;
  ASSERT_EQ(pthread_create(&writer, nullptr, InterruptThenWrite, &job), 0);
  InputStream stream{ends[0]};
  IOResultCode = 0;
  EXPECT_EQ(ReadInteger(stream), 31);
  EXPECT_EQ(IOResultCode, 0);
  pthread_join(writer, nullptr);
  close(ends[0]);
  sigaction(SIGUSR1, &previous, nullptr);
}

}  // namespace
