#include "tests/support/hex_pattern.h"

#include <cstdio>
#include <string>

namespace {

bool IsUpperHex(char byte) { return (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'F'); }

bool Matches(std::string_view actual, std::string_view pattern) {
  std::size_t at = 0;
  for (char expected : pattern) {
    if (expected == kEightHexDigits || expected == kAddressHexDigits) {
      std::size_t digits = 0;
      std::size_t most = expected == kEightHexDigits ? 8 : 16;
      while (at + digits < actual.size() && digits < most && IsUpperHex(actual[at + digits])) {
        ++digits;
      }
      if (digits < 8) return false;
      at += digits;
    } else {
      if (at >= actual.size() || actual[at] != expected) return false;
      ++at;
    }
  }
  return at == actual.size();
}

std::string Escaped(std::string_view bytes) {
  std::string text;
  for (unsigned char byte : bytes) {
    if (byte >= 0x20 && byte < 0x7F) {
      text += static_cast<char>(byte);
    } else {
      char escape[5];
      std::snprintf(escape, sizeof escape, "\\x%02X", byte);
      text += escape;
    }
  }
  return text;
}

}  // namespace

::testing::AssertionResult MatchesHexPattern(std::string_view actual, std::string_view pattern) {
  if (Matches(actual, pattern)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "\n  actual:  " << Escaped(actual) << "\n  pattern: " << Escaped(pattern);
}
