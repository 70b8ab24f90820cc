// The rules of one fight: keys, projectiles, facing, the end and the explosions.
#include "match/match.h"

#include "common/geometry.h"
#include "common/keys.h"
#include "common/random.h"

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

int Match::EndState() const {
  // The closing countdown runs its course before a fresh match is asked for.
  if (endState == 2 && !CountdownOver()) {
    return 0;
  }
  return endState;
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

  if ((blue.IsDead() || red.IsDead()) && endState == 0) {
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
  endState = 2;
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

void Match::OnKeyDown(std::uint16_t key) {
  // Both countdowns swallow every key but Esc. The AI learns from every red
  // arrow key, whoever plays blue; W, A, S and D reach blue only without it.
  if (CountdownOver()) {
    switch (key) {
      case vk::kLeft:
        red.left = true;
        RecordSituation();
        break;
      case vk::kUp:
        red.jump = true;
        RecordSituation();
        break;
      case vk::kRight:
        red.right = true;
        RecordSituation();
        break;
      case vk::kDown:
        red.Attack(*this);
        RecordSituation();
        break;
      case vk::kA:
        if (!aiEnabled) {
          blue.left = true;
        }
        break;
      case vk::kD:
        if (!aiEnabled) {
          blue.right = true;
        }
        break;
      case vk::kS:
        if (!aiEnabled) {
          blue.Attack(*this);
        }
        break;
      case vk::kW:
        if (!aiEnabled) {
          blue.jump = true;
        }
        break;
      default: break;
    }
  }
  if (key == vk::kEscape) {
    endState = 1;
  }
}

void Match::OnKeyUp(std::uint16_t key) {
  if (!CountdownOver()) {
    return;
  }
  // Releasing W, A, S or D clears blue's flag even when the AI set it.
  switch (key) {
    case vk::kLeft:
      red.left = false;
      RecordSituation();
      break;
    case vk::kUp:
      red.jump = false;
      RecordSituation();
      break;
    case vk::kRight:
      red.right = false;
      RecordSituation();
      break;
    case vk::kDown:
      red.attackHeld = false;
      RecordSituation();
      break;
    case vk::kA: blue.left = false; break;
    case vk::kD: blue.right = false; break;
    case vk::kS: blue.attackHeld = false; break;
    case vk::kW: blue.jump = false; break;
    default: break;
  }
}

}  // namespace torvelkan
