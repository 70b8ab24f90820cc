// A whole game the way a player goes through it, on a real terminal: the
// notice, the logo, the menu, the readme, a fight against the AI, a second
// fight against a person on W, A, S, D, and back to the shell.
#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "e2e/arena_view.h"
#include "e2e/game_in_terminal.h"
#include "e2e/screen_waits.h"

namespace torvelkan::e2e {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::seconds;

// Cells of the logo's strokes (bright white, light grey, dark grey) in a block.
int StrokeCells(const Screen& s, int firstRow, int lastRow, int firstColumn, int lastColumn) {
  int count = 0;
  for (int r = firstRow; r <= lastRow; ++r) {
    for (int c = firstColumn; c <= lastColumn; ++c) {
      const int background = s.At(r, c).background;
      count += (background == 15 || background == 7 || background == 8) ? 1 : 0;
    }
  }
  return count;
}

// The logo lies in rows 8 to 41; its last stroke is the dash at columns 74 to 78.
int LogoCells(const Screen& s) { return StrokeCells(s, 8, 41, 0, 79); }
bool LastDashDrawn(const Screen& s) { return StrokeCells(s, 40, 41, 74, 78) > 0; }

// Whether the colours seen follow the order given without going back, and end
// at its last.
bool FadesInOrder(const std::vector<int>& seen, const std::vector<int>& order) {
  auto next = order.begin();
  for (int colour : seen) {
    next = std::find(next, order.end(), colour);
    if (next == order.end()) {
      return false;
    }
    ++next;
  }
  return !seen.empty() && seen.back() == order.back();
}

// tmux passes no key releases on, so the game guesses them. Its steps are read
// off the screen, so each key sent once must walk far: the game runs with the
// long guess, where a tap is let go at most 700 ms after it arrived.
constexpr milliseconds kTapReleased{800};

class WholeGame : public GameInTerminal {
 protected:
  bool WaitColours(const std::function<bool(const Screen&)>& ready, Screen& screen,
                   seconds timeout = seconds(10)) {
    return tmux.WaitFor(ready, timeout, &screen, true);
  }

