// A shot's flight and its drawing.
#include "match/shot.h"

#include "common/world.h"

namespace torvelkan {

Shot Shot::Fired(float x, float y, float direction, std::uint16_t attribute) {
  Shot shot;
  shot.x = x;
  shot.y = y;
  shot.vx = -kSpeed * direction;
  shot.vy = 0.0f;
  shot.attribute = attribute;
  return shot;
}

void Shot::Update(std::uint32_t /*now*/, std::uint32_t /*elapsed*/) {
  x += vx;
  y += vy;
}

void Shot::Render(ConsoleScreen& screen) const {
  const int col = WorldToColumn(x);
  const int row = WorldToRow(y);
  // A bright plus of five cells with a dark rim of six.
  screen.PutCell(col - 2, row, ' ', kDark);
  screen.PutCell(col - 1, row, ' ', kBright);
  screen.PutCell(col, row, ' ', kBright);
  screen.PutCell(col + 1, row, ' ', kBright);
  screen.PutCell(col + 2, row, ' ', kDark);
  screen.PutCell(col - 1, row - 1, ' ', kDark);
  screen.PutCell(col - 1, row + 1, ' ', kDark);
  screen.PutCell(col, row - 1, ' ', kBright);
  screen.PutCell(col, row + 1, ' ', kBright);
  screen.PutCell(col + 1, row - 1, ' ', kDark);
  screen.PutCell(col + 1, row + 1, ' ', kDark);
}

}  // namespace torvelkan
