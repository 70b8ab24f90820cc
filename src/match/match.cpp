// The rules of one fight: keys, projectiles, facing, the end and the explosions.
#include "match/match.h"

#include "common/geometry.h"
#include "common/keys.h"
#include "common/random.h"
#include "match/fighter_keys.h"

namespace torvelkan {

Match::Match(bool aiOn)
    : message("Get Ready"),
      countdownMs(kCountdownMs),
      blue(kBlueStartX, -1.0f),
      red(kRedStartX, 1.0f),
      aiEnabled(aiOn) {
  blue.opponent = &red;
  red.opponent = &blue;
  // Room for two explosions and their sparks, so the busiest frames do not
  // reallocate.
  debris.reserve(1024);
  shots.reserve(16);
}

void Match::SpawnDebris(float x, float y, std::uint16_t attribute) {
  debris.push_back(Debris::Spawned(x, y, attribute));
}

void Match::FireShot(float x, float y, float direction, std::uint16_t attribute) {
  shots.push_back(Shot::Fired(x, y, direction, attribute));
}

MatchEnd Match::EndState() const {
  // The closing countdown runs its course before a fresh match is asked for.
  if (end == MatchEnd::kFinished && !CountdownOver()) {
    return MatchEnd::kPlaying;
  }
  return end;
}

void Match::Update(std::uint32_t now, std::uint32_t elapsed) {
  if (countdownMs > 0) {
    // Wide, so that an absurd step cannot wrap the countdown.
    const std::int64_t left = static_cast<std::int64_t>(countdownMs) - elapsed;
    countdownMs = left < INT32_MIN ? INT32_MIN : static_cast<std::int32_t>(left);
  }
  UpdateDebris(now, elapsed);
  UpdateShots(now, elapsed);

  // Each looks towards the other, judged before either moves.
  const float s = blue.x < red.x ? 1.0f : -1.0f;
  blue.facing = s * blue.side;
  blue.Update(now, elapsed);
  red.facing = s * red.side;
  red.Update(now, elapsed);

  if ((blue.IsDead() || red.IsDead()) && end == MatchEnd::kPlaying) {
    EndFight();
  }
  // Never on the frame that ends the fight: the countdown has just restarted.
  if (aiEnabled && CountdownOver()) {
    ai.Think(now, elapsed, blue, red, *this);
  }
}

void Match::UpdateDebris(std::uint32_t now, std::uint32_t elapsed) {
  std::size_t kept = 0;
  for (Debris& particle : debris) {
    particle.Update(now, elapsed);
    if (!particle.IsExpired(now)) {
      debris[kept++] = particle;
    }
  }
  debris.resize(kept);
}

void Match::UpdateShots(std::uint32_t now, std::uint32_t elapsed) {
  // Sparks of a hit go to the debris list and first move in the next frame.
  std::size_t kept = 0;
  for (Shot& shot : shots) {
    shot.Update(now, elapsed);
    if (shot.IsOutside()) {
      continue;
    }
    // Blue is tried first, so a shot touching both hits blue alone; a shot
    // hits whoever it touches, its own shooter and a dead fighter too.
    Fighter* hit = nullptr;
    if (CirclesTouch(shot.x, shot.y, Shot::kHitRadius, blue.x, blue.y, blue.radius)) {
      hit = &blue;
    } else if (CirclesTouch(shot.x, shot.y, Shot::kHitRadius, red.x, red.y, red.radius)) {
      hit = &red;
    }
    if (hit == nullptr) {
      shots[kept++] = shot;
      continue;
    }
    for (int n = 0; n < kHitSparks; ++n) {
      SpawnDebris(shot.x, shot.y, hit->attribute);
    }
    hit->AddHealth(kShotDamage);
  }
  shots.resize(kept);
}

void Match::EndFight() {
  end = MatchEnd::kFinished;
  countdownMs = kCountdownMs;
  if (blue.IsDead() && red.IsDead()) {
    message = "Both players win!";
  } else if (blue.IsDead()) {
    message = "Player red wins!";
  } else {
    message = "Player blue wins!";
  }
  if (blue.IsDead()) {
    Explode(blue);
  }
  if (red.IsDead()) {
    Explode(red);
  }
  for (Fighter* fighter : {&blue, &red}) {
    fighter->left = false;
    fighter->right = false;
    fighter->jump = false;
    fighter->attackHeld = false;
  }
}

void Match::Explode(const Fighter& fighter) {
  // Spread over the square around the centre, the vertical draw first.
  const float r = fighter.radius;
  for (int n = 0; n < kExplosionParticles; ++n) {
    const float u1 = RandomUnit();
    const float u2 = RandomUnit();
    SpawnDebris(fighter.x - r + 2.0f * r * u2, fighter.y - r + 2.0f * r * u1, fighter.attribute);
  }
}

void Match::OnKeyDown(std::uint16_t code) {
  // Both countdowns swallow every key but Esc. The AI learns from every red
  // arrow key, whoever plays blue; W, A, S and D reach blue only without it.
  const std::optional<FighterKey> key = FindFighterKey(code);
  if (CountdownOver() && key.has_value()) {
    if (key->side == Side::kRed) {
      Press(red, key->action);
      RecordSituation();
    } else if (!aiEnabled) {
      Press(blue, key->action);
    }
  }
  if (code == vk::kEscape) {
    end = MatchEnd::kLeft;
  }
}

void Match::OnKeyUp(std::uint16_t code) {
  if (!CountdownOver()) {
    return;
  }
  // Releasing W, A, S or D clears blue's flag even when the AI set it.
  const std::optional<FighterKey> key = FindFighterKey(code);
  if (!key.has_value()) {
    return;
  }
  Fighter& fighter = key->side == Side::kRed ? red : blue;
  switch (key->action) {
    case FighterAction::kLeft: fighter.left = false; break;
    case FighterAction::kRight: fighter.right = false; break;
    case FighterAction::kJump: fighter.jump = false; break;
    case FighterAction::kAttack: fighter.attackHeld = false; break;
  }
  if (key->side == Side::kRed) {
    RecordSituation();
  }
}

void Match::Press(Fighter& fighter, FighterAction action) {
  switch (action) {
    case FighterAction::kLeft: fighter.left = true; break;
    case FighterAction::kRight: fighter.right = true; break;
    case FighterAction::kJump: fighter.jump = true; break;
    // The attack sets its own latch, so that holding the key attacks once.
    case FighterAction::kAttack: fighter.Attack(*this); break;
  }
}

}  // namespace torvelkan
