// An attack is latched by its key, spaced by a 500 ms cooldown, and is a shot
// when walking away from the side the fighter looks at, else a bite.
#include <gtest/gtest.h>

#include "match/match.h"

namespace torvelkan {
namespace {

// A match past its opening countdown: both fighters on the floor line, blue at
// 100 looking right (facing -1), red at 300 looking left (facing +1), and the
// fighters' clock at tick 10000.
class FighterAttack : public ::testing::Test {
 protected:
  void SetUp() override {
    match.Update(10000, 3000);
    ASSERT_TRUE(match.CountdownOver());
    ASSERT_EQ(blue.facing, -1.0f);
    ASSERT_EQ(red.facing, 1.0f);
  }
  Match match{false};
  Fighter& blue = match.Blue();
  Fighter& red = match.Red();
};

TEST_F(FighterAttack, TheLatchAttacksOnceUntilItIsCleared) {
  blue.left = true;  // walking away from red: a shot
  blue.Attack(match);
  EXPECT_TRUE(blue.attackHeld);
  EXPECT_EQ(match.Shots().size(), 1u);
  blue.Update(20000, 0);  // long past the cooldown
  blue.Attack(match);     // a repeated key-down of the held key
  EXPECT_EQ(match.Shots().size(), 1u);
  blue.attackHeld = false;  // the key-up
  blue.Attack(match);
  EXPECT_EQ(match.Shots().size(), 2u);
}

TEST_F(FighterAttack, AnAttackNeedsMoreThan500MsSinceTheLastOne) {
  blue.left = true;
  blue.Update(1000, 0);
  blue.Attack(match);
  ASSERT_EQ(match.Shots().size(), 1u);
  EXPECT_EQ(blue.lastAttackTick, 1000u);

  blue.attackHeld = false;
  blue.Update(1500, 0);
  blue.Attack(match);
  EXPECT_EQ(match.Shots().size(), 1u);  // refused at exactly 500 ms
  EXPECT_TRUE(blue.attackHeld);         // the latch is set all the same
  EXPECT_EQ(blue.lastAttackTick, 1000u);

  blue.attackHeld = false;
  blue.Update(1501, 0);
  blue.Attack(match);
  EXPECT_EQ(match.Shots().size(), 2u);
  EXPECT_EQ(blue.lastAttackTick, 1501u);
}

TEST_F(FighterAttack, AMissedBiteStartsTheCooldownToo) {
  blue.Attack(match);  // red is 200 away: nothing to bite
  EXPECT_TRUE(match.Shots().empty());
  EXPECT_TRUE(match.DebrisList().empty());
  EXPECT_EQ(red.health, 100.0f);
  EXPECT_EQ(blue.lastAttackTick, 10000u);
}

TEST_F(FighterAttack, WalkingAwayShootsFromJustBeyondTheBody) {
  red.x = 190.0f;  // touching blue: walking away still shoots
  blue.left = true;
  blue.Attack(match);
  ASSERT_EQ(match.Shots().size(), 1u);
  const Shot& shot = match.Shots().front();
  EXPECT_FLOAT_EQ(shot.x, 160.001f);  // 100 + radius 50 + 10.001
  EXPECT_EQ(shot.y, 230.0f);
  EXPECT_EQ(shot.vx, 0.5f);  // flies towards larger x, at red
  EXPECT_EQ(shot.attribute, 144);
  EXPECT_EQ(red.health, 100.0f);
  EXPECT_TRUE(match.DebrisList().empty());
}

TEST_F(FighterAttack, RedShootsWhenWalkingRight) {
  red.right = true;
  red.Attack(match);
  ASSERT_EQ(match.Shots().size(), 1u);
  EXPECT_FLOAT_EQ(match.Shots().front().x, 239.999f);  // 300 - 60.001
  EXPECT_EQ(match.Shots().front().vx, -0.5f);
}

TEST_F(FighterAttack, WalkingTowardsOrStandingBitesATouchingOpponent) {
  for (const bool walkingTowards : {true, false}) {
    Match fresh(false);
    fresh.Update(10000, 3000);
    Fighter& biter = fresh.Blue();
    Fighter& bitten = fresh.Red();
    bitten.x = 190.0f;  // 90 apart: the circles overlap
    biter.right = walkingTowards;
    biter.Attack(fresh);
    EXPECT_TRUE(fresh.Shots().empty());
    EXPECT_EQ(bitten.health, 90.0f);
    ASSERT_EQ(fresh.DebrisList().size(), 6u);
    for (const Debris& spark : fresh.DebrisList()) {
      EXPECT_EQ(spark.x, 145.0f);  // halfway between the centres
      EXPECT_EQ(spark.y, 230.0f);
      EXPECT_EQ(spark.attribute, 192);  // the bitten fighter's colour
    }
  }
}

TEST_F(FighterAttack, ABiteReachesExactlyTwoRadiiAndTheFacingPlaysNoPart) {
  red.x = 200.0f;  // the circles just touch
  red.Attack(match);
  EXPECT_EQ(blue.health, 90.0f);
  red.attackHeld = false;
  red.Update(20000, 0);
  red.x = 200.001f;
  red.Attack(match);
  EXPECT_EQ(blue.health, 90.0f);
}

TEST_F(FighterAttack, HealthStaysWithinZeroAndOneHundred) {
  red.x = 190.0f;
  red.health = 5.0f;
  blue.Attack(match);
  EXPECT_EQ(red.health, 0.0f);
  EXPECT_TRUE(red.IsDead());
  blue.health = 80.0f;
  blue.AddHealth(50.0f);
  EXPECT_EQ(blue.health, 100.0f);
  blue.AddHealth(-100.5f);
  EXPECT_EQ(blue.health, 0.0f);
  blue.AddHealth(0.25f);
  EXPECT_EQ(blue.health, 0.25f);
  EXPECT_FALSE(blue.IsDead());
}

}  // namespace
}  // namespace torvelkan
