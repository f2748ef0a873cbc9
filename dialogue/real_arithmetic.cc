#include "dialogue/real_arithmetic.h"

#include "errors/run.h"

void RaiseInvalidOperation() {
  RaiseFloatFault(FloatFault::InvalidOperation, __builtin_return_address(0));
}

void RaiseFloatOverflow() { RaiseFloatFault(FloatFault::Overflow, __builtin_return_address(0)); }
