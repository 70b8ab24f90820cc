// The imitation AI: what it stores, how it finds the nearest situation, and
// how it copies or invents blue's keys.
#include "match/imitation_ai.h"

#include "common/geometry.h"
#include "common/random.h"
#include "match/fighter.h"
#include "match/match.h"

namespace torvelkan {
namespace {

bool Touching(const Fighter& blue, const Fighter& red) {
  return CirclesTouch(blue.x, blue.y, blue.radius, red.x, red.y, red.radius);
}

// While the fighters touch the latch toggles on every decision, whatever is
// wanted: one decision bites, the next lets go.
void ToggleAttack(Fighter& blue, Match& match) {
  if (blue.attackHeld) {
    blue.attackHeld = false;
  } else {
    blue.Attack(match);
  }
}

void AttackOrRelease(bool attack, Fighter& blue, Match& match) {
  if (attack) {
    blue.Attack(match);
  } else {
    blue.attackHeld = false;
  }
}

}  // namespace

float MirrorX(float x, bool mirrored) { return mirrored ? 100.0f - (x - 200.0f) : x; }

float SituationDistance(const Situation& s, bool mirrored, const Fighter& blue,
                        const Fighter& red) {
  return Distance(MirrorX(red.x, mirrored), red.y, s.blueX, s.blueY) +
         Distance(MirrorX(blue.x, mirrored), blue.y, s.redX, s.redY);
}

void ImitationAi::RecordSituation(const Fighter& blue, const Fighter& red) {
  Situation situation;
  situation.blueX = blue.x;
  situation.blueY = blue.y;
  situation.redX = red.x;
  situation.redY = red.y;
  situation.jump = red.jump;
  situation.attackHeld = red.attackHeld;
  situation.left = red.left;
  situation.right = red.right;
  Remember(situation);
}

void ImitationAi::Remember(const Situation& situation) {
  memory.push_back(situation);
  if (memory.size() > kCapacity) {
    memory.pop_front();
  }
}

void ImitationAi::Think(std::uint32_t now, std::uint32_t /*elapsed*/, Fighter& blue,
                        const Fighter& red, Match& match) {
  if (now <= lastThinkTick + kThinkSpacingMs) {
    return;
  }
  lastThinkTick = now;

  // Ties go to the later candidate: the newer situation, and the mirrored
  // pass over the plain one.
  float best = kFarAway;
  const Situation* chosen = nullptr;
  bool mirrored = false;
  for (const bool mirror : {false, true}) {
    for (const Situation& situation : memory) {
      const float d = SituationDistance(situation, mirror, blue, red);
      if (d <= best) {
        best = d;
        chosen = &situation;
        mirrored = mirror;
      }
    }
  }

  if (chosen != nullptr && rand() % kRandomOneIn != 0) {
    Follow(*chosen, mirrored, blue, red, match);
  } else {
    PlayAtRandom(blue, red, match);
  }
}

void ImitationAi::Follow(const Situation& s, bool mirrored, Fighter& blue, const Fighter& red,
                         Match& match) {
  if (mirrored) {
    blue.right = s.left;
    blue.left = s.right;
  } else {
    blue.left = s.left;
    blue.right = s.right;
  }
  if (Touching(blue, red)) {
    ToggleAttack(blue, match);
  } else {
    AttackOrRelease(s.attackHeld, blue, match);
  }
  blue.jump = s.jump;  // up is up on either side
}

void ImitationAi::PlayAtRandom(Fighter& blue, const Fighter& red, Match& match) {
  const int direction = rand() % 3;  // left, right or standing, a third each
  blue.left = direction == 0;
  blue.right = direction == 1;
  if (Touching(blue, red)) {
    ToggleAttack(blue, match);
  } else {
    AttackOrRelease(rand() % 2 == 0, blue, match);
  }
  blue.jump = rand() % 2 == 0;
}

}  // namespace torvelkan
