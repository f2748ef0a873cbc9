// A program for the error-stop tests: it runs a small dialogue that writes
// one line and then fails on purpose, as SIMPSON_FAULT names:
//   null-write   a write to address 0 (SIGSEGV)
//   null-call    a call of address 0 (SIGSEGV at instruction address 0)
//   divide       an integer division by zero (SIGFPE)
//   illegal      an undefined instruction (SIGILL)
//   stack        unbounded recursion (SIGSEGV on the guard page)
//   heap         the heap exhausted while the exception object is made
//   bad-pointer  an invalid heap release raised
//   bad-alloc    a std::bad_alloc thrown through the dialogue
//   foreign      an exception of no class of the tree thrown through it
//   before-start an integer overflow raised before the run starts
//   float-before-start  a floating-point overflow raised before it starts
//   start-heap   the heap exhausted from the start
// The faults are written in assembly so that neither the optimiser nor the
// undefined-behaviour sanitizer gets to them first.

#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string_view>

#include "console/output_stream.h"
#include "errors/run.h"

namespace {

bool HeapFails = false;

std::string_view Fault() {
  const char* name = std::getenv("SIMPSON_FAULT");
  return name != nullptr ? name : "";
}

void WriteNullAddress() {
  asm volatile("movl $1, (%0)" : : "r"(static_cast<int*>(nullptr)) : "memory");
}

void CallNullAddress() { asm volatile("call *%0" : : "r"(static_cast<void*>(nullptr)) : "memory"); }

int DivideByZero(int dividend) {
  int divisor = 0;
  asm volatile("cltd\n\tidivl %1" : "+a"(dividend) : "r"(divisor) : "edx", "cc");
  return dividend;
}

void UndefinedInstruction() { asm volatile("ud2"); }

// Each level keeps a page of its own alive across the next call, so the
// recursion is neither a loop nor a tail call.
__attribute__((noinline)) int Recurse(int depth) {
  volatile char page[4096];
  page[0] = static_cast<char>(depth);
  if (depth == -1) return 0;
  return Recurse(depth + 1) + page[0];
}

void Dialogue() {
  WriteText(StandardOutput, "before the fault");
  WriteLineEnd(StandardOutput);
  FlushOutput(StandardOutput);
  CheckIO();

  std::string_view fault = Fault();
  if (fault == "null-write") WriteNullAddress();
  if (fault == "null-call") CallNullAddress();
  if (fault == "divide") DivideByZero(1);
  if (fault == "illegal") UndefinedInstruction();
  if (fault == "stack") Recurse(0);
  if (fault == "heap") {
    HeapFails = true;
    RaiseRunError(RunError::IntegerOverflow, __builtin_return_address(0));
  }
  if (fault == "bad-pointer") RaiseRunError(RunError::InvalidPointer, nullptr);
  if (fault == "bad-alloc") throw std::bad_alloc();
  if (fault == "foreign") throw std::runtime_error("foreign");

  WriteText(StandardOutput, "after the fault");
  WriteLineEnd(StandardOutput);
  FlushOutput(StandardOutput);
  CheckIO();
  EndRun(0);
}

}  // namespace

// The heap of this program fails on demand.
void* operator new(std::size_t size) {
  void* block = HeapFails ? nullptr : std::malloc(size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return HeapFails ? nullptr : std::malloc(size);
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

int main() {
  ConsoleProgram = true;
  if (Fault() == "before-start") RaiseRunError(RunError::IntegerOverflow, nullptr);
  if (Fault() == "float-before-start") RaiseFloatFault(FloatFault::Overflow, nullptr);
  if (Fault() == "start-heap") HeapFails = true;
  RunProgram(Dialogue);
}
