// One of the coloured dots that bounce behind the main menu.
#include "screens/menu_dot.h"

#include "common/random.h"
#include "common/world.h"

namespace torvelkan {
namespace {

// Red, green, blue, brown, cyan, magenta; the intensity bit is added on top.
constexpr std::uint16_t kBaseColours[6] = {4, 2, 1, 6, 3, 5};

}  // namespace

MenuDot RandomMenuDot() {
  MenuDot dot{};
  dot.x = RandomUnit() * kWorldWidth;
  dot.y = RandomUnit() * kWorldHeight;
  dot.xVelocity = RandomUnit() - 0.5f;
  dot.yVelocity = RandomUnit() - 0.5f;
  dot.attribute = static_cast<std::uint16_t>(kBaseColours[torvelkan::rand() % 6] | 8);
  return dot;
}

void MoveMenuDot(MenuDot& dot, float d, float g) {
  dot.x += d * dot.xVelocity;
  dot.y += d * dot.yVelocity;
  // A dot that crossed the far edge lands on the last cell, 399 or 299, so
  // that it is still drawn; a bounce keeps the speed.
  if (dot.x < 0.0f) {
    dot.x = 0.0f;
    dot.xVelocity = -dot.xVelocity;
  } else if (dot.x >= kWorldWidth) {
    dot.x = 399.0f;
    dot.xVelocity = -dot.xVelocity;
  }
  if (dot.y < 0.0f) {
    dot.y = 0.0f;
    dot.yVelocity = -dot.yVelocity;
  } else if (dot.y >= kWorldHeight) {
    dot.y = 299.0f;
    dot.yVelocity = -dot.yVelocity;
  }
  // Gravity comes after the bounce.
  dot.yVelocity += g;
}

}  // namespace torvelkan
