// A debris particle's spawn, flight and drawing.
#include "match/debris.h"

#include "common/random.h"
#include "common/world.h"

namespace torvelkan {
namespace {
constexpr float kFloorSpread = 0.0012207404f;  // the float nearest 40/32767
}  // namespace

Debris Debris::Spawned(float x, float y, std::uint16_t attribute) {
  Debris particle;
  particle.groundY = kWorldHeight - static_cast<float>(rand()) * kFloorSpread;
  particle.x = x;
  particle.y = y;
  particle.attribute = attribute;
  particle.vx = static_cast<float>(rand()) * kRandomUnitScale - 0.5f;
  particle.vy = static_cast<float>(rand()) * kRandomUnitScale - 0.75f;  // mostly upwards
  return particle;
}

void Debris::Update(std::uint32_t now, std::uint32_t /*elapsed*/) {
  vy += kGravity;
  x += vx;
  y += vy;
  if (y > groundY) {  // resting exactly on the floor is no bounce
    y = groundY;
    vx *= 0.5f;
    vy *= -0.5f;
  }
  if (bornTick == 0) {
    bornTick = now;
  }
  if (now > bornTick + kDarkenMs) {
    attribute = static_cast<std::uint16_t>(attribute & ~kIntensityBit);
  }
}

void Debris::Render(ConsoleScreen& screen) const {
  screen.PutCell(WorldToColumn(x), WorldToRow(y), ' ', attribute);
}

}  // namespace torvelkan
