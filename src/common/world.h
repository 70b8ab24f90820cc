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

// How far off the grid a point beyond the range of int lands: far enough to
// miss every cell, near enough that the few cells drawn around it (a shot's
// plus, say) can be reached by adding or subtracting without overflow.
inline constexpr int kFarOffGrid = 1 << 30;

// Truncation toward zero, as a C cast does, but a value beyond +-kFarOffGrid
// (a fighter flung far off by a huge elapsed time, or NaN) lands at
// +-kFarOffGrid instead of being undefined behaviour.
inline int TruncToInt(float value) {
  if (!(value > -static_cast<float>(kFarOffGrid))) {
    return -kFarOffGrid;  // also NaN
  }
  if (!(value < static_cast<float>(kFarOffGrid))) {
    return kFarOffGrid;
  }
  return static_cast<int>(value);
}

// Points slightly left of 0 still land in column 0.
inline int WorldToColumn(float x) { return TruncToInt(x * kColumnsPerUnit); }

inline int WorldToRow(float y) { return TruncToInt(y * kRowsPerUnit); }

}  // namespace torvelkan
