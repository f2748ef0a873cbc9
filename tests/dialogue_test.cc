// The dialogue end to end: the built simpson on pipes, files and a
// pseudo-terminal, compared as the exact Shift_JIS bytes it writes.

#include <gtest/gtest.h>

#include <string>

#include "dialogue/texts.h"
#include "tests/support/process.h"
#include "tests/support/transcript.h"

namespace {

const std::string kLineEnd = "\r\n";

struct Transcript {
  const char* Name;
  std::string Input;
  std::string Output;
};

void PrintTo(const Transcript& transcript, std::ostream* out) { *out << transcript.Name; }

class DialogueTranscript : public testing::TestWithParam<Transcript> {};

TEST_P(DialogueTranscript, WritesExactlyTheseBytesAndEndsWithZero) {
  const Transcript& transcript = GetParam();
  for (InputFrom from : {InputFrom::Pipe, InputFrom::File}) {
    ProcessResult result = RunSimpson(transcript.Input, from);
    EXPECT_EQ(result.Output, transcript.Output);
    EXPECT_EQ(result.ExitCode, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Dialogue, DialogueTranscript,
    testing::Values(
        Transcript{"Typical", "1\r\n0 1\r\n2\r\n0\r\n", OpeningText() + RoundText("0.33333")},
        Transcript{"LineFeedLineEnds", "1\n0 1\n2\n0\n", OpeningText() + RoundText("0.33333")},
        Transcript{"CubicIsExact", "1\n0 3\n4\n0\n", OpeningText() + RoundText("9.00000")},
        // An odd n is rounded up to the next even number of panels.
        Transcript{"OddDivisionsRoundUp", "2\n0 3.14159265358979\n1\n2\n3\n4\n10\n0\n",
                   OpeningText() + RoundText("2.09440") + RoundText("2.09440") +
                       RoundText("2.00456") + RoundText("2.00456") + RoundText("2.00011")},
        Transcript{"ReversedInterval", "1\n1 0\n2\n0\n", OpeningText() + RoundText("-0.33333")},
        Transcript{"EmptyIntervalSine", "2\n-1 -1\n2\n0\n", OpeningText() + RoundText("-0.00000")},
        Transcript{"EmptyIntervalSquare", "1\n2 2\n2\n0\n", OpeningText() + RoundText("0.00000")},
        Transcript{"TypedInValues", "0\n0 1\n2\n0\n0.25\n1\n0\n",
                   OpeningText() + ValuePromptText(" 0.00") + ValuePromptText(" 0.50") +
                       ValuePromptText(" 1.00") + RoundText("0.33333")},
        // Every choice but 1 and 2 selects the typed-in kind; the prompt's
        // field widens for a wide abscissa and the values are asked from a
        // towards b.
        Transcript{"OtherChoicesTypeIn", "100\n-1 100\n1\n1\n2\n3\n0\n",
                   OpeningText() + ValuePromptText("-1.00") + ValuePromptText("49.50") +
                       ValuePromptText("100.00") + RoundText("202.00000")},
        Transcript{"EmptyIntervalAsksAtOneAbscissa", "-1\n12.5 12.5\n2\n7\n8\n9\n0\n",
                   OpeningText() + ValuePromptText("12.50") + ValuePromptText("12.50") +
                       ValuePromptText("12.50") + RoundText("0.00000")},
        Transcript{"ExtraNumbersDiscarded", "1 0 1\n0 3 7\n4 5\n0\n",
                   OpeningText() + RoundText("9.00000")},
        Transcript{"LimitsOnTwoLines", "1\n0\n3\n4\n0\n", OpeningText() + RoundText("9.00000")},
        Transcript{"ZeroEndsAtFirstPrompt", "1\n0 1\n0\n", OpeningText()},
        Transcript{"NegativeEndsAtFirstPrompt", "1\n0 1\n-5\n", OpeningText()},
        Transcript{"NegativeEndsLater", "1\n0 1\n2\n-2147483648\n",
                   OpeningText() + RoundText("0.33333")},
        Transcript{"EndOfInputAtChoice", "", OpeningText()},
        Transcript{"EndOfInputAtInterval", "1\n", OpeningText()},
        Transcript{"EndOfInputAtFirstDivisions", "1\n0 1\n", OpeningText()},
        Transcript{"EndOfInputAtLaterDivisions", "1\n0 1\n2", OpeningText() + RoundText("0.33333")},
        // Every value read at end of input is 0.
        Transcript{"EndOfInputAtValue", "0\n0 1\n2\n",
                   OpeningText() + ValuePromptText(" 0.00") + ValuePromptText(" 0.50") +
                       ValuePromptText(" 1.00") + RoundText("0.00000")},
        Transcript{"ControlZEndsInput",
                   "1\n0 1\n2\n\x1a"
                   "4\n",
                   OpeningText() + RoundText("0.33333")},
        Transcript{"ExponentForm", "1\n0 1e13\n2\n0\n", OpeningText() + RoundText(" 3.3E+0038")},
        Transcript{"InfiniteLimitCarriedThrough", "1\n0 1e5120\n2\n0\n",
                   OpeningText() + RoundText("+Inf")},
        Transcript{"SineBeyondItsRange", "2\n1e19 2e19\n2\n0\n",
                   OpeningText() + RoundText("0.00000")}),
    [](const testing::TestParamInfo<Transcript>& info) { return std::string(info.param.Name); });

TEST(DialogueTexts, HaveTheirShiftJisByteCounts) {
  EXPECT_EQ(kBannerText.size(), 24u);
  EXPECT_EQ(kMenuTitleText.size(), 26u);
  EXPECT_EQ(kMenuTypedInText.size(), 38u);
  EXPECT_EQ(kMenuSquareText.size(), 12u);
  EXPECT_EQ(kMenuSineText.size(), 14u);
  EXPECT_EQ(kChoicePromptText.size(), 23u);
  EXPECT_EQ(kIntervalPromptText.size(), 19u);
  EXPECT_EQ(kFirstDivisionPromptText.size(), 47u);
  EXPECT_EQ(kResultLabelText.size(), 4u);
  EXPECT_EQ(kDivisionPromptText.size(), 41u);
  EXPECT_EQ(kAbscissaLabelText.size(), 4u);
  EXPECT_EQ(kValueLabelText.size(), 6u);
  // ソ is 83 5C: its trail byte must stand as it is, not as an escape.
  EXPECT_EQ(kBannerText.substr(14, 2), std::string_view("\x83\x5c", 2));
}

TEST(DialogueBytes, ResultLineAndValuePromptAreTheseBytes) {
  ProcessResult result = RunSimpson("0\n0.5 0.5\n2\n1\n1\n1\n0\n");
  const std::string valuePrompt = "\x82\x98\x81\x81\x20\x30\x2e\x35\x30\x20\x20\x82\x99\x81\x81";
  EXPECT_EQ(result.Output,
            OpeningText() + valuePrompt + valuePrompt + valuePrompt + RoundText("0.00000"));
  ProcessResult third = RunSimpson("1\n0 1\n2\n0\n");
  EXPECT_NE(third.Output.find("\x82\x72\x81\x81\x30\x2e\x33\x33\x33\x33\x33\x0d\x0a"),
            std::string::npos);
}

// The failures that stop the dialogue: the stop names the error's class
// right after what the dialogue had written, and nothing of the dialogue
// follows it.
struct Stop {
  const char* Name;
  std::string Input;
  std::string Before;
  std::string ClassName;
};

void PrintTo(const Stop& stop, std::ostream* out) { *out << stop.Name; }

class DialogueStop : public testing::TestWithParam<Stop> {};

TEST_P(DialogueStop, ReportsTheClassAfterTheOutputAndEndsWithOne) {
  const Stop& stop = GetParam();
  ProcessResult result = RunSimpson(stop.Input);
  ASSERT_GE(result.Output.size(), stop.Before.size());
  EXPECT_EQ(result.Output.substr(0, stop.Before.size()), stop.Before);
  const std::string reportStart = stop.ClassName + "がモジュール simpson の ";
  EXPECT_EQ(result.Output.substr(stop.Before.size(), reportStart.size()), reportStart);
  EXPECT_EQ(result.ExitCode, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Dialogue, DialogueStop,
    testing::Values(
        Stop{"LargestDivisions", "1\n0 1\n2147483647\n", OpeningText(), "EIntOverflow"},
        Stop{"LargestDivisionsLater", "1\n0 1\n2\n2147483647\n",
             OpeningText() + RoundText("0.33333"), "EIntOverflow"},
        Stop{"MalformedDivisions", "1\n0 1\nabc\n", OpeningText(), "EInOutError"},
        Stop{"MalformedChoice", "1x\n", MenuText(), "EInOutError"},
        Stop{"MalformedLowerLimit", "1\nabc\n5 6\n2\n", MenuText() + IntervalPrompt(),
             "EInOutError"},
        Stop{"LowerLimitBeyondDouble", "1\n1e400 5\n", MenuText() + IntervalPrompt(), "EOverflow"},
        Stop{"LowerLimitBeyondExtended", "1\n1e5000 5\n", MenuText() + IntervalPrompt(),
             "EOverflow"},
        Stop{"SquareBeyondDouble", "1\n2e154 3e154\n2\n", OpeningText(), "EOverflow"},
        Stop{"SumBeyondDouble", "0\n0 1\n2\n1e308\n1e308\n",
             OpeningText() + ValuePromptText(" 0.00") + ValuePromptText(" 0.50"), "EOverflow"},
        Stop{"TypedValueBeyondDouble", "0\n0 1\n2\n1e309\n",
             OpeningText() + ValuePromptText(" 0.00"), "EOverflow"},
        Stop{"EqualInfiniteLimits", "1\n1e5120 1e5120\n2\n", OpeningText(), "EInvalidOp"},
        Stop{"SineOfInfinity", "2\n0 1e5120\n2\n", OpeningText(), "EInvalidOp"},
        Stop{"OppositeInfiniteSum", "0\n0 1\n2\n-1e5120\n1e5120\n",
             OpeningText() + ValuePromptText(" 0.00") + ValuePromptText(" 0.50"), "EInvalidOp"},
        Stop{"InfinityTimesZeroStep", "0\n1 1\n2\n1e5120\n0\n0\n",
             OpeningText() + ValuePromptText(" 1.00") + ValuePromptText(" 1.00") +
                 ValuePromptText(" 1.00"),
             "EInvalidOp"}),
    [](const testing::TestParamInfo<Stop>& info) { return std::string(info.param.Name); });

TEST(DialogueDelivery, FileOrPipeGetsBlocksOf128AndTheRestAtTheEnd) {
  ProcessResult result =
      RunSimpson("1\n0 1\n2\n4\n6\n0\n", InputFrom::Pipe, OutputTo::PacketSocket);
  const std::string expected =
      OpeningText() + RoundText("0.33333") + RoundText("0.33333") + RoundText("0.33333");
  EXPECT_EQ(result.Output, expected);
  ASSERT_EQ(result.Writes.size(), (expected.size() + 127) / 128);
  for (std::size_t i = 0; i + 1 < result.Writes.size(); ++i)
    EXPECT_EQ(result.Writes[i].size(), 128u);
  EXPECT_EQ(result.ExitCode, 0);
}

TEST(DialogueDelivery, ReportFollowsAllEarlierOutputInAFile) {
  ProcessResult result = RunSimpson("1\n0 1\n2\n4\nabc\n", InputFrom::File, OutputTo::File);
  const std::string before = OpeningText() + RoundText("0.33333") + RoundText("0.33333");
  ASSERT_GE(result.Output.size(), before.size());
  EXPECT_EQ(result.Output.substr(0, before.size()), before);
  const std::string reportStart = "EInOutErrorがモジュール simpson の ";
  EXPECT_EQ(result.Output.substr(before.size(), reportStart.size()), reportStart);
  EXPECT_EQ(result.Output.substr(result.Output.size() - 2), kLineEnd);
  EXPECT_EQ(result.ExitCode, 1);
}

TEST(DialogueTerminal, EachPromptArrivesBeforeTheProgramWaits) {
  TerminalSession session(SimpsonPath());
  EXPECT_EQ(session.ReadUntil(MenuText()), MenuText());
  EXPECT_TRUE(session.StaysQuiet(200));
  session.Type("1\n");
  EXPECT_EQ(session.ReadUntil(IntervalPrompt()), IntervalPrompt());
  session.Type("0 1\n");
  EXPECT_EQ(session.ReadUntil(FirstDivisionPrompt()), kLineEnd + FirstDivisionPrompt());
  session.Type("2\n");
  EXPECT_EQ(session.ReadUntil(RoundText("0.33333")), RoundText("0.33333"));
  session.Type("0\n");
  std::string rest;
  EXPECT_EQ(session.Wait(&rest), 0);
  EXPECT_EQ(rest, "");
}

TEST(DialogueTerminal, MalformedLowerLimitWaitsForTheUpperOne) {
  TerminalSession session(SimpsonPath());
  session.ReadUntil(MenuText());
  session.Type("1\r\n");
  session.ReadUntil(IntervalPrompt());
  session.Type("abc\r\n");
  EXPECT_TRUE(session.StaysQuiet(300));
  session.Type("5\r\n");
  std::string report;
  EXPECT_EQ(session.Wait(&report), 1);
  const std::string reportStart = "EInOutErrorがモジュール simpson の ";
  EXPECT_EQ(report.substr(0, reportStart.size()), reportStart);
}

TEST(DialogueMemory, AllocatesNothingWhateverTheDialogueDoes) {
  // A run that ends at once against one through every kind, many rounds and
  // typed-in values: whatever start-up allocates, the dialogue adds nothing.
  const long baseline = AllocationsOfRun("");
  if (baseline < 0) GTEST_SKIP() << "the sanitizers' allocator cannot be interposed";
  std::string busy = "0\n-1 1\n";
  for (int round = 0; round < 50; ++round) busy += "2\n1.5\n2.5\n3.5\n";
  busy += "0\n";
  EXPECT_EQ(AllocationsOfRun(busy), baseline);
  EXPECT_EQ(AllocationsOfRun("1\n0 1\n1000\n999\n0\n"), baseline);
  EXPECT_EQ(AllocationsOfRun("2\n0 3.14159265358979\n100000\n3\n0\n"), baseline);
}

}  // namespace
