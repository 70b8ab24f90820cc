// The menus' box over their bouncing dots.
#include "screens/menu_box.h"

#include "common/world.h"

namespace torvelkan {

void DrawDotsBehindBox(ConsoleScreen& screen, const std::vector<MenuDot>& dots, const MenuBox& box,
                       std::uint16_t frameAttribute) {
  for (const MenuDot& dot : dots) {
    screen.PutCell(WorldToColumn(dot.x), WorldToRow(dot.y), 'o', dot.attribute);
  }
  for (int column = box.left; column <= box.right; ++column) {
    for (int row = box.top; row <= box.bottom; ++row) {
      screen.PutCell(column, row, ' ', 0);
    }
  }
  for (int column = box.left; column <= box.right; ++column) {
    screen.PutCell(column, box.top - 1, '-', frameAttribute);
    screen.PutCell(column, box.bottom + 1, '-', frameAttribute);
  }
  for (int row = box.top; row <= box.bottom; ++row) {
    screen.PutCell(box.left - 1, row, '|', frameAttribute);
    screen.PutCell(box.right + 1, row, '|', frameAttribute);
  }
}

}  // namespace torvelkan
