#include "web/page_integer.h"

#include <cstdint>

namespace wakelore {

int PageInteger(std::string_view text) {
  constexpr int kLimit = 1000000000;
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // Counted in 64 bits: ten times a value just below the limit does not
  // fit in an int.
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (value < kLimit) value = value * 10 + (text[i] - '0');
    if (value > kLimit) value = kLimit;
  }
  return static_cast<int>(negative ? -value : value);
}

}  // namespace wakelore
