// One of the two disc-shaped combatants: motion, mouth, bite, shot and drawing.
#pragma once

#include <cstdint>

#include "console/console_screen.h"

namespace torvelkan {

class Match;

class Fighter {
 public:
  static constexpr float kStartY = 250.0f;  // below the floor line: the first update lifts it
  static constexpr float kRadius = 50.0f;
  static constexpr float kWalkSpeed = 0.25f;  // units per ms
  static constexpr float kFloor = 280.0f;
  static constexpr float kJumpSpeed = -0.5f;  // units per ms, upwards
  static constexpr float kGravity = 0.0015f;  // per update call, not per ms
  static constexpr float kMouthRate = 0.02f;  // per ms
  static constexpr std::uint32_t kAttackCooldownMs = 500;
  static constexpr float kShotGap = 10.001f;  // from the body's edge to a new shot's centre
  static constexpr int kBiteSparks = 6;
  static constexpr float kBiteDamage = -10.0f;
  static constexpr float kBarCellsPerHealth = 0.37f;
  static constexpr std::uint16_t kBlueAttribute = 0x90;
  static constexpr std::uint16_t kRedAttribute = 0xC0;

  // side is -1.0 for blue (left of the arena), +1.0 for red.
  Fighter(float startX, float side);

  // One frame of motion by the key flags.
  void Update(std::uint32_t now, std::uint32_t elapsed);

  // The body and eye while alive, the health display always.
  void Render(ConsoleScreen& screen) const;

  // A bite or a shot, held back by the latch and the cooldown.
  void Attack(Match& match);

  // Adds to the health and keeps it within 0..100.
  void AddHealth(float amount);

  bool IsDead() const { return health <= 0.0f; }
  bool OnGround() const { return y >= kFloor - radius; }

  void DrawBody(ConsoleScreen& screen) const;
  void DrawEye(ConsoleScreen& screen) const;
  void DrawHealth(ConsoleScreen& screen) const;

  // The match and the AI steer a fighter through these fields directly.
  std::uint32_t lastAttackTick = 0;
  std::uint32_t nowTick = 0;
  float x;
  float y = kStartY;
  float radius = kRadius;
  float mouthOpening = 1.0f;  // radians of the wedge cut out towards the facing side
  float side;
  // +1.0 looks towards smaller x, -1.0 towards larger x. The match sets it
  // before every update; until then the side sign is what that update gives,
  // since blue starts on the left of red.
  float facing;
  bool left = false;
  bool right = false;
  bool jump = false;
  bool attackHeld = false;
  std::uint16_t attribute;
  float vx = 0.0f;
  float vy = 0.0f;
  float health = 100.0f;
  Fighter* opponent = nullptr;
};

}  // namespace torvelkan
