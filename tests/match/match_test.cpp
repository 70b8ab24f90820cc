// The fight: countdowns, keys, shots against the fighters, facing, the end of
// the fight with its explosions, and the drawing of the arena.
#include <gtest/gtest.h>

#include <string>

#include "common/keys.h"
#include "common/random.h"
#include "console/memory_device.h"
#include "match/match.h"

namespace torvelkan {
namespace {

// A match whose opening countdown is over, at tick 10000, with both fighters
// standing on the floor line at their start places.
class MatchTest : public ::testing::Test {
 protected:
  void SetUp() override { Start(match); }
  static void Start(Match& m) {
    m.Update(10000, 3000);
    ASSERT_TRUE(m.CountdownOver());
  }
  static void Kill(Fighter& fighter) { fighter.AddHealth(-100.0f); }
  std::string Row(int row) {
    screen.Clear();
    match.Render(screen);
    screen.Present();
    return device.RowText(row);
  }
  Match match{false};
  Fighter& blue = match.Blue();
  Fighter& red = match.Red();
  MemoryDevice device;
  ConsoleScreen screen{device};
};

TEST(MatchStart, FightersStandAtTheirPlacesLookingAtEachOther) {
  Match match(true);
  EXPECT_EQ(match.Message(), "Get Ready");
  EXPECT_EQ(match.CountdownMs(), 3000);
  EXPECT_EQ(match.EndState(), MatchEnd::kPlaying);
  EXPECT_TRUE(match.AiEnabled());
  EXPECT_EQ(match.Blue().x, 100.0f);
  EXPECT_EQ(match.Red().x, 300.0f);
  EXPECT_EQ(match.Blue().attribute, 144);
  EXPECT_EQ(match.Red().attribute, 192);
  EXPECT_EQ(match.Blue().facing, -1.0f);  // what the first update gives
  EXPECT_EQ(match.Red().facing, 1.0f);
  EXPECT_EQ(match.Blue().opponent, &match.Red());
  EXPECT_EQ(match.Red().opponent, &match.Blue());
}

TEST(MatchCountdown, KeysAreDroppedUntilItIsOverButEsc) {
  Match match(false);
  match.Update(10000, 2999);
  for (std::uint16_t key :
       {vk::kLeft, vk::kRight, vk::kUp, vk::kDown, vk::kA, vk::kD, vk::kW, vk::kS}) {
    match.OnKeyDown(key);
  }
  for (const Fighter* f : {&match.Blue(), &match.Red()}) {
    EXPECT_FALSE(f->left || f->right || f->jump || f->attackHeld);
  }
  match.Red().left = true;
  match.OnKeyUp(vk::kLeft);  // key-ups too
  EXPECT_TRUE(match.Red().left);
  match.Update(10001, 1);  // 0 left: over
  match.OnKeyUp(vk::kLeft);
  EXPECT_FALSE(match.Red().left);
  match.OnKeyDown(vk::kLeft);
  EXPECT_TRUE(match.Red().left);

  Match leaving(false);
  leaving.OnKeyDown(vk::kEscape);
  EXPECT_EQ(leaving.EndState(), MatchEnd::kLeft);  // before any update, and without the countdown
}

TEST_F(MatchTest, ArrowKeysSteerRedAndWASDSteersBlue) {
  struct Case {
    std::uint16_t key;
    Fighter* fighter;
    bool Fighter::*flag;
  };
  const Case cases[] = {
      {vk::kLeft, &red, &Fighter::left}, {vk::kRight, &red, &Fighter::right},
      {vk::kUp, &red, &Fighter::jump},   {vk::kDown, &red, &Fighter::attackHeld},
      {vk::kA, &blue, &Fighter::left},   {vk::kD, &blue, &Fighter::right},
      {vk::kW, &blue, &Fighter::jump},   {vk::kS, &blue, &Fighter::attackHeld},
  };
  for (const Case& c : cases) {
    match.OnKeyDown(c.key);
    EXPECT_TRUE(c.fighter->*c.flag) << c.key;
    match.OnKeyUp(c.key);
    EXPECT_FALSE(c.fighter->*c.flag) << c.key;
  }
  match.OnKeyDown(vk::kEnter);
  match.OnKeyUp(vk::kEscape);
  EXPECT_EQ(match.EndState(), MatchEnd::kPlaying);
}

TEST_F(MatchTest, ShotsLeavingTheArenaAreRemovedBeforeAnyHitTest) {
  match.FireShot(0.5f, 100.0f, 1.0f, 144);     // reaches exactly 0: stays
  match.FireShot(399.5f, 100.0f, -1.0f, 144);  // reaches exactly 400: goes
  match.Update(10002, 2);
  ASSERT_EQ(match.Shots().size(), 1u);
  EXPECT_EQ(match.Shots().front().x, 0.0f);
  match.Update(10004, 2);
  EXPECT_TRUE(match.Shots().empty());

  // Just outside after its move yet still touching blue: no hit.
  blue.x = 50.0f;
  match.FireShot(0.25f, 230.0f, 1.0f, 192);
  match.Update(10006, 2);
  EXPECT_TRUE(match.Shots().empty());
  EXPECT_EQ(blue.health, 100.0f);
}

TEST_F(MatchTest, AShotTouchingBothFightersHitsBlueOnly) {
  blue.x = 150.0f;
  red.x = 250.0f;
  match.FireShot(200.5f, 230.0f, 1.0f, 192);  // at 200 after its move: 50 from each
  match.Update(10002, 2);
  EXPECT_TRUE(match.Shots().empty());
  EXPECT_EQ(blue.health, 95.0f);
  EXPECT_EQ(red.health, 100.0f);
  ASSERT_EQ(match.DebrisList().size(), 3u);
  for (const Debris& spark : match.DebrisList()) {
    EXPECT_EQ(spark.attribute, 144);
    EXPECT_EQ(spark.x, 200.0f);  // sparks first move in the next frame
    EXPECT_EQ(spark.bornTick, 0u);
  }
}

TEST_F(MatchTest, AShotHitsAtExactlyRadiusPlusEight) {
  match.FireShot(158.5f, 230.0f, 1.0f, 192);   // 158 after its move: 58 from blue
  match.FireShot(241.0f, 230.0f, -1.0f, 144);  // 241.5: more than 58 from red
  match.Update(10002, 2);
  EXPECT_EQ(blue.health, 95.0f);
  EXPECT_EQ(red.health, 100.0f);
  ASSERT_EQ(match.Shots().size(), 1u);
  EXPECT_EQ(match.Shots().front().x, 241.5f);
  match.Update(10004, 2);  // 242: exactly 58 from red
  EXPECT_EQ(red.health, 95.0f);
  EXPECT_TRUE(match.Shots().empty());
}

TEST_F(MatchTest, AShotHitsItsOwnShooter) {
  blue.left = true;  // walking away: a shot at 160.001 flying towards larger x
  blue.Attack(match);
  blue.left = false;
  blue.right = true;  // then running after it, 25 units a frame
  match.Update(10100, 100);
  EXPECT_EQ(match.Shots().size(), 1u);  // tested against blue before it moved
  match.Update(10200, 100);
  EXPECT_TRUE(match.Shots().empty());
  EXPECT_EQ(blue.health, 95.0f);
  EXPECT_EQ(red.health, 100.0f);
}

TEST_F(MatchTest, FacingIsJudgedFromThePlacesBeforeEitherFighterMoves) {
  blue.x = 199.0f;
  red.x = 200.0f;
  red.left = true;
  match.Update(10100, 100);  // red walks to 175, past blue
  EXPECT_EQ(red.x, 175.0f);
  EXPECT_EQ(blue.facing, -1.0f);
  EXPECT_EQ(red.facing, 1.0f);
  red.left = false;
  match.Update(10102, 2);  // now they have crossed: both turn
  EXPECT_EQ(blue.facing, 1.0f);
  EXPECT_EQ(red.facing, -1.0f);
}

TEST_F(MatchTest, EqualPlacesTurnBlueToPlusOneAndRedToMinusOne) {
  blue.x = 200.0f;
  red.x = 200.0f;
  match.Update(10002, 2);
  EXPECT_EQ(blue.facing, 1.0f);
  EXPECT_EQ(red.facing, -1.0f);
}

TEST_F(MatchTest, ADeadBlueGivesRedTheWinAndBurstsIntoItsSquare) {
  blue.jump = true;  // leaves blue on the line in this update
  red.left = true;
  red.attackHeld = true;
  Kill(blue);
  match.Update(10002, 2);
  EXPECT_EQ(match.Message(), "Player red wins!");
  EXPECT_EQ(match.CountdownMs(), 3000);
  EXPECT_EQ(match.EndState(), MatchEnd::kPlaying);
  ASSERT_EQ(match.DebrisList().size(), 300u);
  for (const Debris& particle : match.DebrisList()) {
    EXPECT_EQ(particle.attribute, 144);
    // The square of side 100 around blue's centre (100, 230), not the disc.
    EXPECT_GE(particle.x, 50.0f);
    EXPECT_LE(particle.x, 150.0f);
    EXPECT_GE(particle.y, 180.0f);
    EXPECT_LE(particle.y, 280.0f);
  }
  for (const Fighter* f : {&blue, &red}) {
    EXPECT_FALSE(f->left || f->right || f->jump || f->attackHeld);
  }
}

TEST_F(MatchTest, BothDeadInOneUpdateBothWinAndBlueBurstsFirst) {
  Kill(blue);
  Kill(red);
  match.Update(10002, 2);
  EXPECT_EQ(match.Message(), "Both players win!");
  ASSERT_EQ(match.DebrisList().size(), 600u);
  for (std::size_t i = 0; i < 600; ++i) {
    const Debris& particle = match.DebrisList()[i];
    EXPECT_EQ(particle.attribute, i < 300 ? 144 : 192) << i;
    EXPECT_EQ(particle.x <= 150.0f, i < 300) << i;
  }
}

TEST_F(MatchTest, ADeadFighterStillFallsAndShotsStillHitIt) {
  blue.y = 100.0f;  // high above the floor, at rest
  Kill(blue);
  match.Update(10002, 2);
  ASSERT_EQ(match.Message(), "Player red wins!");
  match.FireShot(240.0f, 230.0f, 1.0f, 192);  // along the floor towards blue, 60 from red
  for (std::uint32_t now = 10004; now < 10604; now += 2) {
    match.Update(now, 2);
  }
  EXPECT_EQ(blue.y, 230.0f);           // it fell back onto the floor
  EXPECT_TRUE(match.Shots().empty());  // and the shot, 140 units on, has hit it
}

TEST_F(MatchTest, AnExplosionDrawsTheHeightBeforeTheWidth) {
  Kill(red);
  srand(99);
  const float u1 = RandomUnit();
  const float u2 = RandomUnit();
  srand(99);
  match.Update(10002, 2);
  const Debris& first = match.DebrisList().front();
  EXPECT_FLOAT_EQ(first.x, 250.0f + 100.0f * u2);
  EXPECT_FLOAT_EQ(first.y, 180.0f + 100.0f * u1);
}

TEST_F(MatchTest, ADeathDuringTheClosingCountdownChangesNothing) {
  Kill(red);
  match.Update(10002, 2);
  ASSERT_EQ(match.Message(), "Player blue wins!");
  match.FireShot(158.5f, 230.0f, 1.0f, 192);
  blue.health = 5.0f;
  match.Update(10004, 2);
  EXPECT_TRUE(blue.IsDead());  // shots still hit in the closing countdown
  EXPECT_EQ(match.Message(), "Player blue wins!");
  EXPECT_EQ(match.CountdownMs(), 2998);
  for (const Debris& particle : match.DebrisList()) {
    EXPECT_EQ(particle.attribute, particle.bornTick == 0 ? 144 : 192);  // 3 sparks, no burst
  }
  EXPECT_EQ(match.DebrisList().size(), 303u);
}

TEST_F(MatchTest, KeysInTheClosingCountdownAreDroppedButEscLeaves) {
  Kill(red);
  match.Update(10002, 2);
  match.OnKeyDown(vk::kLeft);
  match.OnKeyDown(vk::kS);
  EXPECT_FALSE(red.left);
  EXPECT_FALSE(blue.attackHeld);
  match.OnKeyDown(vk::kEscape);
  match.Update(10004, 2);
  EXPECT_EQ(match.EndState(), MatchEnd::kLeft);
}

TEST_F(MatchTest, EndStateIsPlayingUntilTheClosingCountdownIsOverThenFinished) {
  Kill(blue);
  match.Update(10002, 2);
  match.Update(12000, 1998);
  match.Update(13001, 1001);  // 1 ms left
  EXPECT_EQ(match.CountdownMs(), 1);
  EXPECT_EQ(match.EndState(), MatchEnd::kPlaying);
  match.Update(13003, 2);  // below zero counts as over
  EXPECT_EQ(match.CountdownMs(), -1);
  EXPECT_EQ(match.EndState(), MatchEnd::kFinished);
}

TEST_F(MatchTest, EscInTheFrameOfADeathSkipsTheEndOfTheFight) {
  Kill(blue);
  match.OnKeyDown(vk::kEscape);
  match.Update(10002, 2);
  EXPECT_EQ(match.EndState(), MatchEnd::kLeft);
  EXPECT_EQ(match.Message(), "Get Ready");
  EXPECT_TRUE(match.DebrisList().empty());
}

TEST_F(MatchTest, ParticlesAreRemovedAfterSixSecondsOrOutsideTheArena) {
  match.SpawnDebris(200.0f, 100.0f, 144);
  match.SpawnDebris(-5.0f, 100.0f, 144);  // gone at its first removal test
  match.Update(10002, 2);
  ASSERT_EQ(match.DebrisList().size(), 1u);
  EXPECT_EQ(match.DebrisList().front().bornTick, 10002u);
  match.Update(16002, 6000);
  EXPECT_EQ(match.DebrisList().size(), 1u);
  match.Update(16003, 1);
  EXPECT_TRUE(match.DebrisList().empty());
}

TEST(MatchDrawing, ANewMatchShowsTheArenaGetReadyAndZeroCounters) {
  MemoryDevice device;
  ConsoleScreen screen(device);
  Match match(true);
  match.Render(screen);
  screen.Present();
  for (int row = 0; row < kRows; ++row) {
    for (int column = 0; column < kColumns; column += 5) {
      const bool grid = row >= 3 && row <= 42;
      const Cell& cell = screen.At(column, row);
      if (grid && CellAttribute(cell) == 8) {
        EXPECT_EQ(CellChar(cell), '|');
      }
      if (!grid) {
        EXPECT_NE(CellChar(cell), '|') << column << "," << row;
      }
    }
  }
  EXPECT_EQ(CellChar(screen.At(0, 3)), '|');
  EXPECT_EQ(CellChar(screen.At(75, 42)), '|');
  EXPECT_EQ(CellChar(screen.At(1, 3)), 0);
  EXPECT_EQ(device.RowText(5).substr(36, 9), "Get Ready");
  EXPECT_EQ(CellAttribute(screen.At(36, 5)), 15);
  const std::string top = device.RowText(0);
  EXPECT_EQ(top.substr(75, 5), "0 AI ");
  EXPECT_EQ(CellAttribute(screen.At(75, 0)), 7);
  EXPECT_EQ(top.substr(22, 3), " 0 ");
  EXPECT_EQ(CellAttribute(screen.At(23, 0)), 8);
  EXPECT_EQ(top.substr(55, 3), " 0 ");
  EXPECT_EQ(CellAttribute(screen.At(56, 0)), 8);
  // The fighters where their constructor put them, over the grid.
  EXPECT_EQ(CellAttribute(screen.At(20, 41)), 0x90);  // y 250: the centre's cell is row 41
  EXPECT_EQ(CellAttribute(screen.At(24, 37)), 0x10);  // and the eye four rows up
  EXPECT_EQ(CellAttribute(screen.At(60, 41)), 0xC0);
  EXPECT_EQ(device.RowText(1).substr(37, 6), "100100");
}

TEST_F(MatchTest, TheMessageFadesOneStepASecond) {
  struct Case {
    std::uint32_t elapsed;  // of the countdown, so far
    int attribute;          // 0: not drawn
  };
  const Case cases[] = {{0, 15}, {999, 15}, {1000, 7}, {1999, 7}, {2000, 8}, {2999, 8}, {3000, 0}};
  for (const Case& c : cases) {
    Match fresh(false);
    fresh.Update(20000, c.elapsed);
    screen.Clear();
    fresh.Render(screen);
    screen.Present();
    EXPECT_EQ(CellAttribute(screen.At(41, 5)), c.attribute) << c.elapsed;
    EXPECT_EQ(device.RowText(5).substr(36, 9) == "Get Ready", c.attribute != 0) << c.elapsed;
  }
}

TEST_F(MatchTest, TheCountersShowParticlesAndShotsAnywhere) {
  match.FireShot(200.0f, -500.0f, 1.0f, 144);  // far above the screen
  match.FireShot(200.0f, 900.0f, 1.0f, 144);
  for (int n = 0; n < 12; ++n) {
    match.SpawnDebris(200.0f, 100.0f, 144);
  }
  const std::string top = Row(0);
  EXPECT_EQ(top.substr(23, 3), "12 ");
  EXPECT_EQ(top.substr(55, 3), " 2 ");
}

TEST_F(MatchTest, AWinMessageIsCentredOnRow5) {
  Kill(red);
  match.Update(10002, 2);
  EXPECT_EQ(Row(5).substr(32, 17), "Player blue wins!");  // 17 long: from 40 - 8
  EXPECT_EQ(CellAttribute(screen.At(40, 5)), 15);
}

}  // namespace
}  // namespace torvelkan
