// A fighter's motion, attack and health.
#include "match/fighter.h"

#include "common/geometry.h"
#include "common/world.h"
#include "match/match.h"

namespace torvelkan {

Fighter::Fighter(float startX, float sideSign)
    : x(startX),
      side(sideSign),
      facing(sideSign),
      attribute(sideSign == 1.0f ? kRedAttribute : kBlueAttribute) {}

void Fighter::Update(std::uint32_t now, std::uint32_t elapsed) {
  nowTick = now;
  // Both walking keys cancel out, and stay cleared until something sets one again.
  if (left && right) {
    left = false;
    right = false;
  }
  const float dt = static_cast<float>(elapsed);

  x = x + vx * dt;
  if (left) {
    x = x - kWalkSpeed * dt;
  }
  if (right) {
    x = x + kWalkSpeed * dt;
  }
  if (x <= radius) {
    x = radius;
  }
  if (x >= kWorldWidth - radius) {
    x = kWorldWidth - radius;
  }

  y = y + vy * dt;
  if (OnGround()) {
    // A jump starts only from rest on the line: a fighter that has just
    // passed it is put back on it at rest first.
    if (jump) {
      vy = kJumpSpeed;
    }
    if (y > kFloor - radius) {
      y = kFloor - radius;
      vy = 0.0f;
    }
  } else {
    vy = vy + kGravity;
  }

  if (attackHeld) {
    mouthOpening = mouthOpening - kMouthRate * dt;
    if (mouthOpening < 0.0f) {
      mouthOpening = 0.0f;
    }
  } else {
    mouthOpening = mouthOpening + kMouthRate * dt;
    if (mouthOpening > 1.0f) {
      mouthOpening = 1.0f;
    }
  }
}

void Fighter::Attack(Match& match) {
  if (attackHeld) {
    return;  // a held key attacks once
  }
  attackHeld = true;  // even when refused below, so that the mouth closes
  if (lastAttackTick + kAttackCooldownMs >= nowTick) {
    return;
  }
  lastAttackTick = nowTick;

  // Walking away from the side it looks at turns the attack into a shot.
  if ((facing == 1.0f && right) || (facing == -1.0f && left)) {
    match.FireShot(x - (radius + kShotGap) * facing, y, facing, attribute);
    return;
  }
  if (CirclesTouch(x, y, radius, opponent->x, opponent->y, opponent->radius)) {
    const float mx = (opponent->x + x) * 0.5f;
    const float my = (opponent->y + y) * 0.5f;
    for (int i = 0; i < kBiteSparks; ++i) {
      match.SpawnDebris(mx, my, opponent->attribute);  // sparks of the bitten one's colour
    }
    opponent->AddHealth(kBiteDamage);
  }
}

void Fighter::AddHealth(float amount) {
  const float v = amount + health;
  if (v >= 100.0f) {
    health = 100.0f;
  } else if (v <= 0.0f) {
    health = 0.0f;
  } else {
    health = v;
  }
}

}  // namespace torvelkan
