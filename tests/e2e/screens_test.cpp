// The screens a player walks through: the logo, the menu, the readme and the
// arena, each at its cells on the real terminal.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include "e2e/tmux_session.h"

namespace torvelkan::e2e {
namespace {

using std::chrono::seconds;

// The leftmost column of the arena (rows 3 on) holding a cell of this
// background colour, or -1.
int LeftmostOf(const Screen& s, int background) {
  int leftmost = -1;
  for (std::size_t r = 3; r < s.cells.size(); ++r) {
    const auto& row = s.cells[r];
    for (std::size_t c = 0; c < row.size(); ++c) {
      if (row[c].background == background && (leftmost < 0 || static_cast<int>(c) < leftmost)) {
        leftmost = static_cast<int>(c);
      }
    }
  }
  return leftmost;
}

bool LogoStrokes(const Screen& s) {
  for (std::size_t row = 8; row <= 41 && row < s.cells.size(); ++row) {
    for (const ScreenCell& cell : s.cells[row]) {
      if (cell.background == 15 || cell.background == 7 || cell.background == 8) {
        return true;
      }
    }
  }
  return false;
}

TEST(Screens, LogoMenuReadmeArenaAndExit) {
  TmuxSession tmux(SourceDir());
  tmux.Type(ShellQuote(GameBinary()) + "; echo GAME-ENDED-$?");
  Screen screen;
  ASSERT_TRUE(tmux.WaitFor(LogoStrokes, seconds(15), &screen, true)) << screen.Dump();

  tmux.Keys({"x"});
  ASSERT_TRUE(tmux.WaitFor([](const Screen& s) { return s.Text(20, 36, 9) == "Torvelkan"; },
                           seconds(10), &screen, true))
      << screen.Dump();
  EXPECT_EQ(screen.Text(19, 30, 21), std::string(21, '-'));
  EXPECT_EQ(screen.Text(23, 33, 5), "> Gra");
  EXPECT_EQ(screen.Text(25, 35, 10), "Informacje");
  EXPECT_EQ(screen.Text(27, 35, 7), "Wyjscie");
  EXPECT_EQ(screen.cells[20][36].foreground, 14) << "the title in yellow";

  // Informacje: the shipped readme, its Polish letters made plain.
  tmux.Keys({"Down", "Enter"});
  ASSERT_TRUE(tmux.WaitFor([](const Screen& s) { return s.Text(2, 0, 9) == "TORVELKAN"; },
                           seconds(10), &screen))
      << screen.Dump();
  EXPECT_NE(screen.lines[2].find("pojedynek dwoch zarlocznych kul"), std::string::npos)
      << screen.Dump();
  tmux.Keys({"Down"});
  ASSERT_TRUE(tmux.WaitFor([](const Screen& s) { return s.Text(2, 0, 5) == "====="; }, seconds(10),
                           &screen))
      << screen.Dump();
  tmux.Keys({"Escape"});
  ASSERT_TRUE(tmux.WaitFor([](const Screen& s) { return s.Text(23, 33, 5) == "> Gra"; },
                           seconds(10), &screen))
      << "a fresh menu\n"
      << screen.Dump();

  // Gra: the arena with its grid and "Get Ready".
  tmux.Keys({"Enter"});
  ASSERT_TRUE(
      tmux.WaitFor([](const Screen& s) { return s.Contains("Get Ready"); }, seconds(10), &screen))
      << screen.Dump();
  EXPECT_NE(screen.lines[3].find('|'), std::string::npos) << screen.Dump();
  // After the countdown, Left walks the bright red fighter to the left.
  std::this_thread::sleep_for(std::chrono::milliseconds(3300));
  screen = tmux.Capture(true);
  const int redBefore = LeftmostOf(screen, 12);
  ASSERT_GT(redBefore, 0) << screen.Dump();
  for (int i = 0; i < 10; ++i) {
    tmux.Keys({"Left"});
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_TRUE(tmux.WaitFor(
      [redBefore](const Screen& s) {
        return LeftmostOf(s, 12) >= 0 && LeftmostOf(s, 12) < redBefore;
      },
      seconds(5), &screen, true))
      << screen.Dump();
  tmux.Keys({"Escape"});
  ASSERT_TRUE(tmux.WaitFor([](const Screen& s) { return s.Text(20, 36, 9) == "Torvelkan"; },
                           seconds(10), &screen))
      << screen.Dump();

  // Up wraps to Wyjscie, and Enter ends the game.
  tmux.Keys({"Up"});
  ASSERT_TRUE(tmux.WaitFor([](const Screen& s) { return s.Text(27, 33, 9) == "> Wyjscie"; },
                           seconds(10), &screen))
      << screen.Dump();
  tmux.Keys({"Enter"});
  ASSERT_TRUE(tmux.WaitForText("GAME-ENDED-0", seconds(10), &screen)) << screen.Dump();
  EXPECT_EQ(tmux.Display("#{alternate_on}"), "0");
  EXPECT_EQ(tmux.Display("#{cursor_flag}"), "1");
}

}  // namespace
}  // namespace torvelkan::e2e
