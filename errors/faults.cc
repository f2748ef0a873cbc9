#include "errors/faults.h"

#include <ucontext.h>

#include <cstring>

#include "errors/message_format.h"
#include "errors/modules.h"
#include "errors/stop.h"

namespace {

// A fault whose target lies this close to the stack pointer is taken for the
// stack running into its guard: calls and pushes write just below it, and a
// new frame's locals lie above it within this reach.
constexpr std::uintptr_t kStackReachBelow = 4096;
constexpr std::uintptr_t kStackReachAbove = 64 * 1024;

// Room for the handler itself: the report's fixed buffers (about 2 KiB), the
// loader's address lookup and the console write, with ample margin for a
// sanitizer build's larger frames.
constexpr std::size_t kSignalStackSize = 256 * 1024;

// 64-bit precision (bits 8-9), round to nearest (bits 10-11 clear), all six
// exception masks set (bits 0-5).
constexpr std::uint16_t kControlWord = 0x037F;

// The longest message made here is the first access-violation text filled in.
static_assert(sizeof("モジュール '' のアドレス  でアドレス  に対する書き込み違反がおきました。") +
                  (kModuleNameCapacity - 1) + 2 * kAddressDigitsMaximum <=
              kMessageCapacity);

bool NearStackPointer(const FaultRecord& record) {
  auto target = reinterpret_cast<std::uintptr_t>(record.Signal.si_addr);
  auto stack = reinterpret_cast<std::uintptr_t>(record.StackPointer);
  return target <= stack + kStackReachAbove && target + kStackReachBelow >= stack;
}

RunErrorKind ClassifyFloatingPoint(int code) {
  switch (code) {
    case FPE_INTDIV:
      return RunErrorKind::IntegerDivisionByZero;
    case FPE_INTOVF:
      return RunErrorKind::IntegerOverflow;
    case FPE_FLTDIV:
      return RunErrorKind::FloatDivisionByZero;
    case FPE_FLTOVF:
      return RunErrorKind::FloatOverflow;
    case FPE_FLTUND:
      return RunErrorKind::FloatUnderflow;
    case FPE_FLTINV:
    case FPE_FLTSUB:
    case FPE_FLTRES:
      return RunErrorKind::FloatInvalidOperation;
    default:
      return RunErrorKind::External;
  }
}

// The fault signal's handler slot, reused for no second object: the run stops
// with the first fault it converts there.
alignas(EExternal) unsigned char SignalSlot[sizeof(EExternal)];

template <class Class>
Exception* MakeFaultObject(ObjectPlace place, std::string_view message, const FaultRecord& record) {
  static_assert(sizeof(Class) <= sizeof SignalSlot && alignof(Class) <= alignof(EExternal));
  if (place == ObjectPlace::SignalSlot) return new (SignalSlot) Class(message, &record);
  return MakeException<Class>(message, &record);
}

std::size_t AccessViolationMessage(const FaultRecord& record, char (&message)[kMessageCapacity]) {
  CodeModule module = ModuleOfAddress(record.InstructionAddress);
  FormatArgument fault = FormatArgument::OfAddress(record.InstructionAddress);
  FormatArgument word = FormatArgument::OfText(AccessWordText(record.WriteAccess));
  FormatArgument target = FormatArgument::OfAddress(record.Signal.si_addr);
  if (module.Found) {
    const FormatArgument arguments[] = {fault, FormatArgument::OfText(module.Name), word, target};
    return FormatMessage(AccessViolationInModuleText(), arguments, message, kMessageCapacity);
  }
  const FormatArgument arguments[] = {fault, word, target};
  return FormatMessage(AccessViolationText(), arguments, message, kMessageCapacity);
}

// The signal handler: takes what the context adds to the signal's record and
// stops the run from here; it never returns into the faulting code.
FaultRecord SignalRecord;

void HandleFaultSignal(int signal, siginfo_t* information, void* context) {
  const mcontext_t& machine = static_cast<ucontext_t*>(context)->uc_mcontext;
  SignalRecord.Signal = *information;
  SignalRecord.InstructionAddress = reinterpret_cast<const void*>(machine.gregs[REG_RIP]);
  SignalRecord.StackPointer = reinterpret_cast<const void*>(machine.gregs[REG_RSP]);
  constexpr greg_t kPageFaultWriteBit = 2;
  SignalRecord.WriteAccess = signal == SIGSEGV && (machine.gregs[REG_ERR] & kPageFaultWriteBit);
  StopOnFault(SignalRecord);
}

}  // namespace

