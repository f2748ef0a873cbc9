// The pending I/O result code that the console streams leave for CheckIO.
#pragma once

#include <cstdint>

// 0 when nothing is pending. A console operation that fails stores its code,
// replacing any code stored before; one that succeeds leaves it unchanged.
// Only CheckIO and the making of the I/O exception read it.
extern thread_local constinit std::int32_t IOResultCode;

// The codes that the console streams define themselves; every other code is
// the errno of a failed system call, passed on unchanged.
inline constexpr std::int32_t kCodeOutputNotOpen = 103;  // a statement's stream could not be opened
inline constexpr std::int32_t kCodeInputNotOpen = 104;   // descriptor 0 is not open
inline constexpr std::int32_t kCodeOutputUnusable = 105;  // a write found the stream closed
inline constexpr std::int32_t kCodeNotANumber = 106;      // a token that is not a valid number
