// Processor faults: the signals that deliver them, their mapping onto the
// table of run-time errors, and the exception objects made from them.
#pragma once

#include "errors/catalogue.h"
#include "errors/exceptions.h"
#include "errors/run.h"

// Where FaultToException makes its object: on the heap, or, inside a signal
// handler where the heap may be in any state, in the one static slot kept
// for the fault that stops the run.
enum class ObjectPlace : std::uint8_t { Heap, SignalSlot };

// The row of the table of run-time errors for the fault. SIGSEGV is an access
// violation, or a stack overflow when the access lies next to the stack
// pointer; SIGFPE follows si_code (FPE_INTDIV, FPE_INTOVF, FPE_FLTDIV,
// FPE_FLTOVF, FPE_FLTUND; FPE_FLTINV, FPE_FLTSUB and FPE_FLTRES are invalid
// operations); SIGILL with ILL_PRVOPC or ILL_PRVREG is a privileged
// instruction. Every other signal, code, or a signal sent by a process, is
// External.
RunErrorKind ClassifyFault(const FaultRecord& record);

// The exception object for the fault: the class and message of its row, the
// FaultRecord set to record (which must outlive the object). An access
// violation's message names the fault address, its module when it has one
// (the first text), the access word and si_addr, for example
// "アドレス 00001234 でアドレス 00000010 に対する書き込み違反がおきました。";
// an External fault's is "外部例外 %x" with the signal number ("外部例外 7" for
// SIGBUS). Never null: with the heap exhausted it is the EOutOfMemory object.
// Never raises.
Exception* FaultToException(const FaultRecord& record, ObjectPlace place);

// The record of the processor fault that the trapped floating-point condition
// would give at address: SIGFPE with FPE_FLTINV, FPE_FLTDIV or FPE_FLTOVF.
FaultRecord FloatFaultRecord(FloatFault fault, const void* address);

// Loads the floating-point environment of the run into the x87 unit: 64-bit
// precision, rounding to nearest, every exception masked (the arithmetic
// tests its own results). Discards any pending x87 condition.
void ResetFloatingPointUnit();

// Routes SIGSEGV, SIGBUS, SIGFPE and SIGILL to StopOnFault, on an alternate
// signal stack so that a stack overflow is caught as well.
void RegisterFaultHandlers();
