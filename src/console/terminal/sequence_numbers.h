// The decimal numbers that control sequences carry: their bytes, and how many.
#pragma once

#include <string>

namespace torvelkan {

inline int Digits(int value) {
  int n = 1;
  for (; value >= 10; value /= 10) {
    ++n;
  }
  return n;
}

inline void AppendNumber(int value, std::string& out) {
  char digits[12];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value > 0);
  while (n > 0) {
    out.push_back(digits[--n]);
  }
}

}  // namespace torvelkan
