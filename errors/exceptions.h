// The exception classes that every run-time error and processor fault becomes,
// each carrying its Shift_JIS message in the object itself.
#pragma once

#include <signal.h>

#include <cstddef>
#include <cstdint>
#include <new>
#include <string_view>

// What a processor fault leaves for FaultToException: the signal's own record
// and what only the interrupted context knows.
struct FaultRecord {
  siginfo_t Signal;
  // The address of the faulting instruction (the interrupted program counter).
  const void* InstructionAddress;
  // The interrupted stack pointer, which tells a stack overflow apart.
  const void* StackPointer;
  // For SIGSEGV: the access was a write (bit 1 of the page-fault error code).
  bool WriteAccess;
};

// The longest message a catalogue text can give once filled in: the first
// access-violation text with a 260-byte module name, two 16-digit addresses
// and the longer access word, well below this (checked in faults.cc).
inline constexpr std::size_t kMessageCapacity = 512;

class TObject {
 public:
  virtual ~TObject() = default;
  // The class name that the report prints, "EInOutError" for example.
  virtual const char* ClassName() const { return "TObject"; }
};

class Exception : public TObject {
 public:
  // Copies message, cut at kMessageCapacity - 1 bytes. Never allocates.
  explicit Exception(std::string_view message);
  const char* ClassName() const override { return "Exception"; }
  std::string_view Message() const { return {MessageText, MessageLength}; }

 private:
  // MessageText[0..MessageLength) is the message; MessageLength < kMessageCapacity.
  std::size_t MessageLength = 0;
  char MessageText[kMessageCapacity];
};

// A class of the tree that adds no field: its name and its base.
#define SIMPSON_EXCEPTION_CLASS(Name, Base)                  \
  class Name : public Base {                                 \
   public:                                                   \
    using Base::Base;                                        \
    const char* ClassName() const override { return #Name; } \
  }

SIMPSON_EXCEPTION_CLASS(EHeapException, Exception);
SIMPSON_EXCEPTION_CLASS(EOutOfMemory, EHeapException);
SIMPSON_EXCEPTION_CLASS(EInvalidPointer, EHeapException);

class EInOutError : public Exception {
 public:
  EInOutError(std::string_view message, std::int32_t ioCode) : Exception(message), IOCode(ioCode) {}
  const char* ClassName() const override { return "EInOutError"; }
  // The I/O result code that caused the error.
  std::int32_t IOCode;
};

class EExternal : public Exception {
 public:
  // record is null for an object that RaiseRunError makes.
  EExternal(std::string_view message, const ::FaultRecord* record)
      : Exception(message), FaultRecord(record) {}
  const char* ClassName() const override { return "EExternal"; }
  // The fault that the object was made from; it outlives the object.
  const ::FaultRecord* FaultRecord;
};

SIMPSON_EXCEPTION_CLASS(EExternalException, EExternal);
SIMPSON_EXCEPTION_CLASS(EIntError, EExternal);
SIMPSON_EXCEPTION_CLASS(EDivByZero, EIntError);
SIMPSON_EXCEPTION_CLASS(ERangeError, EIntError);
SIMPSON_EXCEPTION_CLASS(EIntOverflow, EIntError);
SIMPSON_EXCEPTION_CLASS(EMathError, EExternal);
SIMPSON_EXCEPTION_CLASS(EInvalidOp, EMathError);
SIMPSON_EXCEPTION_CLASS(EZeroDivide, EMathError);
SIMPSON_EXCEPTION_CLASS(EOverflow, EMathError);
SIMPSON_EXCEPTION_CLASS(EUnderflow, EMathError);
SIMPSON_EXCEPTION_CLASS(EAccessViolation, EExternal);
SIMPSON_EXCEPTION_CLASS(EPrivilege, EExternal);
SIMPSON_EXCEPTION_CLASS(EStackOverflow, EExternal);
SIMPSON_EXCEPTION_CLASS(EControlC, EExternal);
SIMPSON_EXCEPTION_CLASS(EInvalidCast, Exception);
SIMPSON_EXCEPTION_CLASS(EConvertError, Exception);
SIMPSON_EXCEPTION_CLASS(EVariantError, Exception);
SIMPSON_EXCEPTION_CLASS(EAssertionFailed, Exception);
SIMPSON_EXCEPTION_CLASS(EAbstractError, Exception);
SIMPSON_EXCEPTION_CLASS(EIntfCastError, Exception);
SIMPSON_EXCEPTION_CLASS(ESafecallException, Exception);

#undef SIMPSON_EXCEPTION_CLASS

// What a raise carries to the top-level handler in RunProgram, the one catch
// of the run: the object and the code address of the failing point.
struct RaisedException {
  TObject* Object;
  const void* Address;
};

// The two heap exception objects, made when the exception support is
// installed so that raising them needs no memory; null outside that window.
extern EOutOfMemory* OutOfMemoryObject;
extern EInvalidPointer* InvalidPointerObject;

// Makes an exception object on the heap; when the heap is exhausted, yields
// the EOutOfMemory object instead (null only outside the support's window).
template <class Class, class... Arguments>
Exception* MakeException(Arguments... arguments) {
  Exception* object = new (std::nothrow) Class(arguments...);
  return object != nullptr ? object : OutOfMemoryObject;
}
