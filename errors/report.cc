#include "errors/report.h"

#include <cstring>
#include <string_view>

#include "console/io_result.h"
#include "console/output_stream.h"
#include "errors/catalogue.h"
#include "errors/message_format.h"
#include "errors/modules.h"
#include "errors/run.h"

namespace {

constexpr char kPlainLineTemplate[] = "Runtime error     at 00000000";
constexpr std::size_t kPlainNumberEnd = 17;  // one past the number's last byte
constexpr std::size_t kPlainAddressStart = 21;
static_assert(sizeof kPlainLineTemplate - 1 == kPlainAddressStart + kAddressDigitsMinimum);
static_assert(kPlainLineCapacity >= kPlainAddressStart + kAddressDigitsMaximum);

// An address outside every module is printed relative to the first page, as
// if it lay in the program's own image.
constexpr std::uintptr_t kImageHeaderSize = 0x1000;

std::uintptr_t ReportAddress(const CodeModule& module, const void* address) {
  auto value = reinterpret_cast<std::uintptr_t>(address);
  if (module.Found) return value - module.Base;
  return value == 0 ? 0 : value - kImageHeaderSize;
}

}  // namespace

std::size_t FormatExceptionReport(const TObject& object, const void* address,
                                  char (&text)[kReportTextCapacity]) {
  char format[kReportFormatCapacity];
  std::string_view catalogueText = ReportFormatText();
  static_assert(kReportFormatCapacity > 64);
  std::size_t formatLength = catalogueText.size() < kReportFormatCapacity
                                 ? catalogueText.size()
                                 : kReportFormatCapacity - 1;
  std::memcpy(format, catalogueText.data(), formatLength);
  format[formatLength] = '\0';

  CodeModule module = ModuleOfAddress(address);
  auto* exception = dynamic_cast<const Exception*>(&object);
  std::string_view message = exception != nullptr ? exception->Message() : std::string_view();
  // Only a final 2E byte counts: a message ending in the full-width "。" is
  // still given its ".".
  std::string_view suffix = !message.empty() && message.back() != '.' ? "." : "";

  const FormatArgument arguments[] = {
      FormatArgument::OfText(object.ClassName()),
      FormatArgument::OfText(module.Name),
      FormatArgument::OfAddress(ReportAddress(module, address)),
      FormatArgument::OfText(message),
      FormatArgument::OfText(suffix),
  };
  return FormatMessage({format, formatLength}, arguments, text, kReportTextCapacity);
}

bool ReportException(const TObject& object, const void* address) {
  if (ConsoleProgram) {
    char text[kReportTextCapacity];
    std::size_t length = FormatExceptionReport(object, address, text);
    WriteText(StandardOutput, {text, length});
    WriteLineEnd(StandardOutput);
    FlushOutput(StandardOutput);
  }
  return IOResultCode == 0;
}

std::size_t FormatPlainLine(std::uint32_t number, std::uintptr_t address,
                            char (&line)[kPlainLineCapacity]) {
  std::memcpy(line, kPlainLineTemplate, kPlainAddressStart);
  // The number's digits from byte 17 leftwards; ten digits at most still
  // leave "Runtime" standing.
  std::size_t position = kPlainNumberEnd;
  do {
    line[--position] = static_cast<char>('0' + number % 10);
    number /= 10;
  } while (number != 0);

  char digits[kAddressDigitsMaximum];
  std::size_t start = kAddressDigitsMaximum;
  do {
    digits[--start] = "0123456789ABCDEF"[address & 0xF];
    address >>= 4;
  } while (address != 0 || kAddressDigitsMaximum - start < kAddressDigitsMinimum);
  std::size_t count = kAddressDigitsMaximum - start;
  std::memcpy(line + kPlainAddressStart, digits + start, count);
  return kPlainAddressStart + count;
}

std::uintptr_t PlainLineAddress(const void* address) {
  CodeModule module = ModuleOfAddress(address);
  auto value = reinterpret_cast<std::uintptr_t>(address);
  return module.Found ? value - module.Base : value;
}
