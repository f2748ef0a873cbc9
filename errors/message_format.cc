#include "errors/message_format.h"

#include <cstring>

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// The text collected so far; bytes beyond the capacity are dropped.
struct TextSink {
  char* Text;
  std::size_t Limit;  // capacity - 1: room for the terminating zero byte
  std::size_t Length = 0;

  void Append(std::string_view bytes) {
    std::size_t room = Limit - Length;
    std::size_t count = bytes.size() < room ? bytes.size() : room;
    if (count == 0) return;  // an empty text may have no bytes at all
    std::memcpy(Text + Length, bytes.data(), count);
    Length += count;
  }
};

// value in hexadecimal with at least minimumDigits digits, at the end of digits.
std::string_view HexText(std::uintptr_t value, std::size_t minimumDigits,
                         char (&digits)[kAddressDigitsMaximum]) {
  std::size_t start = kAddressDigitsMaximum;
  do {
    digits[--start] = kHexDigits[value & 0xF];
    value >>= 4;
  } while (value != 0 || kAddressDigitsMaximum - start < minimumDigits);
  return {digits + start, kAddressDigitsMaximum - start};
}

// Signed decimal of a 32-bit integer; the magnitude is taken in 64 bits so
// that -2147483648 has one.
void AppendDecimal(TextSink& sink, std::int32_t value) {
  constexpr std::size_t kDecimalDigits = 11;  // "-2147483648"
  char digits[kDecimalDigits];
  std::size_t start = kDecimalDigits;
  std::int64_t magnitude = value < 0 ? -static_cast<std::int64_t>(value) : value;
  do {
    digits[--start] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) digits[--start] = '-';
  sink.Append({digits + start, kDecimalDigits - start});
}

// A placeholder as written: its argument index, if any, and its letter.
struct Placeholder {
  std::size_t Length;  // 0: the bytes at '%' are no placeholder
  bool Indexed;
  std::size_t Index;
  char Letter;
};

Placeholder ParsePlaceholder(std::string_view rest) {
  // rest[0] is '%'. Either a letter follows, or digits, a colon and a letter.
  std::size_t position = 1;
  std::size_t index = 0;
  bool indexed = false;
  constexpr std::size_t kIndexDigitsLimit = 4;
  while (position < rest.size() && rest[position] >= '0' && rest[position] <= '9' &&
         position <= kIndexDigitsLimit) {
    index = index * 10 + static_cast<std::size_t>(rest[position] - '0');
    ++position;
    indexed = true;
  }
  if (indexed) {
    if (position >= rest.size() || rest[position] != ':') return {0, false, 0, 0};
    ++position;
  }
  if (position >= rest.size()) return {0, false, 0, 0};
  char letter = rest[position];
  if (letter != 's' && letter != 'd' && letter != 'x' && letter != 'p') return {0, false, 0, 0};
  return {position + 1, indexed, index, letter};
}

// Appends the argument as the letter asks; false when its kind does not fit.
bool AppendArgument(TextSink& sink, char letter, const FormatArgument& argument) {
  char digits[kAddressDigitsMaximum];
  using Kind = FormatArgument::Kind;
  switch (letter) {
    case 's':
      if (argument.Type != Kind::Text) return false;
      sink.Append(argument.Text);
      return true;
    case 'd':
      if (argument.Type != Kind::Integer) return false;
      AppendDecimal(sink, argument.Integer);
      return true;
    case 'x':
      if (argument.Type != Kind::Integer) return false;
      sink.Append(HexText(static_cast<std::uint32_t>(argument.Integer), 1, digits));
      return true;
    default:
      if (argument.Type != Kind::Address) return false;
      sink.Append(HexText(argument.Address, kAddressDigitsMinimum, digits));
      return true;
  }
}

}  // namespace

std::size_t FormatMessage(std::string_view format, std::span<const FormatArgument> arguments,
                          char* text, std::size_t capacity) {
  TextSink sink{text, capacity - 1};
  std::size_t nextArgument = 0;
  std::size_t position = 0;
  while (position < format.size() && sink.Length < sink.Limit) {
    // Copy the run of plain bytes up to the next '%' in one piece.
    std::size_t percent = format.find('%', position);
    if (percent == std::string_view::npos) percent = format.size();
    sink.Append(format.substr(position, percent - position));
    position = percent;
    if (position == format.size()) break;

    Placeholder placeholder = ParsePlaceholder(format.substr(position));
    if (placeholder.Length == 0) {
      sink.Append("%");
      ++position;
      continue;
    }
    std::size_t index = placeholder.Indexed ? placeholder.Index : nextArgument;
    bool filled =
        index < arguments.size() && AppendArgument(sink, placeholder.Letter, arguments[index]);
    if (!filled) sink.Append(format.substr(position, placeholder.Length));
    nextArgument = index + 1;
    position += placeholder.Length;
  }
  text[sink.Length] = '\0';
  return sink.Length;
}
