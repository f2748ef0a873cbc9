// The message catalogue of the error stop: every text that the report and
// the exception objects are made of, as Shift_JIS bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "errors/exceptions.h"

// The failures of the table of run-time errors, one for each class raised.
enum class RunErrorKind : std::uint8_t {
  IntegerOverflow,
  FloatInvalidOperation,
  FloatDivisionByZero,
  FloatOverflow,
  FloatUnderflow,
  HeapExhausted,
  InvalidPointer,
  IntegerDivisionByZero,
  RangeError,
  AccessViolation,
  Privilege,
  StackOverflow,
  ControlC,
  External,
};

// A row of the table: the run-time error number (shown only in the plain line
// and as its exit code) and the message of the class raised. The message of
// AccessViolation is empty (its texts are below); that of External is the
// format "外部例外 %x", to be filled with the fault's code.
struct RunErrorEntry {
  std::uint32_t Number;
  std::string_view Message;
};

const RunErrorEntry& RunErrorOf(RunErrorKind kind);

// The message of an EInOutError, with its length: the text of the I/O table
// for code, or for a code not in it "I/O エラー (%d)" filled in. 106 gives
// "入力値が数値ではありません", 103 gives "I/O エラー (103)". Never allocates.
std::size_t InOutErrorMessage(std::int32_t code, char (&message)[kMessageCapacity]);

// "%sがモジュール %s の %p で発生しました。", one line feed, "%s%s": class name,
// module name, printed address, message and suffix.
std::string_view ReportFormatText();

// The access-violation texts: with a module, %0 the fault address, %1 the
// module name, %2 the access word and %3 the target address; without one,
// %0 the fault address, %1 the access word and %2 the target address.
std::string_view AccessViolationInModuleText();
std::string_view AccessViolationText();

// "書き込み" for a write, "読み込み" for a read.
std::string_view AccessWordText(bool write);
