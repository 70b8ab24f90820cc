// Releases guessed from presses and auto-repeats alone, both ways.
#include "console/terminal/release_guesser.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace torvelkan {
namespace {

using Events = std::vector<GuessedKeyEvent>;
const GuessedKeyEvent kDownA{'A', true};
const GuessedKeyEvent kUpA{'A', false};

TEST(ReleaseGuesserSmooth, ATapIsLetGoAt700Ms) {
  ReleaseGuesser guesser(GuessStyle::kSmoothHolds);
  Events out;
  guesser.Press('A', 1000, out);
  EXPECT_EQ(out, (Events{kDownA}));
  out.clear();
  guesser.Expire(1699, out);
  EXPECT_TRUE(out.empty());
  guesser.Expire(1700, out);
  EXPECT_EQ(out, (Events{kUpA}));
  EXPECT_FALSE(guesser.AnyHeld());
}

TEST(ReleaseGuesserSmooth, RepeatsAreKeyDownsAndTheKeyStaysDownBetweenThem) {
  ReleaseGuesser guesser(GuessStyle::kSmoothHolds);
  Events out;
  guesser.Press('A', 0, out);
  guesser.Press('A', 500, out);  // first repeat after the keyboard's delay
  for (std::uint32_t t = 533; t <= 2000; t += 33) {
    guesser.Press('A', t, out);
  }
  for (const GuessedKeyEvent& event : out) {
    EXPECT_TRUE(event.down) << "no release between repeats";
  }
  out.clear();
  const std::uint32_t last = 533 + 33 * ((2000 - 533) / 33);
  guesser.Expire(last + ReleaseGuesser::kRepeatHoldMs - 1, out);
  EXPECT_TRUE(out.empty());
  guesser.Expire(last + ReleaseGuesser::kRepeatHoldMs, out);
  EXPECT_EQ(out, (Events{kUpA}));
}

TEST(ReleaseGuesserSmooth, TheKeyboardsDelayIsLearntToLetTapsGoSooner) {
  ReleaseGuesser guesser(GuessStyle::kSmoothHolds);
  Events out;
  EXPECT_EQ(guesser.TapHoldMs(), 700u);
  guesser.Press('A', 0, out);
  guesser.Press('A', 300, out);  // this keyboard repeats after 300 ms
  guesser.Expire(1000, out);
  EXPECT_EQ(guesser.TapHoldMs(), 300u + ReleaseGuesser::kDelayMarginMs);
  out.clear();
  guesser.Press('D', 2000, out);
  guesser.Expire(2000 + 300 + ReleaseGuesser::kDelayMarginMs, out);
  EXPECT_EQ(out, (Events{{'D', true}, {'D', false}}));
  // A quick double tap teaches nothing.
  ReleaseGuesser other(GuessStyle::kSmoothHolds);
  other.Press('A', 0, out);
  other.Press('A', 60, out);
  EXPECT_EQ(other.TapHoldMs(), 700u);
}

TEST(ReleaseGuesser, KeysAreHeldEachOnItsOwnAndAllLetGoAtOnce) {
  ReleaseGuesser guesser(GuessStyle::kSmoothHolds);
  Events out;
  guesser.Press('A', 0, out);
  guesser.Press('D', 100, out);
  out.clear();
  guesser.Expire(700, out);
  EXPECT_EQ(out, (Events{kUpA}));
  out.clear();
  guesser.ReleaseAll(out);
  EXPECT_EQ(out, (Events{{'D', false}}));
  EXPECT_FALSE(guesser.AnyHeld());
}

TEST(ReleaseGuesser, SurvivesTheTickCounterWrapping) {
  ReleaseGuesser guesser(GuessStyle::kSmoothHolds);
  Events out;
  guesser.Press('A', 0xFFFFFF00u, out);
  out.clear();
  guesser.Expire(0x00000010u, out);  // 272 ms later
  EXPECT_TRUE(out.empty());
  guesser.Expire(0xFFFFFF00u + 700u, out);
  EXPECT_EQ(out, (Events{kUpA}));
}

// A keyboard that auto-repeats after `delay` every `interval` ms, held by a
// player from 0 to `holdMs`, on a clock ticking by the millisecond: when the
// guess has the key down, and when it lets it go for the last time.
struct Keyboard {
  std::uint32_t delay;
  std::uint32_t interval;
};
struct Guessed {
  std::uint32_t downMs = 0;    // total time the key was down
  std::uint32_t lastUpAt = 0;  // the final release
  int ups = 0;                 // releases in all
};
Guessed Hold(ReleaseGuesser& guesser, Keyboard keyboard, std::uint32_t start,
             std::uint32_t holdMs) {
  Guessed result;
  bool down = false;
  Events out;
  for (std::uint32_t t = 0; t < holdMs + 2000; ++t) {
    out.clear();
    const bool sends = t == 0 || (t >= keyboard.delay && t < holdMs &&
                                  (t - keyboard.delay) % keyboard.interval == 0);
    if (sends && t < holdMs) {
      guesser.Press('A', start + t, out);
    } else {
      guesser.Expire(start + t, out);
    }
    for (const GuessedKeyEvent& event : out) {
      if (down && !event.down) {
        ++result.ups;
        result.lastUpAt = t;
      }
      down = event.down;
    }
    result.downMs += down ? 1 : 0;
  }
  return result;
}

// What the players measure: a fighter walks 250 units a second, so a
// 50 ms tap should be at most about 25 units (100 ms down), and a held key
// stops within about 100 ms of its real release.
TEST(ReleaseGuesser, ATapIsAShortStepAndAHoldWalksOnOnceTheRepeatsBegin) {
  const Keyboard x11{660, 40};    // X's defaults: 660 ms, 25 a second
  const Keyboard quick{250, 33};  // a short delay, 30 a second
  struct Case {
    Keyboard keyboard;
    std::uint32_t holdMs;
    std::uint32_t mostDownMs;
    std::uint32_t leastDownMs;
    std::uint32_t stopsBy;  // the last release at most this long after the real one
  };
  const Case cases[] = {
      {x11, 50, 100, 20, 100},  // a tap
      {x11, 400, 100, 20, 0},   // a step, then the wait for the repeat delay
      {x11, 1500, 1500 - 660 + 100 + 100, 1500 - 660, 100},
      {quick, 1000, 1000 - 250 + 200, 1000 - 250, 100},
  };
  for (const Case& c : cases) {
    ReleaseGuesser fresh;
    const Guessed first = Hold(fresh, c.keyboard, 5000, c.holdMs);
    // A keyboard whose repeats have been seen before: the same bounds hold.
    ReleaseGuesser taught;
    Hold(taught, c.keyboard, 0, 2000);
    const Guessed later = Hold(taught, c.keyboard, 10000, c.holdMs);
    for (const Guessed& g : {first, later}) {
      EXPECT_LE(g.downMs, c.mostDownMs) << c.holdMs;
      EXPECT_GE(g.downMs, c.leastDownMs) << c.holdMs;
      if (c.stopsBy > 0) {
        EXPECT_LE(g.lastUpAt, c.holdMs + c.stopsBy) << c.holdMs;
      }
      // Down through the step, up through the wait, down through the repeats.
      EXPECT_LE(g.ups, c.holdMs > c.keyboard.delay ? 2 : 1) << c.holdMs;
    }
  }
}

TEST(ReleaseGuesser, TheRepeatIntervalIsLearntAndUnevenRepeatsDoNotStretchIt) {
  ReleaseGuesser guesser;
  EXPECT_EQ(guesser.RepeatIntervalMs(), ReleaseGuesser::kAssumedIntervalMs);
  Events out;
  guesser.Press('A', 0, out);
  guesser.Press('A', 500, out);  // the keyboard's delay: not an interval
  EXPECT_EQ(guesser.RepeatIntervalMs(), ReleaseGuesser::kAssumedIntervalMs);
  std::uint32_t t = 500;
  for (int i = 0; i < 20; ++i) {
    t += 30;
    guesser.Press('A', t, out);
  }
  EXPECT_EQ(guesser.RepeatIntervalMs(), 30u);
  guesser.Press('A', t + 70, out);  // one repeat late (a busy terminal)
  EXPECT_LT(guesser.RepeatIntervalMs(), 50u);
  // Held until about two intervals after the last repeat.
  out.clear();
  const std::uint32_t last = t + 70;
  guesser.Expire(last + 2 * guesser.RepeatIntervalMs(), out);
  EXPECT_TRUE(out.empty());
  guesser.Expire(last + 2 * guesser.RepeatIntervalMs() + ReleaseGuesser::kIntervalSlackMs, out);
  EXPECT_EQ(out, (Events{kUpA}));
}

}  // namespace
}  // namespace torvelkan
