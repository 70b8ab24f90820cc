// How a cell of the grid looks on a terminal: its glyph and its colours, and
// when two cells look the same.
#pragma once

#include <cstdint>

#include "console/console_types.h"

namespace torvelkan {

// Character 0 and 255 look like the blank.
inline std::uint8_t ShownChar(const Cell& cell) {
  const std::uint8_t ch = CellChar(cell);
  return ch == 0 || ch == 255 ? std::uint8_t{' '} : ch;
}

// The console's colour numbers: bit 0 blue, 1 green, 2 red, 3 bright.
inline int Foreground(const Cell& cell) { return CellAttribute(cell) & 0x0F; }
inline int Background(const Cell& cell) { return (CellAttribute(cell) >> 4) & 0x0F; }

// A blank shows only its background, so its foreground is free: whatever the
// pen holds will do, and a blank whose foreground alone changed is not sent.
inline bool IsBlank(const Cell& cell) { return ShownChar(cell) == ' '; }

inline bool LooksSame(const Cell& a, const Cell& b) {
  return ShownChar(a) == ShownChar(b) && Background(a) == Background(b) &&
         (IsBlank(a) || Foreground(a) == Foreground(b));
}

}  // namespace torvelkan
