// A debris particle: a coloured cell thrown about under gravity that fades and goes.
#pragma once

#include <cstdint>

#include "common/world.h"
#include "console/console_screen.h"

namespace torvelkan {

struct Debris {
  static constexpr float kGravity = 0.0015f;  // per update
  static constexpr std::uint32_t kDarkenMs = 3000;
  static constexpr std::uint32_t kLifeMs = 6000;
  static constexpr std::uint16_t kIntensityBit = 0x80;  // background intensity

  // A new particle at (x, y): draws its floor, then vx, then vy from the
  // program's generator, three numbers in that order.
  static Debris Spawned(float x, float y, std::uint16_t attribute);

  // Falls and bounces one fixed step per call; its age starts at the first call.
  void Update(std::uint32_t now, std::uint32_t elapsed);
  bool IsExpired(std::uint32_t now) const {
    return x < 0.0f || x >= kWorldWidth || now > bornTick + kLifeMs;
  }
  void Render(ConsoleScreen& screen) const;

  float x = 0.0f;
  float y = 0.0f;
  float vx = 0.0f;
  float vy = 0.0f;
  float groundY = kWorldHeight;  // its own floor, between 260 and 300
  std::uint16_t attribute = 0;
  std::uint32_t bornTick = 0;  // the tick of its first update; 0 until then
};

}  // namespace torvelkan