RunErrorKind ClassifyFault(const FaultRecord& record) {
  // A signal sent by kill() or raise() is no processor fault.
  if (record.Signal.si_code <= 0) return RunErrorKind::External;
  switch (record.Signal.si_signo) {
    case SIGSEGV:
      return NearStackPointer(record) ? RunErrorKind::StackOverflow : RunErrorKind::AccessViolation;
    case SIGFPE:
      return ClassifyFloatingPoint(record.Signal.si_code);
    case SIGILL:
      if (record.Signal.si_code == ILL_PRVOPC || record.Signal.si_code == ILL_PRVREG) {
        return RunErrorKind::Privilege;
      }
      return RunErrorKind::External;
    default:
      return RunErrorKind::External;
  }
}

Exception* FaultToException(const FaultRecord& record, ObjectPlace place) {
  RunErrorKind kind = ClassifyFault(record);
  std::string_view text = RunErrorOf(kind).Message;
  switch (kind) {
    case RunErrorKind::IntegerOverflow:
      return MakeFaultObject<EIntOverflow>(place, text, record);
    case RunErrorKind::FloatInvalidOperation:
      return MakeFaultObject<EInvalidOp>(place, text, record);
    case RunErrorKind::FloatDivisionByZero:
      return MakeFaultObject<EZeroDivide>(place, text, record);
    case RunErrorKind::FloatOverflow:
      return MakeFaultObject<EOverflow>(place, text, record);
    case RunErrorKind::FloatUnderflow:
      return MakeFaultObject<EUnderflow>(place, text, record);
    case RunErrorKind::IntegerDivisionByZero:
      return MakeFaultObject<EDivByZero>(place, text, record);
    case RunErrorKind::RangeError:
      return MakeFaultObject<ERangeError>(place, text, record);
    case RunErrorKind::Privilege:
      return MakeFaultObject<EPrivilege>(place, text, record);
    case RunErrorKind::StackOverflow:
      return MakeFaultObject<EStackOverflow>(place, text, record);
    case RunErrorKind::ControlC:
      return MakeFaultObject<EControlC>(place, text, record);
    case RunErrorKind::AccessViolation: {
      char message[kMessageCapacity];
      std::size_t length = AccessViolationMessage(record, message);
      return MakeFaultObject<EAccessViolation>(place, {message, length}, record);
    }
    default: {
      char message[kMessageCapacity];
      const FormatArgument arguments[] = {FormatArgument::OfInteger(record.Signal.si_signo)};
      std::size_t length = FormatMessage(text, arguments, message, kMessageCapacity);
      return MakeFaultObject<EExternalException>(place, {message, length}, record);
    }
  }
}

FaultRecord FloatFaultRecord(FloatFault fault, const void* address) {
  FaultRecord record;
  std::memset(&record, 0, sizeof record);
  record.Signal.si_signo = SIGFPE;
  record.Signal.si_code = fault == FloatFault::InvalidOperation ? FPE_FLTINV
                          : fault == FloatFault::DivisionByZero ? FPE_FLTDIV
                                                                : FPE_FLTOVF;
  record.Signal.si_addr = const_cast<void*>(address);
  record.InstructionAddress = address;
  return record;
}

void ResetFloatingPointUnit() {
  std::uint16_t controlWord = kControlWord;
  asm volatile("fninit\n\tfldcw %0" : : "m"(controlWord));
}

void RegisterFaultHandlers() {
  alignas(16) static unsigned char signalStack[kSignalStackSize];
  stack_t stack{};
  stack.ss_sp = signalStack;
  stack.ss_size = sizeof signalStack;
  sigaltstack(&stack, nullptr);

  // SA_NODEFER lets a fault inside the stop itself reach StopOnFault, which
  // then ends the process at once, instead of the kernel killing it.
  struct sigaction action {};
  action.sa_sigaction = HandleFaultSignal;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL}) sigaction(signal, &action, nullptr);
}
