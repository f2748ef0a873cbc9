#include "errors/run.h"

#include <signal.h>
#include <unistd.h>

#include <new>

#include "console/input_stream.h"
#include "console/io_result.h"
#include "console/output_stream.h"
#include "errors/catalogue.h"
#include "errors/faults.h"
#include "errors/modules.h"
#include "errors/report.h"
#include "errors/stop.h"

bool ConsoleProgram = false;

namespace {

// The run state. ExitCode is what the process ends with; a pending failing
// address makes EndRun write the plain line.
std::int32_t ExitCode = 0;
bool FailurePending = false;
const void* PendingAddress = nullptr;

// The window in which a failure is reported rather than given the plain line.
bool SupportInstalled = false;

// How far the run has got in stopping; a fault arriving then must not start
// the same stop again.
bool ReportInProgress = false;
bool PlainStopInProgress = false;
bool EndInProgress = false;

// The number of an exception that reaches the top-level handler and cannot be
// reported.
constexpr std::uint32_t kUnhandledException = 217;

// The number of a run-time error for the plain line: the code itself for an
// I/O error.
std::uint32_t RunErrorNumber(RunError error) {
  if (error == RunError::InputOutput) return static_cast<std::uint32_t>(IOResultCode);
  return static_cast<std::uint32_t>(error);
}

// A new EInOutError for the pending code, which it takes: the code is 0 again
// once the object is made.
Exception* TakeInOutError() {
  std::int32_t code = IOResultCode;
  IOResultCode = 0;
  char message[kMessageCapacity];
  std::size_t length = InOutErrorMessage(code, message);
  return MakeException<EInOutError>(std::string_view(message, length), code);
}

Exception* RunErrorObject(RunError error) {
  switch (error) {
    case RunError::InputOutput:
      return TakeInOutError();
    case RunError::HeapExhausted:
      return OutOfMemoryObject;
    case RunError::InvalidPointer:
      return InvalidPointerObject;
    case RunError::IntegerOverflow:
      break;
  }
  std::string_view message = RunErrorOf(RunErrorKind::IntegerOverflow).Message;
  return MakeException<EIntOverflow>(message, static_cast<const FaultRecord*>(nullptr));
}

// The plain line of the pending failure, written without a check.
void WritePlainLine() {
  char line[kPlainLineCapacity];
  std::size_t length =
      FormatPlainLine(static_cast<std::uint32_t>(ExitCode), PlainLineAddress(PendingAddress), line);
  if (ConsoleProgram) {
    WriteText(StandardOutput, {line, length});
    WriteLineEnd(StandardOutput);
    FlushOutput(StandardOutput);
  }
  FailurePending = false;
}

// The start steps before the dialogue, in their fixed order.
void RunStartSteps() {
  ExitCode = 0;
  ResetFloatingPointUnit();
  // A reader that has gone is an ordinary write error (32), not a death.
  signal(SIGPIPE, SIG_IGN);
  StandardInput.IsOpen = false;
  StandardInput.Fill = 0;
  StandardInput.Position = 0;
  StandardOutput.IsOpen = false;
  StandardOutput.Fill = 0;
  InstallExceptionSupport();
}

// The catch of the run for an exception that is no raise of ours.
[[noreturn]] void StopOnForeignException() {
  try {
    throw;
  } catch (const std::bad_alloc&) {
    if (SupportInstalled) StopOnException(*OutOfMemoryObject, nullptr);
    StopWithRunError(RunErrorOf(RunErrorKind::HeapExhausted).Number, nullptr);
  } catch (...) {
    // Nothing names its class or its failing point.
    StopWithRunError(kUnhandledException, nullptr);
  }
}

}  // namespace

void InstallExceptionSupport() {
  RecordProgramModule();
  OutOfMemoryObject =
      new (std::nothrow) EOutOfMemory(RunErrorOf(RunErrorKind::HeapExhausted).Message);
  InvalidPointerObject =
      new (std::nothrow) EInvalidPointer(RunErrorOf(RunErrorKind::InvalidPointer).Message);
  if (OutOfMemoryObject == nullptr || InvalidPointerObject == nullptr) {
    StopWithRunError(RunErrorOf(RunErrorKind::HeapExhausted).Number, __builtin_return_address(0));
  }
  SupportInstalled = true;
}

void RemoveExceptionSupport() {
  SupportInstalled = false;
  // After a fault the heap may be in any state; the process ends right after.
  if (!ReportInProgress && !PlainStopInProgress) {
    delete OutOfMemoryObject;
    delete InvalidPointerObject;
  }
  OutOfMemoryObject = nullptr;
  InvalidPointerObject = nullptr;
}

__attribute__((noinline)) void CheckIO() {
  if (IOResultCode != 0) RaiseRunError(RunError::InputOutput, __builtin_return_address(0));
}

void RaiseRunError(RunError error, const void* address) {
  if (!SupportInstalled) StopWithRunError(RunErrorNumber(error), address);
  throw RaisedException{RunErrorObject(error), address};
}

void RaiseFloatFault(FloatFault fault, const void* address) {
  // One record serves the run: the first raised fault stops it.
  static FaultRecord record;
  record = FloatFaultRecord(fault, address);
  if (!SupportInstalled) StopWithRunError(RunErrorOf(ClassifyFault(record)).Number, address);
  throw RaisedException{FaultToException(record, ObjectPlace::Heap), address};
}

void StopOnException(const TObject& object, const void* address) {
  ReportInProgress = true;
  ReportException(object, address);
  // Whether or not the report left a code pending, there is no second one.
  EndRun(1);
}

void StopWithRunError(std::uint32_t number, const void* address) {
  PlainStopInProgress = true;
  FailurePending = true;
  PendingAddress = address;
  EndRun(static_cast<std::int32_t>(number));
}

void StopOnFault(const FaultRecord& record) {
  ResetFloatingPointUnit();
  const void* address = record.InstructionAddress;
  if (SupportInstalled && !ReportInProgress && !EndInProgress) {
    StopOnException(*FaultToException(record, ObjectPlace::SignalSlot), address);
  }
  // A fault while the report was made: the run ends as after a failed report.
  if (ReportInProgress && !EndInProgress) EndRun(1);
  // Outside the window, the start-up and the end steps give the plain line.
  if (!PlainStopInProgress) StopWithRunError(RunErrorOf(ClassifyFault(record)).Number, address);
  // A fault in the plain stop itself: nothing more can be trusted.
  _exit(ExitCode != 0 ? ExitCode : 1);
}

void EndRun(std::int32_t exitCode) {
  EndInProgress = true;
  ExitCode = exitCode;
  if (FailurePending) WritePlainLine();
  // The end steps, in the reverse order of the start steps.
  RemoveExceptionSupport();
  CloseInput(StandardInput);
  bool delivered = CloseOutput(StandardOutput);
  // Output lost at a normal end must not look like success.
  if (!delivered && ExitCode == 0) ExitCode = 1;
  _exit(ExitCode);
}

void RunProgram(void (*dialogue)()) {
  RegisterFaultHandlers();
  try {
    RunStartSteps();
    dialogue();
  } catch (const RaisedException& raised) {
    ResetFloatingPointUnit();
    if (!SupportInstalled) StopWithRunError(kUnhandledException, raised.Address);
    StopOnException(*raised.Object, raised.Address);
  } catch (...) {
    ResetFloatingPointUnit();
    StopOnForeignException();
  }
  EndRun(0);
}
