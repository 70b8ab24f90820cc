// World coordinates (400 x 300 units, y downwards) mapped onto the 80 x 50 cell grid.
#pragma once

#include <cstdint>
#include <limits>

namespace torvelkan {

// The arena and the menu's dots live in this one world.
inline constexpr float kWorldWidth = 400.0f;
inline constexpr float kWorldHeight = 300.0f;

// One cell is 5 units wide and 6 high. The row factor is the float nearest 1/6,
// so a world y is multiplied, never divided: the cells stay exactly as drawn.
inline constexpr float kColumnsPerUnit = 0.2f;
inline constexpr float kRowsPerUnit = 0.16666667f;

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

// Points slightly left of 0 still land in column 0.
inline int WorldToColumn(float x) { return TruncToInt(x * kColumnsPerUnit); }

inline int WorldToRow(float y) { return TruncToInt(y * kRowsPerUnit); }

}  // namespace torvelkan
