// How the arena is drawn: grid, projectiles, fighters, message and counters.
#include <cstdio>

#include "match/match.h"

namespace torvelkan {
namespace {
constexpr std::uint16_t kGridAttribute = 8;  // dark grey
}

void Match::Render(ConsoleScreen& screen) const {
  for (int row = 3; row <= 42; ++row) {
    for (int column = 0; column < kColumns; column += 5) {
      screen.PutCell(column, row, '|', kGridAttribute);
    }
  }
  for (const Debris& particle : debris) {
    particle.Render(screen);
  }
  for (const Shot& shot : shots) {
    shot.Render(screen);
  }
  blue.Render(screen);
  red.Render(screen);

  if (!CountdownOver()) {
    // Fades from bright white through grey to dark grey, a step a second.
    const std::uint16_t attribute = countdownMs > 2000 ? 15 : countdownMs > 1000 ? 7 : 8;
    screen.PutText(40, 5, message, attribute, kAlignCenter);
  }

  char text[32];
  std::snprintf(text, sizeof text, "%i AI", static_cast<int>(ai.MemorySize()));
  screen.PutText(79, 0, text, 7, kAlignRight);
  std::snprintf(text, sizeof text, "%i", static_cast<int>(debris.size()));
  screen.PutText(23, 0, text, 8, kAlignLeft);
  std::snprintf(text, sizeof text, "%i", static_cast<int>(shots.size()));
  screen.PutText(57, 0, text, 8, kAlignRight);
}

}  // namespace torvelkan
