#include "errors/report.h"

#include <gnu/libc-version.h>
#include <gtest/gtest.h>

#include <string>

#include "errors/modules.h"

namespace {

// An address 2468 hexadecimal above the load address of this test program,
// inside its first loaded segment.
const void* AddressInProgram() {
  RecordProgramModule();
  CodeModule module = ModuleOfAddress(reinterpret_cast<const void*>(&FormatExceptionReport));
  EXPECT_TRUE(module.Found);
  EXPECT_STREQ(module.Name, "simpson_tests");
  return reinterpret_cast<const void*>(module.Base + 0x2468);
}

std::string Report(const TObject& object, const void* address) {
  char text[kReportTextCapacity];
  std::size_t length = FormatExceptionReport(object, address, text);
  EXPECT_LT(length, kReportTextCapacity);
  EXPECT_EQ(text[length], '\0');
  return std::string(text, length);
}

TEST(ExceptionReport, NamesClassModuleAndRelativeAddressThenTheMessage) {
  EInOutError error("入力値が数値ではありません", 106);
  EXPECT_EQ(Report(error, AddressInProgram()),
            "EInOutErrorがモジュール simpson_tests の 00002468 で発生しました。\n"
            "入力値が数値ではありません.");
}

TEST(ExceptionReport, AddsTheFullStopUnlessTheLastByteIsOne) {
  const void* address = AddressInProgram();
  const std::string head = "EConvertErrorがモジュール simpson_tests の 00002468 で発生しました。\n";
  const std::pair<const char*, const char*> cases[] = {
      {"abc", "abc."},
      {"abc.", "abc."},
      {"終わり。", "終わり。."},  // the full-width stop ends in 42, not 2E
      {"", ""},
  };
  for (const auto& [message, expected] : cases) {
    EXPECT_EQ(Report(EConvertError(message), address), head + expected) << message;
  }
}

TEST(ExceptionReport, AnObjectThatIsNoExceptionHasNoMessage) {
  EXPECT_EQ(Report(TObject(), AddressInProgram()),
            "TObjectがモジュール simpson_tests の 00002468 で発生しました。\n");
}

TEST(ExceptionReport, AnAddressInNoModuleIsTakenAsThePrograms) {
  RecordProgramModule();
  EIntOverflow error("整数のオーバーフロー", nullptr);
  EXPECT_EQ(Report(error, nullptr),
            "EIntOverflowがモジュール simpson_tests の 00000000 で発生しました。\n"
            "整数のオーバーフロー.");
  // Below the lowest address the system maps: printed less the first page.
  EXPECT_EQ(Report(error, reinterpret_cast<const void*>(0x1234)),
            "EIntOverflowがモジュール simpson_tests の 00000234 で発生しました。\n"
            "整数のオーバーフロー.");
}

// A class whose name alone fills the report.
class ELongNamed : public Exception {
 public:
  using Exception::Exception;
  const char* ClassName() const override { return Name.c_str(); }
  std::string Name = std::string(1000, 'N');
};

TEST(ExceptionReport, IsCutAt1023Bytes) {
  const void* address = AddressInProgram();
  ELongNamed error(std::string(300, 'm'));
  const std::string rest =
      "がモジュール simpson_tests の 00002468 で発生しました。\n" + std::string(300, 'm') + ".";
  // 1,023 bytes stand whole; one more loses the last byte, the suffix.
  error.Name = std::string(1023 - rest.size(), 'N');
  EXPECT_EQ(Report(error, address), error.Name + rest);
  error.Name += 'N';
  EXPECT_EQ(Report(error, address), (error.Name + rest).substr(0, 1023));
  error.Name = std::string(2000, 'N');
  EXPECT_EQ(Report(error, address), std::string(1023, 'N'));
}

TEST(ModuleOfAddress, NamesASharedLibraryByItsFileName) {
  CodeModule module = ModuleOfAddress(reinterpret_cast<const void*>(&gnu_get_libc_version));
  EXPECT_TRUE(module.Found);
  EXPECT_STREQ(module.Name, "libc.so.6");
  EXPECT_NE(module.Base, 0u);
}

struct PlainLineCase {
  std::uint32_t Number;
  std::uintptr_t Address;
  const char* Expected;
};

TEST(PlainLine, PutsTheNumberAtByte17AndTheAddressAtByte29) {
  const PlainLineCase cases[] = {
      {215, 0x2468, "Runtime error 215 at 00002468"},
      {5, 0x2468, "Runtime error   5 at 00002468"},
      {1784, 0x2468, "Runtime error1784 at 00002468"},
      {0, 0, "Runtime error   0 at 00000000"},
      {4294967295u, 0xABCDEF01, "Runtime4294967295 at ABCDEF01"},
      {216, 0x7F1234567890, "Runtime error 216 at 7F1234567890"},
  };
  for (const PlainLineCase& c : cases) {
    char line[kPlainLineCapacity];
    std::size_t length = FormatPlainLine(c.Number, c.Address, line);
    EXPECT_EQ(std::string(line, length), c.Expected);
  }
}

TEST(PlainLine, AddressIsRelativeToItsModuleOnly) {
  EXPECT_EQ(PlainLineAddress(AddressInProgram()), 0x2468u);
  EXPECT_EQ(PlainLineAddress(reinterpret_cast<const void*>(0x1234)), 0x1234u);
  EXPECT_EQ(PlainLineAddress(nullptr), 0u);
}

}  // namespace
