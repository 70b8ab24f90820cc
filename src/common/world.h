// World coordinates (400 x 300 units, y downwards) mapped onto the 80 x 50 cell grid.
#pragma once

#include <cstdint>
#include <limits>

namespace torvelkan {

inline constexpr int kGridColumns = 80;
inline constexpr int kGridRows = 50;

// Truncation toward zero, as a C cast does, but a value beyond the range of int
// (a fighter flung far off by a huge elapsed time) lands far off the grid
// instead of being undefined behaviour.
inline int TruncToInt(float value) {
  if (!(value > -2147483648.0f)) {
    return std::numeric_limits<int>::min();  // also NaN
  }
  if (!(value < 2147483648.0f)) {
    return std::numeric_limits<int>::max();
  }
  return static_cast<int>(value);
}

// One cell is 5 units wide; points slightly left of 0 still land in column 0.
inline int WorldToColumn(float x) { return TruncToInt(x * 0.2f); }

// One cell is 6 units high; the factor is the float nearest 1/6.
inline int WorldToRow(float y) { return TruncToInt(y * 0.16666667f); }

}  // namespace torvelkan
