// The menus' box over their bouncing dots: the dots drawn, the box's inside
// blanked over them and its edges drawn around it.
#pragma once

#include <cstdint>
#include <vector>

#include "console/console_screen.h"
#include "screens/menu_dot.h"

namespace torvelkan {

// The box's inside, in columns and rows; its edges stand one outside it.
struct MenuBox {
  int left = 0;
  int right = 0;
  int top = 0;
  int bottom = 0;
};

// The corners are left out, so that a dot passing there stays visible.
void DrawDotsBehindBox(ConsoleScreen& screen, const std::vector<MenuDot>& dots, const MenuBox& box,
                       std::uint16_t frameAttribute);

}  // namespace torvelkan
