// The three ways a failure stops the run: the report, the plain error line,
// and a processor fault that becomes one of the two.
#pragma once

#include <cstdint>

#include "errors/exceptions.h"

// The report of object at address on StandardOutput, then EndRun(1). When the
// report leaves an I/O code pending (it could not be written, or an earlier
// code still waited), the run ends the same way, with no second report.
[[noreturn]] void StopOnException(const TObject& object, const void* address);

// Keeps address as the pending failing address and ends the run with number
// as the exit code, so that EndRun writes the plain line
// "Runtime error 215 at 00002468".
[[noreturn]] void StopWithRunError(std::uint32_t number, const void* address);

// Called by the fault signal handler: with the exception support installed,
// the report of FaultToException's object at the instruction address;
// outside that window the plain line with the fault's number; a fault while
// the run is already stopping ends the process at once. Never allocates.
[[noreturn]] void StopOnFault(const FaultRecord& record);

// The window of the report: installing makes the two heap exception objects
// and records the program's module; removing releases the objects, and from
// then on every failure takes the plain line.
void InstallExceptionSupport();
void RemoveExceptionSupport();
