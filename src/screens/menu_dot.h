// One of the coloured dots that bounce behind the main menu.
#pragma once

#include <cstdint>

namespace torvelkan {

struct MenuDot {
  float x;          // world units, 0 to 400
  float y;          // world units, 0 to 300, growing downwards
  float xVelocity;  // world units per ms
  float yVelocity;
  std::uint16_t attribute;  // a bright foreground on black
};

// A dot anywhere in the world, x and y limits included, each velocity from
// -0.5 to 0.5; draws x, y, x velocity, y velocity and colour, in that order.
MenuDot RandomMenuDot();

// Moves the dot by d ms, bounces it off the world's edges, then adds gravity g.
void MoveMenuDot(MenuDot& dot, float d, float g);

}  // namespace torvelkan
