// A shot: a green blob that flies straight along x until it leaves or hits.
#pragma once

#include <cstdint>

#include "common/world.h"
#include "console/console_screen.h"

namespace torvelkan {

struct Shot {
  static constexpr float kSpeed = 0.5f;  // x units per update
  static constexpr float kHitRadius = 8.0f;
  static constexpr std::uint16_t kBright = 160;
  static constexpr std::uint16_t kDark = 32;

  // Direction +1.0 flies towards smaller x, -1.0 towards larger x.
  static Shot Fired(float x, float y, float direction, std::uint16_t attribute);

  // One fixed step per call, whatever the time.
  void Update(std::uint32_t now, std::uint32_t elapsed);
  bool IsOutside() const { return x < 0.0f || x >= kWorldWidth; }
  void Render(ConsoleScreen& screen) const;

  float x = 0.0f;
  float y = 0.0f;
  float vx = 0.0f;
  float vy = 0.0f;
  std::uint16_t attribute = 0;  // the shooter's; the drawing keeps its own greens
};

}  // namespace torvelkan
