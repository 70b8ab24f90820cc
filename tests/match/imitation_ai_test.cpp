// The AI stores red's situations, decides at most every 200 ms, copies the
// nearest situation seen from the other side (plain or mirrored about x 150),
// and plays at random while it knows nothing and one time in 16.
#include <gtest/gtest.h>

#include "common/keys.h"
#include "common/random.h"
#include "console/memory_device.h"
#include "match/imitation_ai.h"
#include "match/match.h"

namespace torvelkan {
namespace {

Situation At(float blueX, float redX, bool left = false, bool right = false) {
  Situation s;
  s.blueX = blueX;
  s.blueY = 230.0f;
  s.redX = redX;
  s.redY = 230.0f;
  s.left = left;
  s.right = right;
  return s;
}

// The first seed from which the generator's first number gives the wanted
// answer to the 1-in-16 draw.
std::uint32_t SeedWhoseFirstDrawFollowsMemory(bool follow) {
  for (std::uint32_t seed = 1;; ++seed) {
    srand(seed);
    if ((rand() % 16 != 0) == follow) {
      return seed;
    }
  }
}

// A fight under way at tick 10000: blue at 100 and red at 300 on the floor.
// The tests drive their own ImitationAi against the match's fighters.
class ImitationAiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    match.Update(10000, 3000);
    ASSERT_TRUE(match.CountdownOver());
  }
  void Think(std::uint32_t now) { ai.Think(now, 16, blue, red, match); }
  Match match{false};
  Fighter& blue = match.Blue();
  Fighter& red = match.Red();
  ImitationAi ai;
};

TEST_F(ImitationAiTest, WithNothingKnownTheFirstDecisionIsRandomWithoutTheOneIn16Draw) {
  // Several seeds, so that each way of walking, attacking and jumping shows.
  for (std::uint32_t seed = 1; seed <= 12; ++seed) {
    Match fresh(false);
    fresh.Update(10000, 3000);
    Fighter& b = fresh.Blue();
    srand(seed);
    const int direction = rand();
    const int attack = rand();  // drawn because the fighters do not touch
    const int jump = rand();
    const std::uint32_t afterThree = RandomState();

    srand(seed);
    ImitationAi fresh_ai;
    fresh_ai.Think(10000, 16, b, fresh.Red(), fresh);
    EXPECT_EQ(RandomState(), afterThree) << seed;
    EXPECT_EQ(b.left, direction % 3 == 0) << seed;
    EXPECT_EQ(b.right, direction % 3 == 1) << seed;
    EXPECT_EQ(b.attackHeld, attack % 2 == 0) << seed;
    EXPECT_EQ(b.jump, jump % 2 == 0) << seed;
    // Walking left is walking away from red: that attack is a shot.
    EXPECT_EQ(fresh.Shots().size(), (attack % 2 == 0 && direction % 3 == 0) ? 1u : 0u) << seed;
  }
}

TEST_F(ImitationAiTest, DecidesOnlyWhenMoreThan200MsHavePassed) {
  Think(1000);
  EXPECT_EQ(ai.LastThinkTick(), 1000u);
  const std::uint32_t state = RandomState();
  Think(1200);
  EXPECT_EQ(RandomState(), state);  // nothing drawn, nothing decided
  EXPECT_EQ(ai.LastThinkTick(), 1000u);
  Think(1201);
  EXPECT_NE(RandomState(), state);
  EXPECT_EQ(ai.LastThinkTick(), 1201u);
}

TEST_F(ImitationAiTest, KeepsTheNewest1000Situations) {
  for (int n = 0; n <= 1000; ++n) {
    ai.Remember(At(static_cast<float>(n), 0.0f));
  }
  ASSERT_EQ(ai.MemorySize(), 1000u);
  EXPECT_EQ(ai.Memory().front().blueX, 1.0f);  // the first one is gone
  EXPECT_EQ(ai.Memory().back().blueX, 1000.0f);
}

TEST_F(ImitationAiTest, TheWorkedDistances) {
  red.x = 250.0f;
  const Situation s = At(50.0f, 200.0f, true, false);
  EXPECT_EQ(SituationDistance(s, false, blue, red), 300.0f);  // 200 + 100
  EXPECT_EQ(SituationDistance(s, true, blue, red), 0.0f);     // 300 - 250 = 50, 300 - 100 = 200

  red.x = 300.0f;
  const Situation same = At(100.0f, 300.0f);
  EXPECT_EQ(SituationDistance(same, false, blue, red), 400.0f);
  EXPECT_EQ(SituationDistance(same, true, blue, red), 200.0f);  // mirrored about 150, not 200
  EXPECT_EQ(MirrorX(150.0f, true), 150.0f);
  EXPECT_EQ(MirrorX(37.5f, false), 37.5f);
}

