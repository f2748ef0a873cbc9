// The built program with standard descriptors that fail under it: a terminal
// that hangs up in the middle of a line, the end byte inside a token, a
// reader that goes away in the middle of the run, a reader so slow that the
// writes come back partial. Each ends with its own output and exit code, and
// none with a crash, a hang or a signal of the program's own making.

#include <gtest/gtest.h>
#include <signal.h>

#include <string>

#include "tests/support/hex_pattern.h"
#include "tests/support/process.h"
#include "tests/support/transcript.h"

namespace {

const std::string kMenu = MenuText();
const std::string kInterval = IntervalPrompt();
const std::string kOpening = OpeningText();

ProcessResult RunSimpsonClosingOutputAfter(const std::string& input, InputFrom from, OutputTo to,
                                           std::size_t closeOutputAfter) {
  ProcessOptions options = SimpsonOptions(input, from, to);
  options.CloseOutputAfter = closeOutputAfter;
  return RunProcess(options);
}

// Many rounds of x² from 0 to 1: some 70 bytes of output a round.
std::string ManyRounds(int rounds) {
  std::string input = "1\n0 1\n";
  for (int i = 0; i < rounds; ++i) input += "2\n";
  return input + "0\n";
}

std::string ManyRoundsOutput(int rounds) {
  std::string output = kOpening;
  for (int i = 0; i < rounds; ++i) output += RoundText("0.33333");
  return output;
}

// The end byte inside a token ends the token and the input: what stands
// before it is read, nothing after it ever is.
TEST(FaultInjection, EndByteInsideATokenEndsTheInputThere) {
  struct Case {
    const char* Input;
    std::string Expected;
  };
  const Case cases[] = {
      {"1\n0 1\n2\x1a"
       "4\n6\n",
       kOpening + RoundText("0.33333")},
      {"1\n0 1\x1a"
       "2\n",
       kOpening},
      {"1\x1a\n0 1\n2\n", kOpening},
  };
  for (const Case& c : cases) {
    for (InputFrom from : {InputFrom::Pipe, InputFrom::File}) {
      const ProcessResult result = RunSimpson(c.Input, from, OutputTo::Pipe);
      EXPECT_EQ(result.Output, c.Expected);
      EXPECT_EQ(result.ExitCode, 0);
    }
  }
}

// Neither standard descriptor open: nothing can be read or written, and the
// run still ends at once with 1.
TEST(FaultInjection, NoDescriptorsAtAllEndsWithOne) {
  const ProcessResult result = RunSimpson("", InputFrom::Closed, OutputTo::Closed);
  EXPECT_EQ(result.Signal, 0);
  EXPECT_EQ(result.ExitCode, 1);
}

// The reader of the pipe goes away after 1000 bytes, while the program still
// has rounds to write: what it read is exactly the start of the transcript,
// the program meets EPIPE instead of dying by SIGPIPE, and ends with 1.
TEST(FaultInjection, ReaderGoneMidRunEndsWithOneAndNoSignal) {
  constexpr int kRounds = 3000;
  const ProcessResult result =
      RunSimpsonClosingOutputAfter(ManyRounds(kRounds), InputFrom::File, OutputTo::Pipe, 1000);
  const std::string full = ManyRoundsOutput(kRounds);
  ASSERT_GE(result.Output.size(), 1000u);
  EXPECT_EQ(result.Output, full.substr(0, result.Output.size()));
  EXPECT_EQ(result.Signal, 0);
  EXPECT_EQ(result.ExitCode, 1);
}

// A reader that takes 16 bytes at a time from a non-blocking socket with the
// smallest buffer: writes come back partial or would block, and every byte
// still arrives once, in order.
TEST(FaultInjection, SlowReaderGetsEveryByteDespitePartialWrites) {
  constexpr int kRounds = 300;
  const ProcessResult normal =
      RunSimpson(ManyRounds(kRounds), InputFrom::File, OutputTo::SlowSocket);
  EXPECT_EQ(normal.Output, ManyRoundsOutput(kRounds));
  EXPECT_EQ(normal.ExitCode, 0);

  const ProcessResult stopped =
      RunSimpson("1\n0 1\n2\nabc\n", InputFrom::File, OutputTo::SlowSocket);
  EXPECT_TRUE(MatchesHexPattern(stopped.Output,
                                kOpening + RoundText("0.33333") +
                                    ReportPattern("EInOutError", "入力値が数値ではありません.")));
  EXPECT_EQ(stopped.ExitCode, 1);
}

// The terminal goes away while the program waits for the rest of a line: the
// hangup signal ends it in the system's default way, as for any terminal
// program, without a report.
TEST(FaultInjection, TerminalHangUpMidLineEndsByTheHangupSignal) {
  TerminalSession session(SimpsonPath());
  session.ReadUntil("どれにしますか [0-2] ? ");
  session.Type("1\n");
  session.ReadUntil(kInterval);
  session.Type("0 1");
  ASSERT_TRUE(session.StaysQuiet(200));
  session.HangUp();
  EXPECT_EQ(session.Wait(), -1);
}

// The same under nohup: the half line and the end of input are read, the next
// write fails with EIO, the report cannot be written either, and the run
// ends with 1.
TEST(FaultInjection, TerminalHangUpUnderNohupEndsWithOne) {
  TerminalSession session(SimpsonPath(), /*ignoreHangup=*/true);
  session.ReadUntil("どれにしますか [0-2] ? ");
  session.Type("1\n");
  session.ReadUntil(kInterval);
  session.Type("0 1");
  ASSERT_TRUE(session.StaysQuiet(200));
  session.HangUp();
  EXPECT_EQ(session.Wait(), 1);
}

}  // namespace
