// The built program on input meant to break it: huge tokens and lines,
// floods of empty lines, every byte value, NUL bytes, double-byte characters,
// and a locale with a decimal comma. Each gives the defined result, in memory
// that does not grow with the input.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "tests/support/hex_pattern.h"
#include "tests/support/process.h"
#include "tests/support/transcript.h"

namespace {

const std::string kMenu = MenuText();
const std::string kInterval = kMenu + IntervalPrompt();
const std::string kOpening = OpeningText();
const std::string kThird = kOpening + RoundText("0.33333");
const std::string kNotANumber = ReportPattern("EInOutError", "入力値が数値ではありません.");

// Huge input is given as a file, so that the test's own feeding costs nothing.
ProcessResult RunSimpsonOnFile(const std::string& input,
                               std::vector<std::string> environment = {}) {
  ProcessOptions options = SimpsonOptions(input, InputFrom::File);
  options.Environment = std::move(environment);
  return RunProcess(options);
}

// Huge input changes nothing but the time it takes to discard: the output,
// the exit code and the number of heap allocations (none of them the
// dialogue's) equal those of the short form of the same answers.
TEST(HostileInput, HugeTokensLinesAndFloodsGiveTheShortFormsResult) {
  struct Case {
    const char* Name;
    std::string Huge;
    std::string Short;
  };
  const Case cases[] = {
      // A first number of 10^6 bytes: its first 64 bytes are the lower limit,
      // the next 64 the upper one, and the rest of the line is discarded.
      {"MillionByteToken", "1\n" + std::string(1000000, '1') + "\n2\n0\n",
       "1\n" + std::string(64, '1') + " " + std::string(64, '1') + "\n2\n0\n"},
      {"TenMillionByteLine", "1 " + std::string(10000000, 'x') + "\n0 1\n2\n0\n", "1\n0 1\n2\n0\n"},
      {"MillionEmptyLines", "1\n" + std::string(1000000, '\n') + "0 1\n2\n0\n", "1\n0 1\n2\n0\n"},
      {"MillionCrLfLines", "1\r\n0" + std::string(2000000, '\r') + "1\r\n2\r\n0\r\n",
       "1\r\n0 1\r\n2\r\n0\r\n"},
      {"NulBytes", std::string("1\0\0\n0\0001\0\n2\0\n0\n", 14), "1\n0 1\n2\n0\n"},
  };
  for (const Case& c : cases) {
    const ProcessResult huge = RunSimpsonOnFile(c.Huge);
    const ProcessResult brief = RunSimpsonOnFile(c.Short);
    EXPECT_EQ(huge.Output, brief.Output) << c.Name;
    EXPECT_EQ(huge.ExitCode, brief.ExitCode) << c.Name;
    EXPECT_EQ(AllocationsOfRun(c.Huge), AllocationsOfRun(c.Short)) << c.Name;
  }
  EXPECT_EQ(RunSimpsonOnFile(cases[1].Short).Output, kThird);
}

// A choice token of 10^6 digits is cut at 32 bytes, which overflow.
TEST(HostileInput, MillionDigitIntegerFailsAsNotANumber) {
  const ProcessResult result = RunSimpsonOnFile(std::string(1000000, '9') + "\n0 1\n2\n0\n");
  EXPECT_TRUE(MatchesHexPattern(result.Output, kMenu + kNotANumber));
  EXPECT_EQ(result.ExitCode, 1);
}

// Every byte value in front of the answers: separators (all of 0x00 to 0x20
// but 0x1A) change nothing, 0x1A ends the input, and a byte that cannot begin
// an integer makes the choice not a number.
TEST(HostileInput, EveryByteValueBeforeTheChoice) {
  for (int byte = 0; byte <= 0xFF; ++byte) {
    const char c = static_cast<char>(byte);
    const ProcessResult result = RunSimpsonOnFile(std::string(1, c) + "1\n0 1\n2\n0\n");
    const bool startsNumber =
        (c >= '0' && c <= '9') || c == '-' || c == '$' || c == 'x' || c == 'X';
    if (byte == 0x1A) {
      EXPECT_EQ(result.Output, kOpening);
    } else if (byte <= 0x20 || c == '+') {
      EXPECT_EQ(result.Output, kThird) << byte;
    } else if (!startsNumber) {
      EXPECT_TRUE(MatchesHexPattern(result.Output, kMenu + kNotANumber)) << byte;
    }
    EXPECT_TRUE(result.ExitCode == 0 || result.ExitCode == 1) << byte;
    EXPECT_EQ(result.Signal, 0) << byte;
  }
}

// All 256 byte values in order: 0x00 to 0x19 are separators and 0x1A ends the
// input before any token; without 0x1A, "!" and what follows is no number.
TEST(HostileInput, AllByteValuesInOrder) {
  std::string all;
  for (int byte = 0; byte <= 0xFF; ++byte) all += static_cast<char>(byte);
  const ProcessResult ended = RunSimpsonOnFile(all);
  EXPECT_EQ(ended.Output, kOpening);
  EXPECT_EQ(ended.ExitCode, 0);

  std::string withoutEnd = all;
  withoutEnd.erase(0x1A, 1);
  const ProcessResult failed = RunSimpsonOnFile(withoutEnd);
  EXPECT_TRUE(MatchesHexPattern(failed.Output, kMenu + kNotANumber));
  EXPECT_EQ(failed.ExitCode, 1);
}

// Double-byte characters are token bytes: a full-width digit is no number, a
// full-width space joins two numbers into one token, and a trail byte 0x5C
// ("表") is a byte like any other.
TEST(HostileInput, ShiftJisCharactersAreTokenBytes) {
  const std::string fullWidthOne = "１";
  const ProcessResult digit = RunSimpsonOnFile(fullWidthOne + "\n0 1\n2\n0\n");
  EXPECT_TRUE(MatchesHexPattern(digit.Output, kMenu + kNotANumber));

  // "0　1" is one malformed token; the upper limit then comes from the next line.
  const ProcessResult space = RunSimpsonOnFile("1\n0　1\n2\n0\n");
  EXPECT_TRUE(MatchesHexPattern(space.Output, kInterval + kNotANumber));

  const ProcessResult trail = RunSimpsonOnFile("1\n0 1表\n");
  EXPECT_TRUE(MatchesHexPattern(trail.Output, kInterval + kNotANumber));
  for (const ProcessResult* result : {&digit, &space, &trail}) EXPECT_EQ(result->ExitCode, 1);
}

// A locale of its own with a decimal comma, made with localedef in a
// temporary directory; empty when the machine cannot make one.
std::string DecimalCommaLocaleDirectory() {
  static const std::string directory = [] {
    char path[] = "/tmp/simpson-locale-XXXXXX";
    if (mkdtemp(path) == nullptr) return std::string();
    const std::string command =
        std::string("localedef -i de_DE -f UTF-8 ") + path + "/de_DE.UTF-8 >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0 &&
        access((std::string(path) + "/de_DE.UTF-8").c_str(), F_OK) != 0) {
      return std::string();
    }
    return std::string(path);
  }();
  return directory;
}

// The program reads and writes the point whatever the locale says.
TEST(HostileInput, DecimalCommaLocaleChangesNothing) {
  const std::string directory = DecimalCommaLocaleDirectory();
  if (directory.empty()) GTEST_SKIP() << "no decimal-comma locale can be made here";
  const std::string input = "1\n0 1.5\n3\n0\n";
  const ProcessResult plain = RunSimpsonOnFile(input, {"LC_ALL=C"});
  const ProcessResult comma =
      RunSimpsonOnFile(input, {"LOCPATH=" + directory, "LC_ALL=de_DE.UTF-8", "LANG=de_DE.UTF-8"});
  EXPECT_EQ(comma.Output, plain.Output);
  EXPECT_NE(plain.Output.find("Ｓ＝1.12500\r\n"), std::string::npos);
  const ProcessResult commaInput =
      RunSimpsonOnFile("1\n0 1,5\n", {"LOCPATH=" + directory, "LC_ALL=de_DE.UTF-8"});
  EXPECT_TRUE(MatchesHexPattern(commaInput.Output, kInterval + kNotANumber));
}

}  // namespace
