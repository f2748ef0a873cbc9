#include "errors/faults.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "errors/modules.h"

namespace {

FaultRecord SignalRecord(int signal, int code, std::uintptr_t target) {
  FaultRecord record;
  std::memset(&record, 0, sizeof record);
  record.Signal.si_signo = signal;
  record.Signal.si_code = code;
  record.Signal.si_addr = reinterpret_cast<void*>(target);
  record.InstructionAddress = reinterpret_cast<const void*>(0x1234);
  record.StackPointer = reinterpret_cast<const void*>(0x7FFF00000000);
  return record;
}

// An address as the access-violation text prints it, the reference written
// out digit by digit.
std::string AddressText(const void* address) {
  std::string digits;
  for (auto value = reinterpret_cast<std::uintptr_t>(address); value != 0; value >>= 4) {
    digits.insert(digits.begin(), "0123456789ABCDEF"[value & 0xF]);
  }
  return std::string(digits.size() < 8 ? 8 - digits.size() : 0, '0') + digits;
}

struct FaultCase {
  int Signal;
  int Code;
  const char* ClassName;
  const char* Message;
  std::uint32_t Number;
};

TEST(FaultToException, MapsEachSignalAndCodeOntoItsClass) {
  const FaultCase cases[] = {
      {SIGFPE, FPE_INTDIV, "EDivByZero", "ゼロによる除算", 200},
      {SIGFPE, FPE_INTOVF, "EIntOverflow", "整数のオーバーフロー", 215},
      {SIGFPE, FPE_FLTDIV, "EZeroDivide", "0 による浮動小数点数除算", 200},
      {SIGFPE, FPE_FLTOVF, "EOverflow", "浮動小数点数のオーバーフロー", 205},
      {SIGFPE, FPE_FLTUND, "EUnderflow", "浮動小数点数のアンダーフロー", 206},
      {SIGFPE, FPE_FLTINV, "EInvalidOp", "不正な浮動小数点数演算命令", 207},
      {SIGFPE, FPE_FLTSUB, "EInvalidOp", "不正な浮動小数点数演算命令", 207},
      {SIGFPE, FPE_FLTRES, "EInvalidOp", "不正な浮動小数点数演算命令", 207},
      {SIGILL, ILL_PRVOPC, "EPrivilege", "特権命令違反", 218},
      {SIGILL, ILL_PRVREG, "EPrivilege", "特権命令違反", 218},
      // Unlisted signals and codes, and a signal sent by a process.
      {SIGILL, ILL_ILLOPN, "EExternalException", "外部例外 4", 255},
      {SIGBUS, BUS_ADRERR, "EExternalException", "外部例外 7", 255},
      {SIGFPE, 99, "EExternalException", "外部例外 8", 255},
      {SIGSEGV, SI_USER, "EExternalException", "外部例外 B", 255},
  };
  for (const FaultCase& c : cases) {
    FaultRecord record = SignalRecord(c.Signal, c.Code, 0x40);
    Exception* object = FaultToException(record, ObjectPlace::Heap);
    EXPECT_STREQ(object->ClassName(), c.ClassName) << c.Signal << "/" << c.Code;
    EXPECT_EQ(object->Message(), c.Message) << c.Signal << "/" << c.Code;
    EXPECT_EQ(RunErrorOf(ClassifyFault(record)).Number, c.Number) << c.Signal << "/" << c.Code;
    auto* external = dynamic_cast<EExternal*>(object);
    ASSERT_NE(external, nullptr);
    EXPECT_EQ(external->FaultRecord, &record);
    delete object;
  }
}

TEST(FaultToException, AccessViolationOutsideAModuleUsesTheShortText) {
  FaultRecord record = SignalRecord(SIGSEGV, SEGV_MAPERR, 0x10);
  record.WriteAccess = true;
  Exception* object = FaultToException(record, ObjectPlace::SignalSlot);
  EXPECT_STREQ(object->ClassName(), "EAccessViolation");
  EXPECT_EQ(object->Message(),
            "アドレス 00001234 でアドレス 00000010 に対する書き込み違反がおきました。");
  EXPECT_EQ(RunErrorOf(ClassifyFault(record)).Number, 216u);
}

TEST(FaultToException, AccessViolationInAModuleNamesItAndTheAbsoluteAddress) {
  RecordProgramModule();
  FaultRecord record = SignalRecord(SIGSEGV, SEGV_ACCERR, 0xDEADBEEF0);
  record.InstructionAddress = reinterpret_cast<const void*>(&FaultToException);
  Exception* object = FaultToException(record, ObjectPlace::SignalSlot);
  EXPECT_STREQ(object->ClassName(), "EAccessViolation");
  EXPECT_EQ(object->Message(), "モジュール 'simpson_tests' のアドレス " +
                                   AddressText(record.InstructionAddress) +
                                   " でアドレス DEADBEEF0 に対する読み込み違反がおきました。");
}

TEST(FaultToException, AFaultNextToTheStackPointerIsAStackOverflow) {
  FaultRecord record = SignalRecord(SIGSEGV, SEGV_ACCERR, 0x7FFF00000000 - 8);
  record.WriteAccess = true;
  Exception* object = FaultToException(record, ObjectPlace::SignalSlot);
  EXPECT_STREQ(object->ClassName(), "EStackOverflow");
  EXPECT_EQ(object->Message(), "スタック オーバーフロー");
  EXPECT_EQ(RunErrorOf(ClassifyFault(record)).Number, 202u);
}

TEST(FloatFaultRecord, BehavesAsTheProcessorFaultAtTheAddress) {
  const std::pair<FloatFault, const char*> cases[] = {
      {FloatFault::InvalidOperation, "EInvalidOp"},
      {FloatFault::DivisionByZero, "EZeroDivide"},
      {FloatFault::Overflow, "EOverflow"},
  };
  const void* address = reinterpret_cast<const void*>(0x5678);
  for (const auto& [fault, className] : cases) {
    FaultRecord record = FloatFaultRecord(fault, address);
    EXPECT_EQ(record.Signal.si_signo, SIGFPE);
    EXPECT_EQ(record.Signal.si_addr, address);
    EXPECT_EQ(record.InstructionAddress, address);
    EXPECT_STREQ(FaultToException(record, ObjectPlace::SignalSlot)->ClassName(), className);
  }
}

}  // namespace
