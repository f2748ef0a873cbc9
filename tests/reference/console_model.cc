#include "tests/reference/console_model.h"

#include "tests/reference/exact_decimal.h"

namespace exact {

namespace {

constexpr unsigned char kEnd = 0x1A;
constexpr std::size_t kIntegerLimit = 32;
constexpr std::size_t kRealLimit = 64;

}  // namespace

bool InputModel::AtEnd() const {
  return Position >= Bytes.size() || static_cast<unsigned char>(Bytes[Position]) == kEnd;
}

std::string InputModel::TakeToken(std::size_t limit) {
  while (!AtEnd() && static_cast<unsigned char>(Bytes[Position]) <= 0x20) ++Position;
  std::string token;
  while (!AtEnd() && static_cast<unsigned char>(Bytes[Position]) > 0x20 && token.size() < limit) {
    token += Bytes[Position++];
  }
  return token;
}

ModelReading InputModel::ReadInteger() {
  ModelReading reading;
  const std::string token = TakeToken(kIntegerLimit);
  if (token.empty()) return reading;
  const IntegerValue value = IntegerFromToken(token);
  if (!value.Valid) reading.Code = 106;
  reading.Integer = value.Valid ? value.Value : 0;
  return reading;
}

ModelReading InputModel::ReadReal() {
  ModelReading reading;
  const std::string token = TakeToken(kRealLimit);
  if (token.empty()) return reading;
  const RealValue value = RealFromToken(token);
  if (!value.Valid) reading.Code = 106;
  reading.Real = value.Valid ? value.Value : 0.0L;
  reading.Overflow = value.Valid && value.Overflow;
  return reading;
}

void InputModel::SkipLine() {
  while (!AtEnd() && Bytes[Position] != '\r' && Bytes[Position] != '\n') ++Position;
  if (AtEnd()) return;
  const bool carriageReturn = Bytes[Position++] == '\r';
  if (carriageReturn && !AtEnd() && Bytes[Position] == '\n') ++Position;
}

}  // namespace exact
