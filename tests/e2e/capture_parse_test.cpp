// The harness reads colours back the way tmux writes them.
#include <gtest/gtest.h>

#include "e2e/tmux_session.h"

namespace torvelkan::e2e {
namespace {

TEST(CaptureParse, ColoursBecomeConsoleNumbers) {
  const Screen screen = ParseCapture("a\x1b[97;44mbc\x1b[0md\x1b[38;5;9;48;5;2me\n");
  ASSERT_EQ(screen.cells.size(), 1u);
  ASSERT_EQ(screen.cells[0].size(), 5u);
  EXPECT_EQ(screen.cells[0][0].background, -1);
  EXPECT_EQ(screen.cells[0][1].foreground, 15);  // bright white
  EXPECT_EQ(screen.cells[0][1].background, 1);   // ANSI blue is the console's 1
  EXPECT_EQ(screen.cells[0][3].foreground, -1);
  EXPECT_EQ(screen.cells[0][4].foreground, 12);  // bright red
  EXPECT_EQ(screen.cells[0][4].background, 2);
  EXPECT_EQ(screen.Text(0, 1, 3), "bcd");
  EXPECT_EQ(screen.lines[0], "abcde");
}

// tmux leaves out a colour that the previous line already ended with, and
// capture-pane -N keeps the blanks at the ends of the lines.
TEST(CaptureParse, ColoursRunOnAcrossLinesAndOffTheGridIsBlank) {
  const Screen screen = ParseCapture("\x1b[101ma  \nb\x1b[0m\nc\n");
  ASSERT_EQ(screen.cells.size(), 3u);
  EXPECT_EQ(screen.At(1, 0).background, 12) << "still bright red on the next line";
  EXPECT_EQ(screen.At(2, 0).background, -1);
  EXPECT_EQ(screen.At(0, 5).glyph, " ");
  EXPECT_EQ(screen.At(7, 0).background, -1);
  EXPECT_EQ(screen.lines[0], "a") << "the text without the blanks at the end";
}

TEST(CaptureParse, TextCountsCharactersNotBytes) {
  const Screen screen = ParseCapture("\xe2\x94\x82x\n");
  EXPECT_EQ(screen.Text(0, 1, 1), "x");
  EXPECT_EQ(screen.Text(0, 5, 2), "  ");
}

}  // namespace
}  // namespace torvelkan::e2e
