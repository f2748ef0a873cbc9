#include "errors/message_format.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "errors/catalogue.h"

namespace {

using Argument = FormatArgument;

std::string Format(std::string_view format, const std::vector<Argument>& arguments,
                   std::size_t capacity = 256) {
  std::vector<char> text(capacity, '#');
  std::size_t length = FormatMessage(format, arguments, text.data(), capacity);
  EXPECT_LT(length, capacity);
  EXPECT_EQ(text[length], '\0');
  return std::string(text.data(), length);
}

struct FormatCase {
  const char* Format;
  std::vector<Argument> Arguments;
  const char* Expected;
};

TEST(MessageFormat, FillsEachPlaceholderAsTheCatalogueMeansIt) {
  const FormatCase cases[] = {
      {"%s|%d|%x|%p",
       {Argument::OfText("ab"), Argument::OfInteger(-12), Argument::OfInteger(255),
        Argument::OfAddress(std::uintptr_t{0x2468})},
       "ab|-12|FF|00002468"},
      {"%d %d", {Argument::OfInteger(INT_MIN), Argument::OfInteger(0)}, "-2147483648 0"},
      {"%x %x", {Argument::OfInteger(-1), Argument::OfInteger(0)}, "FFFFFFFF 0"},
      {"外部例外 %x", {Argument::OfInteger(11)}, "外部例外 B"},
      // An address never loses a digit, however many it needs.
      {"%p %p",
       {Argument::OfAddress(std::uintptr_t{0}),
        Argument::OfAddress(std::uintptr_t{0x7F1234567890})},
       "00000000 7F1234567890"},
      // Indexed placeholders, and an unindexed one taking the argument after
      // the last one used.
      {"%2:s%0:s%s", {Argument::OfText("a"), Argument::OfText("b"), Argument::OfText("c")}, "cab"},
      {"%1:s %s", {Argument::OfText("a"), Argument::OfText("b"), Argument::OfText("c")}, "b c"},
      {"アドレス %0:p でアドレス %2:p に対する%1:s違反がおきました。",
       {Argument::OfAddress(std::uintptr_t{0x1234}), Argument::OfText("書き込み"),
        Argument::OfAddress(std::uintptr_t{0x10})},
       "アドレス 00001234 でアドレス 00000010 に対する書き込み違反がおきました。"},
      // A text argument is copied whole, never scanned for placeholders.
      {"[%s]", {Argument::OfText("%d 表示")}, "[%d 表示]"},
  };
  for (const FormatCase& c : cases) {
    EXPECT_EQ(Format(c.Format, c.Arguments), c.Expected) << c.Format;
  }
}

TEST(MessageFormat, CopiesWhatIsNoUsablePlaceholderUnchanged) {
  const FormatCase cases[] = {
      {"100% sure %", {}, "100% sure %"},
      {"%% %q %1s %:s", {Argument::OfText("x")}, "%% %q %1s %:s"},
      {"%s and %s", {Argument::OfText("x")}, "x and %s"},
      {"%d%5:s", {Argument::OfText("x")}, "%d%5:s"},
      // Shift_JIS trail bytes 5C ("表") and 40 ("　") are plain bytes.
      {"表　%s", {Argument::OfText("!")}, "表　!"},
  };
  for (const FormatCase& c : cases) {
    EXPECT_EQ(Format(c.Format, c.Arguments), c.Expected) << c.Format;
  }
}

TEST(MessageFormat, CutsAtTheCapacityLeavingRoomForTheZeroByte) {
  EXPECT_EQ(Format("abcdefgh", {}, 6), "abcde");
  EXPECT_EQ(Format("ab%scd", {Argument::OfText("XYZ")}, 5), "abXY");
  EXPECT_EQ(Format("%p", {Argument::OfAddress(std::uintptr_t{0x2468})}, 4), "000");
  EXPECT_EQ(Format("abc", {}, 1), "");
}

TEST(InOutErrorMessage, GivesTheTableTextOrTheNumberedOne) {
  const std::pair<std::int32_t, const char*> cases[] = {
      {2, "ファイルが見つかりません"},
      {3, "不正なファイル名です"},
      {4, "オープンしたファイルが多すぎます"},
      {5, "ファイルへのアクセスが拒否されました"},
      {100, "ファイルの末尾以降を読み込みました"},
      {101, "ディスクがいっぱいです"},
      {106, "入力値が数値ではありません"},
      {103, "I/O エラー (103)"},
      {32, "I/O エラー (32)"},
      {-7, "I/O エラー (-7)"},
  };
  for (const auto& [code, expected] : cases) {
    char message[kMessageCapacity];
    std::size_t length = InOutErrorMessage(code, message);
    EXPECT_EQ(std::string(message, length), expected) << code;
  }
}

}  // namespace
