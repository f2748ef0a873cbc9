// The run of the program from its start steps to the process exit, and the
// helpers by which the dialogue raises run-time errors.
#pragma once

#include <cstdint>

// Set by the entry point before anything else; routes the error report and
// the plain error line to StandardOutput.
extern bool ConsoleProgram;

// The run-time errors that RaiseRunError takes: an I/O error, whose code is
// the pending IOResultCode, or one of the numbered failures.
enum class RunError : std::uint32_t {
  InputOutput = 0,
  HeapExhausted = 203,
  InvalidPointer = 204,
  IntegerOverflow = 215,
};

// The floating-point conditions that the arithmetic traps, detected where
// they arise and raised as the matching processor fault would be.
enum class FloatFault { InvalidOperation, DivisionByZero, Overflow };

// Runs once after every console statement: a pending IOResultCode raises the
// I/O error, failing at the code address that follows the call.
void CheckIO();

// Raises the run-time error as an exception object failing at address (the
// code address of the failing point); with the exception support not
// installed, stops with the plain error line instead. Does not return.
[[noreturn]] void RaiseRunError(RunError error, const void* address);

// Raises a trapped floating-point condition at address as EInvalidOp,
// EZeroDivide or EOverflow. Does not return.
[[noreturn]] void RaiseFloatFault(FloatFault fault, const void* address);

// Ends every run: sets the exit code, writes the plain error line when a
// failure is pending, runs the end steps (closing StandardInput, then
// StandardOutput, which writes out what it holds) and exits the process.
[[noreturn]] void EndRun(std::int32_t exitCode);

// The program's entry frame: registers the top-level handler, runs the start
// steps (exit code 0, the x87 precision and rounding, SIGPIPE ignored, the
// streams set up closed, the exception support installed), then the dialogue,
// which ends the run itself with EndRun. Every error raised in the dialogue
// ends in the report and exit code 1, and so does a processor fault (caught
// by signal handlers, reported from the handler). A C++ exception of another
// type reaching the entry frame is no raise of this program: std::bad_alloc
// is reported as EOutOfMemory, anything else ends with the plain line
// "Runtime error 217 at 00000000" and exit code 217. Does not return.
[[noreturn]] void RunProgram(void (*dialogue)());
