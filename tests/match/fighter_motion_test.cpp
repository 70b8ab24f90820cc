// A fighter walks by elapsed time, stays inside the walls, jumps from the floor
// line and falls under a gravity counted per update.
#include <gtest/gtest.h>

#include "match/fighter.h"

namespace torvelkan {
namespace {

// A fighter standing on the floor line at x.
Fighter Standing(float x) {
  Fighter fighter(x, -1.0f);
  fighter.Update(1000, 16);
  return fighter;
}

TEST(FighterMotion, ANewFighterIsLiftedOntoTheFloorLine) {
  Fighter fighter(100.0f, -1.0f);
  EXPECT_EQ(fighter.y, 250.0f);
  EXPECT_FALSE(fighter.IsDead());
  fighter.Update(1000, 16);
  EXPECT_EQ(fighter.y, 230.0f);  // floor 280 less the radius 50
  EXPECT_EQ(fighter.vy, 0.0f);
  EXPECT_TRUE(fighter.OnGround());
  EXPECT_EQ(fighter.nowTick, 1000u);
}

TEST(FighterMotion, BothWalkingFlagsCancelAndStayCleared) {
  Fighter fighter = Standing(200.0f);
  fighter.left = true;
  fighter.right = true;
  fighter.Update(1100, 100);
  EXPECT_EQ(fighter.x, 200.0f);
  EXPECT_FALSE(fighter.left);
  EXPECT_FALSE(fighter.right);
  fighter.Update(1200, 100);
  EXPECT_EQ(fighter.x, 200.0f);
}

TEST(FighterMotion, WalksAQuarterUnitPerMillisecondUpToTheWalls) {
  struct Case {
    float startX;
    bool left;
    std::uint32_t elapsed;
    float endX;
  };
  const Case cases[] = {
      {200.0f, true, 100, 175.0f},  // free walk: 25 units
      {200.0f, false, 100, 225.0f},
      {60.0f, true, 100, 50.0f},     // would be 35: the centre stays a radius off the wall
      {340.0f, false, 100, 350.0f},  // the right wall, at 400 less the radius
      {200.0f, true, 0, 200.0f},
  };
  for (const Case& c : cases) {
    Fighter fighter = Standing(c.startX);
    fighter.left = c.left;
    fighter.right = !c.left;
    fighter.Update(2000, c.elapsed);
    EXPECT_EQ(fighter.x, c.endX) << "from " << c.startX;
  }
}

TEST(FighterMotion, AHeldJumpLandsThenTakesOffThenRises) {
  Fighter fighter = Standing(200.0f);
  fighter.y = 229.0f;  // falling onto the line
  fighter.vy = 0.5f;
  fighter.jump = true;
  fighter.Update(2000, 10);  // passes the line: put on it at rest, jump or not
  EXPECT_EQ(fighter.y, 230.0f);
  EXPECT_EQ(fighter.vy, 0.0f);
  fighter.Update(2010, 10);  // from rest on the line the jump starts
  EXPECT_EQ(fighter.y, 230.0f);
  EXPECT_EQ(fighter.vy, -0.5f);
  fighter.Update(2020, 10);  // 5 units up, and gravity begins
  EXPECT_EQ(fighter.y, 225.0f);
  EXPECT_FLOAT_EQ(fighter.vy, -0.5f + 0.0015f);
  EXPECT_TRUE(fighter.jump);  // the jump never clears its own flag
}

TEST(FighterMotion, GravityIsAddedOncePerUpdateWhateverTheElapsedTime) {
  Fighter once = Standing(200.0f);
  once.y = 100.0f;
  Fighter twice = once;
  once.Update(2000, 10);
  twice.Update(2000, 5);
  twice.Update(2005, 5);
  EXPECT_FLOAT_EQ(once.vy, 0.0015f);
  EXPECT_FLOAT_EQ(twice.vy, 2 * 0.0015f);

  Fighter still = Standing(200.0f);
  still.y = 100.0f;
  still.Update(2000, 0);  // no time, no movement, but gravity all the same
  EXPECT_EQ(still.y, 100.0f);
  EXPECT_FLOAT_EQ(still.vy, 0.0015f);
}

TEST(FighterMotion, TheMouthClosesIn50MsAndReopensIn50Ms) {
  Fighter fighter = Standing(200.0f);
  EXPECT_EQ(fighter.mouthOpening, 1.0f);
  fighter.attackHeld = true;
  fighter.Update(2000, 25);
  EXPECT_FLOAT_EQ(fighter.mouthOpening, 0.5f);
  fighter.Update(2025, 25);
  EXPECT_FLOAT_EQ(fighter.mouthOpening, 0.0f);
  fighter.Update(2050, 25);
  EXPECT_EQ(fighter.mouthOpening, 0.0f);  // never below 0
  fighter.attackHeld = false;
  fighter.Update(2075, 50);
  EXPECT_FLOAT_EQ(fighter.mouthOpening, 1.0f);
  fighter.Update(2125, 50);
  EXPECT_EQ(fighter.mouthOpening, 1.0f);  // never above 1
}

}  // namespace
}  // namespace torvelkan