  // Each red arrow event, press or release, adds one situation to the AI's
  // memory; once a tap has been let go, the counter reads expected.
  bool AiCounterReads(int expected, Screen& screen) {
    return tmux.WaitFor([expected](const Screen& s) { return AiCounter(s) == expected; },
                        seconds(10), &screen);
  }
};

TEST_F(WholeGame, FromTheNoticeThroughTwoFightsBackToTheShell) {
  StartGame(SourceDir(), "--smooth-holds");

  // The logo draws itself stroke by stroke, its last dash coming last.
  Screen screen;
  ASSERT_TRUE(WaitColours([](const Screen& s) { return LogoCells(s) > 0; }, screen, seconds(15)))
      << screen.Dump();
  const int firstLogoCells = LogoCells(screen);
  EXPECT_FALSE(LastDashDrawn(screen)) << "the whole logo at once\n" << screen.Dump();
  ASSERT_TRUE(WaitColours(LastDashDrawn, screen)) << screen.Dump();
  EXPECT_GT(LogoCells(screen), firstLogoCells) << screen.Dump();

  // Any key opens the menu.
  tmux.Keys({"x"});
  ASSERT_TRUE(WaitColours(FreshMenu, screen)) << screen.Dump();
  EXPECT_EQ(screen.Text(19, 30, 21), std::string(21, '-'));
  EXPECT_EQ(screen.Text(25, 35, 10), "Informacje");
  EXPECT_EQ(screen.Text(27, 35, 7), "Wyjscie");
  EXPECT_EQ(screen.At(20, 36).foreground, 14) << "the title in yellow";

  // Informacje: the shipped readme in light grey, its Polish letters made plain.
  tmux.Keys({"Down", "Enter"});
  ASSERT_TRUE(WaitColours([](const Screen& s) { return s.Text(2, 0, 9) == "TORVELKAN"; }, screen))
      << screen.Dump();
  EXPECT_NE(screen.lines[2].find("pojedynek dwoch zarlocznych kul"), std::string::npos)
      << screen.Dump();
  EXPECT_EQ(screen.At(2, 0).foreground, 7);
  const Screen top = screen;
  tmux.Keys({"Down"});
  ASSERT_TRUE(
      tmux.WaitFor([&top](const Screen& s) { return s.Text(2, 0, 80) == top.Text(3, 0, 80); },
                   seconds(10), &screen))
      << screen.Dump();
  EXPECT_EQ(screen.Text(2, 0, 5), "=====");
  for (int row = 2; row < 49; ++row) {
    EXPECT_EQ(screen.Text(row, 0, 80), top.Text(row + 1, 0, 80)) << "one line up, row " << row;
  }
  tmux.Keys({"Escape"});
  ASSERT_TRUE(tmux.WaitFor(FreshMenu, seconds(10), &screen)) << screen.Dump();
  EXPECT_EQ(screen.Text(25, 33, 12), "  Informacje") << "a fresh menu\n" << screen.Dump();

  // Gra, with the AI on: the first frame of the fight.
  const Clock::time_point enterSent = Clock::now();
  tmux.Keys({"Enter"});
  // The frame drawn with the match itself comes before its first update has put
  // the fighters on the floor, so the wait is for a frame after that one.
  ASSERT_TRUE(WaitColours(
      [](const Screen& s) { return s.Contains("Get Ready") && s.At(34, 24).background == 1; },
      screen))
      << screen.Dump();
  const bool withinFirstSecond = Clock::now() - enterSent < milliseconds(900);
  EXPECT_EQ(screen.Text(5, 35, 11), "|Get Ready|") << "centred on the grid\n" << screen.Dump();
  if (withinFirstSecond) {
    EXPECT_EQ(screen.At(5, 36).foreground, 15) << "bright white in the first second";
  }
  EXPECT_EQ(screen.Text(3, 0, 6), "|    |") << screen.Dump();
  EXPECT_EQ(screen.At(3, 0).foreground, 8);
  EXPECT_EQ(screen.Text(42, 0, 1), "|");
  EXPECT_EQ(screen.Text(43, 0, 80), std::string(80, ' ')) << "no grid below row 42";
  // Both health bars full, 37 cells each from the middle outwards, 100 beside each.
  for (int c = 0; c <= 36; ++c) {
    EXPECT_EQ(screen.At(1, c).background, kBlueBody) << "blue bar, column " << c;
  }
  for (int c = 43; c <= 79; ++c) {
    EXPECT_EQ(screen.At(1, c).background, kRedBody) << "red bar, column " << c;
  }
  EXPECT_EQ(screen.Text(1, 37, 6), "100100") << screen.Dump();
  for (int c = 37; c <= 42; ++c) {
    EXPECT_EQ(screen.At(1, c).foreground, 15) << "column " << c;
    EXPECT_EQ(screen.At(1, c).background, c < 40 ? kBlueBody : kRedBody) << "column " << c;
  }
  // The counters: debris from column 23, shots up to column 56, "0 AI" up to 78.
  EXPECT_EQ(screen.Text(0, 22, 3), " 0 ") << screen.Dump();
  EXPECT_EQ(screen.At(0, 23).foreground, 8);
  EXPECT_EQ(screen.Text(0, 55, 3), " 0 ") << screen.Dump();
  EXPECT_EQ(screen.At(0, 56).foreground, 8);
  EXPECT_EQ(screen.Text(0, 74, 6), " 0 AI ") << screen.Dump();
  EXPECT_EQ(screen.At(0, 75).foreground, 7);
  // The fighters at their posts, each with its eye on the side of the other.
  EXPECT_NEAR(BodyOf(screen, kBlueBody).column, 20, 2) << screen.Dump();
  EXPECT_NEAR(BodyOf(screen, kRedBody).column, 60, 2) << screen.Dump();
  EXPECT_EQ(screen.At(34, 56).background, 4) << "red's eye, dark red\n" << screen.Dump();

  // "Get Ready" fades from bright white through grey to dark grey, then the fight begins.
  std::vector<int> fade;
  ASSERT_TRUE(WaitColours(
      [&fade](const Screen& s) {
        if (s.Text(5, 36, 9) != "Get Ready") {
          return true;
        }
        const int colour = s.At(5, 36).foreground;
        if (fade.empty() || fade.back() != colour) {
          fade.push_back(colour);
        }
        return false;
      },
      screen))
      << screen.Dump();
  EXPECT_TRUE(FadesInOrder(fade, {15, 7, 8}))
      << "the colours seen, in order: " << ::testing::PrintToString(fade);

  // Red walks left, then right, on the arrow keys; the AI records every press
  // and every release.
  const Body redAtPost = BodyOf(screen, kRedBody);
  tmux.Keys({"Left"});
  ASSERT_TRUE(WaitColours(
      [&](const Screen& s) { return BodyOf(s, kRedBody).column <= redAtPost.column - 5; }, screen))
      << "Left walks red to the left\n"
      << screen.Dump();
  ASSERT_TRUE(AiCounterReads(2, screen)) << "after Left\n" << screen.Dump();
  screen = tmux.Capture(true);
  const Body redLeft = BodyOf(screen, kRedBody);
  tmux.Keys({"Right"});
  ASSERT_TRUE(WaitColours(
      [&](const Screen& s) { return BodyOf(s, kRedBody).column >= redLeft.column + 5; }, screen))
      << "Right walks red to the right\n"
      << screen.Dump();
  ASSERT_TRUE(AiCounterReads(4, screen)) << "after Right\n" << screen.Dump();

  // Up: red jumps and comes down on the floor again.
  screen = tmux.Capture(true);
  const Body redStanding = BodyOf(screen, kRedBody);
  tmux.Keys({"Up"});
  ASSERT_TRUE(WaitColours(
      [&](const Screen& s) {
        const Body red = BodyOf(s, kRedBody);
        return red.bottom < redStanding.bottom - 1;
      },
      screen))
      << "Up lifts red\n"
      << screen.Dump();
  ASSERT_TRUE(AiCounterReads(6, screen)) << "after Up\n" << screen.Dump();
  ASSERT_TRUE(tmux.WaitFor(HeldFor(
                               [&](const Screen& s) {
                                 const Body red = BodyOf(s, kRedBody);
                                 return red.bottom == redStanding.bottom &&
                                        red.cells >= redStanding.cells - 20;
                               },
                               milliseconds(300)),
                           seconds(30), &screen, true))
      << "red lands\n"
      << screen.Dump();

  // Down: red attacks, its mouth shut while the key is held.
  const Body mouthOpen = BodyOf(screen, kRedBody);
  tmux.Keys({"Down"});
  ASSERT_TRUE(WaitColours(
      [&](const Screen& s) { return BodyOf(s, kRedBody).cells >= mouthOpen.cells + 20; }, screen))
      << "the mouth closes\n"
      << screen.Dump();
  ASSERT_TRUE(AiCounterReads(8, screen)) << "after Down\n" << screen.Dump();

  // Space hands blue to a second player (W, A, S, D), also for the next
  // match; Esc leaves for a fresh menu.
  tmux.Keys({"Space"});
  tmux.Keys({"Escape"});
  ASSERT_TRUE(tmux.WaitFor(FreshMenu, seconds(10), &screen)) << screen.Dump();

  // The next match starts from nothing: no situations recorded, and blue at
  // its post with no keys left over from the AI, so its moves are easy to follow.
  tmux.Keys({"Enter"});
  ASSERT_TRUE(WaitColours([](const Screen& s) { return s.Contains("Get Ready"); }, screen))
      << screen.Dump();
  EXPECT_EQ(screen.Text(0, 74, 6), " 0 AI ") << screen.Dump();
  const Body blueAtPost = BodyOf(screen, kBlueBody);
  ASSERT_TRUE(
      WaitColours([](const Screen& s) { return !s.Contains("Get Ready"); }, screen, seconds(15)))
      << screen.Dump();

  // Red goes to the right wall, then, walking away from blue, attacks: a shot
  // flies from red's mouth to blue as a green blob, with the shot counter at 1.
  tmux.Keys({"Right"});
  ASSERT_TRUE(AiCounterReads(2, screen)) << "after Right\n" << screen.Dump();
  tmux.Keys({"Right", "Down"});
  Spot shot;
  ASSERT_TRUE(WaitColours(
      [&shot](const Screen& s) {
        shot = ShotAt(s);
        return shot.row >= 0;
      },
      screen))
      << "a shot\n"
      << screen.Dump();
  EXPECT_EQ(shot.row, 38) << "at the height of red's centre\n" << screen.Dump();
  EXPECT_EQ(screen.Text(0, 55, 3), " 1 ") << "one shot counted\n" << screen.Dump();

  // It hits blue, who stands still: 5 health off the outer end of its bar, and
  // three particles.
  ASSERT_TRUE(WaitColours([](const Screen& s) { return s.Text(1, 37, 3) == " 95"; }, screen))
      << screen.Dump();
  for (int c = 0; c <= 36; ++c) {
    EXPECT_EQ(screen.At(1, c).background == kBlueBody, c >= 2) << "blue bar, column " << c;
  }
  EXPECT_EQ(screen.Text(0, 22, 3), " 3 ") << "three particles\n" << screen.Dump();
  EXPECT_EQ(screen.Text(0, 55, 3), " 0 ") << "the shot is gone\n" << screen.Dump();
  EXPECT_NEAR(BodyOf(screen, kBlueBody).column, blueAtPost.column, 1)
      << "blue stays put without the AI\n"
      << screen.Dump();
  ASSERT_TRUE(AiCounterReads(6, screen)) << "after Right and Down\n" << screen.Dump();

  // D walks blue to the right, A back to the left.
  tmux.Keys({"d"});
  ASSERT_TRUE(WaitColours(
      [&](const Screen& s) { return BodyOf(s, kBlueBody).column >= blueAtPost.column + 10; },
      screen))
      << "d walks blue to the right\n"
      << screen.Dump();
  ASSERT_TRUE(tmux.WaitFor(Steady([](const Screen& s) { return BodyOf(s, kBlueBody).column; },
                                  Clock::now() + kTapReleased),
                           seconds(20), &screen, true))
      << screen.Dump();
  const Body blueRight = BodyOf(screen, kBlueBody);
  tmux.Keys({"a"});
  ASSERT_TRUE(WaitColours(
      [&](const Screen& s) { return BodyOf(s, kBlueBody).column <= blueRight.column - 10; },
      screen))
      << "a walks blue to the left\n"
      << screen.Dump();

  // Esc, then Up to Wyjscie, and Enter ends the game.
  tmux.Keys({"Escape"});
  ASSERT_TRUE(tmux.WaitFor(FreshMenu, seconds(10), &screen)) << screen.Dump();
  tmux.Keys({"Up"});
  ASSERT_TRUE(tmux.WaitFor([](const Screen& s) { return s.Text(27, 33, 9) == "> Wyjscie"; },
                           seconds(10), &screen))
      << screen.Dump();
  tmux.Keys({"Enter"});
  ExpectTerminalBack(0);
}

}  // namespace
}  // namespace torvelkan::e2e
