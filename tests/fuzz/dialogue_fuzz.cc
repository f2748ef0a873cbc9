// Fuzz target: the whole program in-process, from the start steps through
// the dialogue to the end of the run, on any input bytes, with reads and
// writes of any size, interrupted calls, and a failing read or write.
//
// The end of the run is the one thing that cannot stay as it is in-process:
// this file compiles the run (errors/run.cc) itself with the process exit
// replaced by a C++ exception that returns here, and resets the run's state
// before every input. The production build is untouched.
//
// Input: byte 0 chooses the input reads, byte 1 the output writes and the
// delivery mode, the rest is standard input.

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "tests/fuzz/fake_descriptors.h"

namespace {

// The process exit of the run, as an exception that carries the exit code.
struct RunEnded {
  int ExitCode;
};

// An input that asks for more integrand evaluations than a fuzz run affords.
struct RunTooLong {};

}  // namespace

[[noreturn]] static void EndProcessForFuzzing(int exitCode) { throw RunEnded{exitCode}; }

#define _exit EndProcessForFuzzing
#include "errors/run.cc"
#undef _exit

#include "dialogue/dialogue.h"
#include "dialogue/texts.h"

// Simpson keeps its contract, but a run of 2^31 evaluations is no use to the
// fuzzer: the link wraps Simpson, and a budget of evaluations ends the input.
extern "C" double __real__Z7Simpsonidd(std::int32_t n, double a, double b);
namespace {
std::int64_t EvaluationBudget = 0;
}
extern "C" double __wrap__Z7Simpsonidd(std::int32_t n, double a, double b) {
  if (n != 2147483647) {
    EvaluationBudget -= n;
    if (EvaluationBudget < 0) throw RunTooLong{};
  }
  return __real__Z7Simpsonidd(n, a, b);
}

namespace {

void Check(bool condition, const char* what) {
  if (!condition) {
    fprintf(stderr, "fault: %s; output:\n", what);
    const std::size_t kept = std::min(Traffic().Written, kKeptOutput);
    for (std::size_t i = 0; i < kept; ++i) fprintf(stderr, "%02X ", FakeOutputBytes()[i]);
    fprintf(stderr, "\n");
    abort();
  }
}

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// The run's own state, as a fresh process has it.
void ResetRun() {
  ConsoleProgram = true;
  ExitCode = 0;
  FailurePending = false;
  PendingAddress = nullptr;
  SupportInstalled = false;
  ReportInProgress = false;
  PlainStopInProgress = false;
  EndInProgress = false;
  IOResultCode = 0;
  StandardInput = InputStream{FakeInputDescriptor()};
  StandardOutput = OutputStream{FakeOutputDescriptor()};
}

// RunProgram without the fault handlers, so that a real fault reaches the
// sanitizer, and without the catch of foreign exceptions, none of which
// may arise. Returns the exit code, or -1 for an input cut short.
int RunOnce() {
  TObject* raised = nullptr;
  EOutOfMemory* outOfMemory = nullptr;
  EInvalidPointer* invalidPointer = nullptr;
  int exitCode = -1;
  try {
    try {
      RunStartSteps();
      outOfMemory = OutOfMemoryObject;
      invalidPointer = InvalidPointerObject;
      RunDialogue();
    } catch (const RaisedException& exception) {
      raised = exception.Object;
      ResetFloatingPointUnit();
      if (!SupportInstalled) StopWithRunError(kUnhandledException, exception.Address);
      StopOnException(*exception.Object, exception.Address);
    }
  } catch (const RunEnded& ended) {
    exitCode = ended.ExitCode;
  } catch (const RunTooLong&) {
  }
  // What a process exit would have released.
  if (raised != outOfMemory && raised != invalidPointer) delete raised;
  if (OutOfMemoryObject != nullptr || ReportInProgress || PlainStopInProgress || exitCode == -1) {
    delete outOfMemory;
    delete invalidPointer;
    OutOfMemoryObject = nullptr;
    InvalidPointerObject = nullptr;
  }
  return exitCode;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  FakeInputPlan input;
  input.Bytes = data + 2;
  input.Size = size - 2;
  input.Chunk = (data[0] & 0x3F) == 0 ? 128 : (data[0] & 0x3F) * 2;
  input.EintrEvery = (data[0] & 0x40) != 0 ? 4 : 0;
  input.FailAtRead = (data[0] & 0x80) != 0 ? 2 + data[1] % 8 : 0;
  FakeOutputPlan output;
  output.Terminal = (data[1] & 1) != 0;
  output.Chunk = (data[1] & 2) != 0 ? 1 + data[1] % 61 : 1 << 20;
  output.EintrEvery = (data[1] & 4) != 0 ? 3 : 0;
  const bool outputFails = (data[1] & 0xC0) == 0xC0;
  output.FailAtWrite = outputFails ? 1 + (data[1] >> 3) % 8 : 0;
  output.FailCode = (data[1] & 8) != 0 ? 32 : 28;
  ResetFakeDescriptors(input, output);
  ResetRun();
  EvaluationBudget = 20000;

  const int exitCode = RunOnce();
  if (exitCode == -1) return 0;
  const FakeTraffic& seen = Traffic();
  Check(exitCode == 0 || exitCode == 1, "exit code other than 0 and 1");
  if (outputFails || seen.Written > kKeptOutput) return 0;

  // Everything accepted was written, and the run ended where it should.
  const std::string_view written(reinterpret_cast<const char*>(FakeOutputBytes()), seen.Written);
  Check(written.substr(0, kBannerText.size()) == kBannerText, "banner not first");
  if (exitCode == 0) {
    Check(EndsWith(written, kDivisionPromptText) || EndsWith(written, kFirstDivisionPromptText),
          "normal end after something other than a division prompt");
  } else {
    Check(written.find("\x82\xaa\x83\x82\x83\x57\x83\x85\x81\x5b\x83\x8b\x20") !=
                  std::string_view::npos &&
              EndsWith(written, ".\r\n"),
          "error stop without its report");
  }
  if (!output.Terminal && output.Chunk >= 128) {
    Check(seen.FullBlockWrites + 1 >= seen.Writes, "file delivery not in 128-byte blocks");
  }
  return 0;
}
