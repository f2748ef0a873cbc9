// Comparing an error report whose addresses differ from build to build:
// everything else is compared byte for byte.
#pragma once

#include <gtest/gtest.h>

#include <string_view>

// In a pattern, stands for exactly 8 upper-case hexadecimal digits.
inline constexpr char kEightHexDigits = '\x01';
// In a pattern, stands for 8 to 16 upper-case hexadecimal digits (an absolute
// x86-64 address).
inline constexpr char kAddressHexDigits = '\x02';

// Succeeds when actual is pattern with each marker replaced by its digits;
// otherwise shows both, non-ASCII bytes escaped.
::testing::AssertionResult MatchesHexPattern(std::string_view actual, std::string_view pattern);
