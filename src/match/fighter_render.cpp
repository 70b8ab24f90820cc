// How a fighter draws its body, its eye and its health display.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/geometry.h"
#include "common/world.h"
#include "match/fighter.h"

namespace torvelkan {
namespace {
constexpr float kHalfPi = 1.5707964f;
}  // namespace

void Fighter::Render(ConsoleScreen& screen) const {
  if (!IsDead()) {
    DrawBody(screen);
  }
  DrawHealth(screen);
}

void Fighter::DrawBody(ConsoleScreen& screen) const {
  // Only cells on the grid can show, so the loops stay on it: a fighter flung
  // far off the screen costs nothing and cannot run the bounds past int.
  const int firstRow = std::max(TruncToInt(kRowsPerUnit * y - kRowsPerUnit * radius), 0);
  const int lastRow = std::min(TruncToInt(kRowsPerUnit * y + kRowsPerUnit * radius), kRows - 1);
  const int firstColumn = std::max(TruncToInt(kColumnsPerUnit * x - kColumnsPerUnit * radius), 0);
  const int lastColumn =
      std::min(TruncToInt(kColumnsPerUnit * x + kColumnsPerUnit * radius), kColumns - 1);
  for (int i = firstRow; i <= lastRow; ++i) {
    for (int j = firstColumn; j <= lastColumn; ++j) {
      // Each cell stands for its top-left corner.
      const float px = static_cast<float>(5 * j);
      const float py = static_cast<float>(6 * i);
      if (Distance(px, py, x, y) <= radius) {
        // The angle from the facing direction: the mouth is the wedge around it.
        const float theta = kHalfPi - facing * std::atan2(x - px, y - py);
        if (theta >= 0.5f * mouthOpening || theta <= -0.5f * mouthOpening) {
          screen.PutCell(j, i, ' ', attribute);
        }
      }
    }
  }
  DrawEye(screen);
}

void Fighter::DrawEye(ConsoleScreen& screen) const {
  // Four cells towards the facing side and four rows up, in the darker colour.
  screen.PutCell(TruncToInt(kColumnsPerUnit * x - 4.0f * facing),
                 TruncToInt(kRowsPerUnit * y - 4.0f), ' ',
                 static_cast<std::uint16_t>(attribute & 0xFF7Fu));
}

void Fighter::DrawHealth(ConsoleScreen& screen) const {
  const int cells = TruncToInt(health * kBarCellsPerHealth);
  const int d = TruncToInt(side);
  // Blue's bar grows leftwards from the middle, red's rightwards.
  int column = d == -1 ? 36 : 43;
  for (int n = 0; n < cells; ++n) {
    screen.PutCell(column, 1, ' ', attribute);
    column += d;
  }
  char text[16];
  std::snprintf(text, sizeof text, "%3i", TruncToInt(health));
  screen.PutText(d == -1 ? 37 : 40, 1, text, static_cast<std::uint16_t>(attribute | 0x000Fu),
                 kAlignLeft);
}

}  // namespace torvelkan
