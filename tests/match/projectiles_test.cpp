// Shots fly a fixed step per update and are removed outside 0 <= x < 400;
// debris fall, bounce on their own floors, darken and go, each drawing its
// floor, vx and vy from the generator in that order.
#include <gtest/gtest.h>

#include <string>

#include "common/random.h"
#include "console/memory_device.h"
#include "match/debris.h"
#include "match/match.h"
#include "match/shot.h"

namespace torvelkan {
namespace {

constexpr float kUnit = 1.0f / 32767.0f;

TEST(Shots, FlyHalfAUnitPerUpdateWhateverTheTime) {
  Shot left = Shot::Fired(5.0f, 100.0f, 1.0f, 144);
  left.Update(1000, 500);
  EXPECT_EQ(left.x, 4.5f);
  EXPECT_EQ(left.y, 100.0f);
  Shot right = Shot::Fired(5.0f, 100.0f, -1.0f, 192);
  right.Update(1000, 0);
  right.Update(1000, 0);
  EXPECT_EQ(right.x, 6.0f);
  EXPECT_EQ(right.vy, 0.0f);
}

TEST(Shots, AreOutsideLeftOfZeroAndFromFourHundred) {
  struct Case {
    float x;
    bool outside;
  };
  const Case cases[] = {{0.0f, false}, {-0.001f, true}, {399.99f, false}, {400.0f, true}};
  for (const Case& c : cases) {
    EXPECT_EQ(Shot::Fired(c.x, 100.0f, 1.0f, 144).IsOutside(), c.outside) << c.x;
  }
  EXPECT_FALSE(Shot::Fired(200.0f, -1000.0f, 1.0f, 144).IsOutside());  // y is not tested
}

TEST(Shots, AreABrightPlusWithADarkRim) {
  MemoryDevice device;
  ConsoleScreen screen(device);
  Shot::Fired(200.0f, 150.0f, 1.0f, 144).Render(screen);  // column 40, row 25
  auto line = [&](int row) {
    std::string text;
    for (int column = 37; column <= 43; ++column) {
      const std::uint16_t a = CellAttribute(screen.At(column, row));
      text.push_back(a == 160 ? 'B' : a == 32 ? 'd' : a == 0 ? '.' : '?');
    }
    return text;
  };
  EXPECT_EQ(line(23), ".......");
  EXPECT_EQ(line(24), "..dBd..");
  EXPECT_EQ(line(25), ".dBBBd.");
  EXPECT_EQ(line(26), "..dBd..");
  EXPECT_EQ(line(27), ".......");

  screen.Clear();
  Shot::Fired(-3.0f, -5.0f, 1.0f, 144).Render(screen);  // truncation toward zero: cell (0, 0)
  EXPECT_EQ(CellAttribute(screen.At(0, 0)), 160);
  EXPECT_EQ(CellAttribute(screen.At(1, 0)), 160);
  EXPECT_EQ(CellAttribute(screen.At(2, 0)), 32);
  EXPECT_EQ(CellAttribute(screen.At(0, 1)), 160);
}

Debris Particle(float x, float y, float vx, float vy) {
  Debris particle;
  particle.x = x;
  particle.y = y;
  particle.vx = vx;
  particle.vy = vy;
  particle.groundY = 300.0f;
  particle.attribute = 144;
  return particle;
}

TEST(DebrisMotion, GravityFirstThenTheMove) {
  Debris particle = Particle(100.0f, 100.0f, 0.25f, 0.0f);
  particle.Update(1000, 999);
  EXPECT_EQ(particle.x, 100.25f);
  EXPECT_FLOAT_EQ(particle.vy, 0.0015f);
  EXPECT_FLOAT_EQ(particle.y, 100.0015f);  // moved by the new speed
}

TEST(DebrisMotion, ThrownUpAtThreeQuartersItPeaksAfter499Updates) {
  // 0.75 / 0.0015 = 500 updates to stop rising; the 500th moves by nothing.
  Debris particle = Particle(200.0f, 250.0f, 0.0f, -0.75f);
  float highest = particle.y;
  int highestAt = 0;
  for (int n = 1; n <= 600; ++n) {
    particle.Update(1000, 2);
    if (particle.y < highest) {
      highest = particle.y;
      highestAt = n;
    }
  }
  EXPECT_EQ(highestAt, 499);
  EXPECT_NEAR(250.0f - highest, 187.1f, 0.1f);
}

TEST(DebrisMotion, BouncesOnlyWhenStrictlyBelowItsFloor) {
  Debris onFloor = Particle(100.0f, 279.5f, 0.2f, 0.25f);
  const float vyAfter = onFloor.vy + 0.0015f;
  onFloor.groundY = onFloor.y + vyAfter;  // this update ends exactly on it
  onFloor.Update(1000, 2);
  EXPECT_EQ(onFloor.y, onFloor.groundY);
  EXPECT_EQ(onFloor.vx, 0.2f);
  EXPECT_EQ(onFloor.vy, vyAfter);

  Debris below = Particle(100.0f, 279.5f, 0.2f, 0.25f);
  below.groundY = 279.6f;
  below.Update(1000, 2);
  EXPECT_EQ(below.y, 279.6f);
  EXPECT_EQ(below.vx, 0.1f);
  EXPECT_FLOAT_EQ(below.vy, -0.5f * vyAfter);
}

TEST(DebrisAge, DarkensAfter3000MsAndGoesAfter6000MsFromItsFirstUpdate) {
  Debris blue = Particle(100.0f, 100.0f, 0.0f, 0.0f);
  Debris red = Particle(100.0f, 100.0f, 0.0f, 0.0f);
  red.attribute = 192;
  blue.Update(5000, 16);
  red.Update(5000, 16);
  EXPECT_EQ(blue.bornTick, 5000u);
  blue.Update(8000, 16);
  EXPECT_EQ(blue.attribute, 144);
  blue.Update(8001, 16);
  red.Update(8001, 16);
  EXPECT_EQ(blue.attribute, 16);  // bright blue to dark blue
  EXPECT_EQ(red.attribute, 64);   // bright red to dark red
  blue.Update(9000, 16);
  EXPECT_EQ(blue.attribute, 16);
  EXPECT_FALSE(blue.IsExpired(11000));
  EXPECT_TRUE(blue.IsExpired(11001));
}

TEST(DebrisAge, AFirstUpdateAtTickZeroLeavesItUnborn) {
  Debris particle = Particle(100.0f, 100.0f, 0.0f, 0.0f);
  particle.Update(0, 16);
  EXPECT_EQ(particle.bornTick, 0u);
  particle.Update(40, 16);
  EXPECT_EQ(particle.bornTick, 40u);
}

TEST(DebrisAge, IsExpiredOutsideZeroToFourHundredWhateverTheHeight) {
  EXPECT_FALSE(Particle(0.0f, 100.0f, 0, 0).IsExpired(0));
  EXPECT_TRUE(Particle(-0.001f, 100.0f, 0, 0).IsExpired(0));
  EXPECT_TRUE(Particle(400.0f, 100.0f, 0, 0).IsExpired(0));
  EXPECT_FALSE(Particle(399.99f, -5000.0f, 0, 0).IsExpired(0));
}

TEST(DebrisDrawing, OneBlankCellOfItsColourRowZeroJustAboveTheTop) {
  MemoryDevice device;
  ConsoleScreen screen(device);
  Particle(12.0f, 13.0f, 0, 0).Render(screen);  // column 2, row 2
  EXPECT_EQ(CellAttribute(screen.At(2, 2)), 144);
  EXPECT_EQ(CellChar(screen.At(2, 2)), ' ');
  Particle(100.0f, -5.9f, 0, 0).Render(screen);
  EXPECT_EQ(CellAttribute(screen.At(20, 0)), 144);
  Particle(200.0f, -6.5f, 0, 0).Render(screen);  // row -1: clipped
  EXPECT_EQ(CellAttribute(screen.At(40, 0)), 0);
}

TEST(DebrisSpawn, DrawsTheFloorThenVxThenVy) {
  srand(20240601);
  const float floorDraw = static_cast<float>(rand());
  const float vxDraw = static_cast<float>(rand());
  const float vyDraw = static_cast<float>(rand());
  const std::uint32_t after = RandomState();

  srand(20240601);
  Match match(false);
  match.SpawnDebris(120.0f, 80.0f, 192);
  EXPECT_EQ(RandomState(), after);  // exactly three numbers
  ASSERT_EQ(match.DebrisList().size(), 1u);
  const Debris& particle = match.DebrisList().back();
  EXPECT_NEAR(particle.groundY, 300.0f - floorDraw * 40.0f / 32767.0f, 1e-4f);
  EXPECT_NEAR(particle.vx, vxDraw * kUnit - 0.5f, 1e-6f);
  EXPECT_NEAR(particle.vy, vyDraw * kUnit - 0.75f, 1e-6f);
  EXPECT_EQ(particle.x, 120.0f);
  EXPECT_EQ(particle.y, 80.0f);
  EXPECT_EQ(particle.attribute, 192);
  EXPECT_EQ(particle.bornTick, 0u);
}

}  // namespace
}  // namespace torvelkan
