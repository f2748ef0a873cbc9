// The error stop end to end: the report and the plain line as the built
// programs write them, byte for byte, with the exit codes that go with them.

#include <gtest/gtest.h>

#include <string>

#include "tests/support/hex_pattern.h"
#include "tests/support/process.h"
#include "tests/support/transcript.h"

namespace {

const std::string kMenu = MenuText();
const std::string kInterval = kMenu + IntervalPrompt();
const std::string kOpening = OpeningText();

struct ReportCase {
  const char* Name;
  std::string Input;
  InputFrom From;
  std::string Expected;  // a hex pattern
};

void PrintTo(const ReportCase& report, std::ostream* out) { *out << report.Name; }

class ErrorReport : public testing::TestWithParam<ReportCase> {};

TEST_P(ErrorReport, FollowsTheLastPromptAndEndsTheRunWithOne) {
  const ReportCase& report = GetParam();
  for (OutputTo to : {OutputTo::Pipe, OutputTo::File}) {
    ProcessResult result = RunSimpson(report.Input, report.From, to);
    EXPECT_TRUE(MatchesHexPattern(result.Output, report.Expected));
    EXPECT_EQ(result.ExitCode, 1);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Roads, ErrorReport,
    testing::Values(
        ReportCase{"MalformedDivisions", "1\n0 1\nabc\n", InputFrom::Pipe,
                   kOpening + ReportPattern("EInOutError", "入力値が数値ではありません.")},
        // The upper limit and the rest of the line are read before the stop.
        ReportCase{"MalformedLowerLimit", "1\nabc\n5 6\n2\n", InputFrom::File,
                   kInterval + ReportPattern("EInOutError", "入力値が数値ではありません.")},
        ReportCase{"LargestDivisions", "1\n0 1\n2147483647\n", InputFrom::Pipe,
                   kOpening + ReportPattern("EIntOverflow", "整数のオーバーフロー.")},
        ReportCase{"LimitBeyondDouble", "1\n1e400 5\n", InputFrom::Pipe,
                   kInterval + ReportPattern("EOverflow", "浮動小数点数のオーバーフロー.")},
        ReportCase{"EqualInfiniteLimits", "1\n1e5120 1e5120\n2\n", InputFrom::Pipe,
                   kOpening + ReportPattern("EInvalidOp", "不正な浮動小数点数演算命令.")},
        // 106 is still pending after the overflow's report: no second report.
        ReportCase{"OverflowWhileACodeWaits", "1\nabc 1e400\n", InputFrom::Pipe,
                   kInterval + ReportPattern("EOverflow", "浮動小数点数のオーバーフロー.")},
        ReportCase{"InputClosed", "", InputFrom::Closed,
                   kMenu + ReportPattern("EInOutError", "I/O エラー (104).")},
        ReportCase{"InputIsADirectory", "", InputFrom::Directory,
                   kMenu + ReportPattern("EInOutError", "I/O エラー (21).")}),
    [](const testing::TestParamInfo<ReportCase>& info) { return std::string(info.param.Name); });

TEST(ErrorReport, OnATerminalComesRightAfterTheEchoedLine) {
  TerminalSession session(SimpsonPath());
  session.ReadUntil("どれにしますか [0-2] ? ");
  session.Type("1\n");
  session.ReadUntil("積分区間 [ａ ｂ] ? ");
  session.Type("0 1\n");
  session.ReadUntil("[ｎ] ? ");
  session.Type("abc\n");
  std::string rest;
  EXPECT_EQ(session.Wait(&rest), 1);
  EXPECT_TRUE(MatchesHexPattern(rest, ReportPattern("EInOutError", "入力値が数値ではありません.")));
}

// Output that cannot be written: the run still ends, with 1 and no signal.
TEST(ErrorReport, UnwritableOutputEndsWithOne) {
  for (OutputTo to : {OutputTo::DevFull, OutputTo::Closed, OutputTo::ClosedPipe}) {
    for (const char* input : {"1\n0 1\n2\n0\n", "1\n0 1\nabc\n"}) {
      ProcessResult result = RunSimpson(input, InputFrom::Pipe, to);
      EXPECT_EQ(result.Signal, 0) << input;
      EXPECT_EQ(result.ExitCode, 1) << input;
    }
  }
}

// The fault program writes "before the fault" and then fails as
// SIMPSON_FAULT says.
ProcessResult RunFaultProgram(const std::string& fault, OutputTo to = OutputTo::Pipe) {
  ProcessOptions options;
  options.Executable = std::string(SIMPSON_TEST_PROGRAMS) + "/fault_program";
  options.OutputKind = to;
  // The sanitizers' own fault handlers must leave the signals to the program.
  options.Environment = {
      "SIMPSON_FAULT=" + fault,
      "ASAN_OPTIONS=handle_segv=0:handle_sigbus=0:handle_sigfpe=0:handle_sigill=0:"
      "use_sigaltstack=0:detect_leaks=0"};
  return RunProcess(options);
}

struct FaultCase {
  const char* Fault;
  std::string Expected;  // a hex pattern
  int ExitCode;
};

void PrintTo(const FaultCase& fault, std::ostream* out) { *out << fault.Fault; }

class FaultStop : public testing::TestWithParam<FaultCase> {};

TEST_P(FaultStop, WritesThisAndEndsWithThisCode) {
  const FaultCase& fault = GetParam();
  ProcessResult result = RunFaultProgram(fault.Fault);
  EXPECT_TRUE(MatchesHexPattern(result.Output, fault.Expected));
  EXPECT_EQ(result.ExitCode, fault.ExitCode);
}

const std::string kBefore = "before the fault\r\n";

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultStop,
    testing::Values(
        FaultCase{"null-write",
                  kBefore + ReportPattern("EAccessViolation",
                                          std::string("モジュール 'fault_program' のアドレス ") +
                                              kAddressHexDigits +
                                              " でアドレス 00000000 に対する書き込み違反が"
                                              "おきました。.",
                                          "fault_program"),
                  1},
        // Address 0 lies in no module: the program's own name, printed 00000000.
        FaultCase{"null-call",
                  kBefore +
                      "EAccessViolationがモジュール fault_program の 00000000 で発生しました。\n"
                      "アドレス 00000000 でアドレス 00000000 に対する読み込み違反がおきました。."
                      "\r\n",
                  1},
        FaultCase{"divide",
                  kBefore + ReportPattern("EDivByZero", "ゼロによる除算.", "fault_program"), 1},
        FaultCase{"illegal",
                  kBefore + ReportPattern("EExternalException", "外部例外 4.", "fault_program"), 1},
        FaultCase{
            "stack",
            kBefore + ReportPattern("EStackOverflow", "スタック オーバーフロー.", "fault_program"),
            1},
        // The heap fails as the EIntOverflow object is made.
        FaultCase{"heap",
                  kBefore + ReportPattern("EOutOfMemory", "メモリが足りません.", "fault_program"),
                  1},
        FaultCase{"bad-alloc",
                  kBefore + "EOutOfMemoryがモジュール fault_program の 00000000 で発生しました。\n"
                            "メモリが足りません.\r\n",
                  1},
        FaultCase{"bad-pointer",
                  kBefore +
                      "EInvalidPointerがモジュール fault_program の 00000000 で発生しました。\n"
                      "無効なポインタ操作.\r\n",
                  1},
        FaultCase{"foreign", kBefore + "Runtime error 217 at 00000000\r\n", 217},
        // Outside the window of the exception support: the plain line.
        FaultCase{"before-start", "Runtime error 215 at 00000000\r\n", 215},
        FaultCase{"float-before-start", "Runtime error 205 at 00000000\r\n", 205},
        FaultCase{"start-heap", std::string("Runtime error 203 at ") + kEightHexDigits + "\r\n",
                  203},
        FaultCase{"none", kBefore + "after the fault\r\n", 0}),
    [](const testing::TestParamInfo<FaultCase>& info) {
      std::string name;
      for (const char* c = info.param.Fault; *c != '\0'; ++c) {
        if (*c != '-') name += *c;
      }
      return name;
    });

// Output held to the end and lost there: a normal end must not report success.
TEST(FaultStop, LostFinalOutputGivesOne) {
  ProcessResult result = RunFaultProgram("none", OutputTo::DevFull);
  EXPECT_EQ(result.ExitCode, 1);
  EXPECT_EQ(RunFaultProgram("none", OutputTo::ClosedPipe).ExitCode, 1);
}

// A report made in the signal handler that cannot be written still ends the
// run, with 1.
TEST(FaultStop, UnwritableReportFromTheHandlerEndsWithOne) {
  for (OutputTo to : {OutputTo::DevFull, OutputTo::Closed, OutputTo::ClosedPipe}) {
    ProcessResult result = RunFaultProgram("null-write", to);
    EXPECT_EQ(result.Signal, 0);
    EXPECT_EQ(result.ExitCode, 1);
  }
}

}  // namespace
