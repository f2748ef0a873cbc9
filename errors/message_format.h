// Filling the catalogue's texts with their arguments, in a caller's fixed
// buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

// One argument of a catalogue text: a byte string, a 32-bit integer or an
// address.
struct FormatArgument {
  enum class Kind : std::uint8_t { Text, Integer, Address };
  Kind Type;
  std::string_view Text = {};
  std::int32_t Integer = 0;
  std::uintptr_t Address = 0;

  static FormatArgument OfText(std::string_view text) { return {Kind::Text, text}; }
  static FormatArgument OfInteger(std::int32_t value) { return {Kind::Integer, {}, value}; }
  static FormatArgument OfAddress(std::uintptr_t value) { return {Kind::Address, {}, 0, value}; }
  static FormatArgument OfAddress(const void* value) {
    return OfAddress(reinterpret_cast<std::uintptr_t>(value));
  }
};

// An address as %p prints it: at least 8 upper-case hexadecimal digits, with
// leading zeros; an x86-64 address that needs more keeps all its digits.
inline constexpr std::size_t kAddressDigitsMinimum = 8;
inline constexpr std::size_t kAddressDigitsMaximum = 2 * sizeof(std::uintptr_t);

// Writes format into text with each placeholder replaced by its argument:
// "%s" a text copied whole, "%d" an integer in signed decimal, "%x" an
// integer as 32 unsigned bits in upper-case hexadecimal without leading
// zeros, "%p" an address as above. "%1:s" takes the argument of index 1
// (counted from 0); a placeholder without an index takes the argument after
// the last one used. Every other byte is copied unchanged, and so is a
// placeholder whose argument is missing or of another kind. The text is cut
// at capacity - 1 bytes and always ends with a zero byte (capacity >= 1);
// returns its length. Never allocates.
// Example: "%1:s=%0:x" with 255 and "n" gives "n=FF".
std::size_t FormatMessage(std::string_view format, std::span<const FormatArgument> arguments,
                          char* text, std::size_t capacity);
