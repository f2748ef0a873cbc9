// A model of standard input as the reading rules describe it, over the whole
// input held at once: which bytes each read takes, what it yields and which
// code it leaves. The token values come from tests/reference/exact_decimal.h.
#pragma once

#include <cstdint>
#include <string>

namespace exact {

// What one read yields. Code is the code it stores (0: none); Integer and Real
// are meaningful only with Code 0, and Overflow marks a real whose scaling
// left the extended range.
struct ModelReading {
  std::int32_t Code = 0;
  std::int32_t Integer = 0;
  long double Real = 0.0L;
  bool Overflow = false;
};

class InputModel {
 public:
  explicit InputModel(std::string bytes) : Bytes(std::move(bytes)) {}

  ModelReading ReadInteger();
  ModelReading ReadReal();
  // A line ends with CR LF, CR alone or LF alone.
  void SkipLine();
  // Whether the input has ended for good (its end, or a 0x1A reached).
  bool AtEnd() const;
  // How many bytes the reads have consumed so far.
  std::size_t Consumed() const { return Position; }

 private:
  // The token after the separators, or an empty one at end of input.
  std::string TakeToken(std::size_t limit);

  std::string Bytes;
  std::size_t Position = 0;
};

}  // namespace exact
