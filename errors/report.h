// The texts of an error stop: the two-line report of an exception object and
// the plain error line, each built in a fixed buffer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "errors/exceptions.h"

// The report with its terminating zero byte; a longer one is cut.
inline constexpr std::size_t kReportTextCapacity = 1024;
// The report's catalogue text with its terminating zero byte.
inline constexpr std::size_t kReportFormatCapacity = 256;

// The report of object failing at address, cut at 1,023 bytes: the class
// name, "がモジュール ", the module name, " の ", the printed address (%p),
// " で発生しました。", a line feed alone, then the message with "." behind it
// unless it is empty or its last byte already is 2E hexadecimal. The printed
// address is address minus its module's load address, or, in no module,
// address minus 1000 hexadecimal (a null address prints 00000000). A
// TObject that is no Exception has no message. Never allocates. Example:
// "EInOutErrorがモジュール simpson の 00002468 で発生しました。\n"
// "入力値が数値ではありません."
std::size_t FormatExceptionReport(const TObject& object, const void* address,
                                  char (&text)[kReportTextCapacity]);

// Writes the report behind whatever StandardOutput still holds, then a line
// end, and ends the statement with FlushOutput. Returns false when an I/O
// code is pending afterwards. Writes nothing unless ConsoleProgram is set.
bool ReportException(const TObject& object, const void* address);

// "Runtime error" and the number with its last digit at byte 17 (a number of
// four digits or more goes on leftwards over the text), " at ", and the
// address in upper-case hexadecimal with its last digit at byte 29, zeros in
// front to 8 digits: 5 and 2468 hexadecimal give
// "Runtime error   5 at 00002468". An address of more than 8 digits keeps
// them all and lengthens the line.
inline constexpr std::size_t kPlainLineCapacity = 29 + 8;
std::size_t FormatPlainLine(std::uint32_t number, std::uintptr_t address,
                            char (&line)[kPlainLineCapacity]);

// The address that the plain line prints for a failing address: minus the
// load address of its module, or the address itself when no module holds it.
std::uintptr_t PlainLineAddress(const void* address);