TEST_F(ImitationAiTest, AMirroredMatchSwapsTheWalkingKeys) {
  red.x = 250.0f;
  ai.Remember(At(50.0f, 200.0f, true, false));  // red was walking left
  srand(SeedWhoseFirstDrawFollowsMemory(true));
  Think(10000);
  EXPECT_TRUE(blue.right);
  EXPECT_FALSE(blue.left);
}

TEST_F(ImitationAiTest, TiesGoToTheNewerAndToTheMirroredCandidate) {
  red.x = 250.0f;
  // Both at plain distance 0 (red now where blue was, blue where red was).
  ai.Remember(At(250.0f, 100.0f, true, false));
  ai.Remember(At(250.0f, 100.0f, false, true));
  srand(SeedWhoseFirstDrawFollowsMemory(true));
  Think(10000);
  EXPECT_TRUE(blue.right);  // the newer one, plain
  EXPECT_FALSE(blue.left);

  // Places symmetric about 150 look the same plainly and mirrored.
  ImitationAi symmetric;
  red.x = 200.0f;
  const Situation s = At(150.0f, 150.0f, true, false);
  ASSERT_EQ(SituationDistance(s, false, blue, red), SituationDistance(s, true, blue, red));
  symmetric.Remember(s);
  srand(SeedWhoseFirstDrawFollowsMemory(true));
  symmetric.Think(10000, 16, blue, red, match);
  EXPECT_TRUE(blue.right);  // mirrored: red's left becomes blue's right
  EXPECT_FALSE(blue.left);

  // Two equal candidates that only the mirrored pass finds: the newer wins.
  ImitationAi mirroredPair;
  red.x = 300.0f;
  mirroredPair.Remember(At(0.0f, 200.0f, true, false));
  mirroredPair.Remember(At(0.0f, 200.0f, false, true));
  srand(SeedWhoseFirstDrawFollowsMemory(true));
  mirroredPair.Think(10000, 16, blue, red, match);
  EXPECT_TRUE(blue.left);  // the newer one's right, mirrored
  EXPECT_FALSE(blue.right);
}

TEST_F(ImitationAiTest, FollowingMemoryCopiesTheJumpAndTheAttack) {
  red.x = 250.0f;
  Situation s = At(250.0f, 100.0f);  // plain distance 0
  s.jump = true;
  s.attackHeld = true;
  ai.Remember(s);
  srand(SeedWhoseFirstDrawFollowsMemory(true));
  Think(10000);
  EXPECT_TRUE(blue.jump);
  EXPECT_TRUE(blue.attackHeld);
  EXPECT_EQ(blue.lastAttackTick, 10000u);  // it attacked (and missed: not touching)

  Situation calm = At(250.0f, 100.0f);
  ai.Remember(calm);  // newer and as near: chosen next
  srand(SeedWhoseFirstDrawFollowsMemory(true));
  Think(10201);
  EXPECT_FALSE(blue.jump);
  EXPECT_FALSE(blue.attackHeld);
}

TEST_F(ImitationAiTest, OneDecisionIn16IgnoresTheMemory) {
  red.x = 250.0f;
  ai.Remember(At(250.0f, 100.0f, false, true));
  const std::uint32_t seed = SeedWhoseFirstDrawFollowsMemory(false);
  srand(seed);
  rand();  // the 1-in-16 draw
  const int direction = rand();
  const int attack = rand();
  const int jump = rand();
  const std::uint32_t afterFour = RandomState();
  srand(seed);
  Think(10000);
  EXPECT_EQ(RandomState(), afterFour);
  EXPECT_EQ(blue.left, direction % 3 == 0);
  EXPECT_EQ(blue.right, direction % 3 == 1);
  EXPECT_EQ(blue.attackHeld, attack % 2 == 0);
  EXPECT_EQ(blue.jump, jump % 2 == 0);
}

TEST_F(ImitationAiTest, WhileTouchingTheLatchTogglesWhateverTheMemorySays) {
  red.x = 190.0f;
  ai.Remember(At(190.0f, 100.0f));  // attackHeld clear
  srand(7);                         // either branch toggles alike
  const bool expected[] = {true, false, true, false, true};
  std::uint32_t now = 10000;
  for (const bool held : expected) {
    Think(now);
    EXPECT_EQ(blue.attackHeld, held) << now;
    now += 201;
  }
  EXPECT_LT(red.health, 100.0f);  // the first decision bit
}

