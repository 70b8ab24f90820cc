// Releases guessed from presses and auto-repeats alone.
#include "console/terminal/release_guesser.h"

#include <gtest/gtest.h>

#include <vector>

namespace torvelkan {
namespace {

using Events = std::vector<GuessedKeyEvent>;
const GuessedKeyEvent kDownA{'A', true};
const GuessedKeyEvent kUpA{'A', false};

TEST(ReleaseGuesser, ATapIsLetGoAt700Ms) {
  ReleaseGuesser guesser;
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

TEST(ReleaseGuesser, RepeatsAreKeyDownsAndTheKeyStaysDownBetweenThem) {
  ReleaseGuesser guesser;
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

TEST(ReleaseGuesser, TheKeyboardsDelayIsLearntToLetTapsGoSooner) {
  ReleaseGuesser guesser;
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
  ReleaseGuesser other;
  other.Press('A', 0, out);
  other.Press('A', 60, out);
  EXPECT_EQ(other.TapHoldMs(), 700u);
}

TEST(ReleaseGuesser, KeysAreHeldEachOnItsOwnAndAllLetGoAtOnce) {
  ReleaseGuesser guesser;
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
  ReleaseGuesser guesser;
  Events out;
  guesser.Press('A', 0xFFFFFF00u, out);
  out.clear();
  guesser.Expire(0x00000010u, out);  // 272 ms later
  EXPECT_TRUE(out.empty());
  guesser.Expire(0xFFFFFF00u + 700u, out);
  EXPECT_EQ(out, (Events{kUpA}));
}

}  // namespace
}  // namespace torvelkan