TEST_F(ImitationAiTest, AHeldLatchMakesAWantedAttackDoNothing) {
  red.x = 250.0f;
  Situation s = At(250.0f, 100.0f, true, false);  // walking away: would be a shot
  s.attackHeld = true;
  ai.Remember(s);
  blue.attackHeld = true;
  blue.lastAttackTick = 5000;
  srand(SeedWhoseFirstDrawFollowsMemory(true));
  Think(10000);
  EXPECT_TRUE(blue.attackHeld);
  EXPECT_EQ(blue.lastAttackTick, 5000u);
  EXPECT_TRUE(match.Shots().empty());
  EXPECT_TRUE(match.DebrisList().empty());
}

// The match's side of the AI.
class MatchWithAi : public ::testing::Test {
 protected:
  static void Start(Match& m) {
    m.Update(10000, 3000);
    ASSERT_TRUE(m.CountdownOver());
  }
};

TEST_F(MatchWithAi, EveryRedArrowEventIsStoredAfterItsEffect) {
  for (const bool aiOn : {true, false}) {
    Match match(aiOn);
    match.OnKeyDown(vk::kLeft);  // in "Get Ready": dropped, not stored
    EXPECT_EQ(match.Ai().MemorySize(), 0u);
    match.Update(10000, 3000);
    match.SetAiEnabled(false);  // keep blue still for the count
    match.OnKeyDown(vk::kLeft);
    match.OnKeyDown(vk::kLeft);  // repeats are stored too
    match.OnKeyUp(vk::kLeft);
    match.OnKeyDown(vk::kDown);
    match.OnKeyDown(vk::kA);
    match.OnKeyUp(vk::kS);
    match.OnKeyDown(vk::kEnter);
    const auto& memory = match.Ai().Memory();
    ASSERT_EQ(memory.size(), 4u) << aiOn;
    EXPECT_TRUE(memory[0].left);
    EXPECT_FALSE(memory[2].left);
    EXPECT_TRUE(memory[3].attackHeld);  // stored after the attack set the latch
    EXPECT_EQ(memory[3].blueX, 100.0f);
    EXPECT_EQ(memory[3].redX, 300.0f);
    EXPECT_EQ(memory[3].redY, 230.0f);
  }
}

TEST_F(MatchWithAi, TheCounterShows1000After1001Events) {
  Match match(false);
  Start(match);
  match.OnKeyDown(vk::kRight);  // the only situation with right set
  for (int n = 0; n < 1000; ++n) {
    match.OnKeyUp(vk::kRight);
  }
  ASSERT_EQ(match.Ai().MemorySize(), 1000u);
  for (const Situation& s : match.Ai().Memory()) {
    EXPECT_FALSE(s.right);
  }
  MemoryDevice device;
  ConsoleScreen screen(device);
  match.Render(screen);
  screen.Present();
  EXPECT_EQ(device.RowText(0).substr(72, 7), "1000 AI");
}

TEST_F(MatchWithAi, WithTheAiOnWasdKeyDownsAreIgnoredButKeyUpsClear) {
  Match match(true);
  Start(match);
  Fighter& blue = match.Blue();
  blue.left = blue.right = blue.jump = blue.attackHeld = false;
  for (std::uint16_t key : {vk::kA, vk::kD, vk::kW, vk::kS}) {
    match.OnKeyDown(key);
  }
  EXPECT_FALSE(blue.left || blue.right || blue.jump || blue.attackHeld);
  blue.left = blue.right = blue.jump = blue.attackHeld = true;  // as the AI may leave them
  for (std::uint16_t key : {vk::kA, vk::kD, vk::kW, vk::kS}) {
    match.OnKeyUp(key);
  }
  EXPECT_FALSE(blue.left || blue.right || blue.jump || blue.attackHeld);
}

TEST_F(MatchWithAi, ThinksOnlyWhenOnAndInTheFight) {
  Match waiting(true);
  const std::uint32_t before = RandomState();
  waiting.Update(10000, 2000);  // in "Get Ready"
  EXPECT_EQ(RandomState(), before);
  waiting.Update(11000, 1000);  // the countdown is over in this update: it thinks
  EXPECT_NE(RandomState(), before);

  Match off(false);
  Start(off);
  const std::uint32_t still = RandomState();
  off.Update(20000, 16);
  EXPECT_EQ(RandomState(), still);
  off.SetAiEnabled(true);  // at once
  off.Update(20016, 16);
  EXPECT_NE(RandomState(), still);
}

TEST_F(MatchWithAi, NeverOnTheFrameThatEndsTheFight) {
  Match match(true);
  match.Update(10000, 2999);
  match.Red().AddHealth(-100.0f);
  match.Update(10001, 1);  // the countdown ends and the fight ends in one update
  EXPECT_EQ(match.Message(), "Player blue wins!");
  EXPECT_EQ(match.Ai().LastThinkTick(), 0u);
  match.Update(10500, 499);
  EXPECT_EQ(match.Ai().LastThinkTick(), 0u);  // nor in the closing countdown
}

}  // namespace
}  // namespace torvelkan
