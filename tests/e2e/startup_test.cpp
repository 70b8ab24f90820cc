// The game starts in a real terminal, shows its notice and gives the terminal back.
#include <gtest/gtest.h>

#include <chrono>

#include "e2e/tmux_session.h"

namespace torvelkan::e2e {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

TEST(Startup, NoticeAndCounterThenEscGivesTheShellBack) {
  TmuxSession tmux(SourceDir());
  tmux.Type("stty -a > /tmp/torvelkan-e2e-stty-$PPID-before; echo SHELL-IS-HERE");
  ASSERT_TRUE(tmux.WaitForText("SHELL-IS-HERE", seconds(10)));

  tmux.Type(ShellQuote(GameBinary()) + "; echo GAME-ENDED-$?");
  Screen screen;
  ASSERT_TRUE(tmux.WaitFor([](const Screen& s) { return s.Text(25, 35, 11) == "Alt + Enter"; },
                           seconds(10), &screen))
      << screen.Dump();
  EXPECT_EQ(screen.Text(25, 34, 1), " ");
  EXPECT_EQ(screen.Text(25, 46, 1), " ");
  EXPECT_EQ(screen.Text(0, 0, 6), " 0 fps") << screen.Dump();
  EXPECT_FALSE(screen.Contains("SHELL-IS-HERE")) << "the game runs on its own screen";
  EXPECT_EQ(tmux.Display("#{cursor_flag}"), "0");
  EXPECT_EQ(tmux.Display("#{alternate_on}"), "1");

  // The notice is grey on black.
  screen = tmux.Capture(true);
  ASSERT_GT(screen.cells.size(), 25u) << screen.Dump();
  ASSERT_GT(screen.cells[25].size(), 41u) << screen.Dump();
  EXPECT_EQ(screen.cells[25][41].glyph, "E");
  EXPECT_EQ(screen.cells[25][41].foreground, 7);

  // After about a second the counter shows the real rate: some hundreds.
  ASSERT_TRUE(tmux.WaitFor(
      [](const Screen& s) {
        const std::string counter = s.Text(0, 1, 8);
        return counter.find(" fps") != std::string::npos && counter[0] != '0';
      },
      seconds(5), &screen))
      << screen.Dump();

  tmux.Keys({"Escape"});
  ASSERT_TRUE(tmux.WaitForText("GAME-ENDED-0", seconds(5), &screen)) << screen.Dump();
  EXPECT_TRUE(screen.Contains("SHELL-IS-HERE")) << screen.Dump();
  EXPECT_FALSE(screen.Contains("Alt + Enter")) << screen.Dump();
  EXPECT_EQ(tmux.Display("#{cursor_flag}"), "1");
  EXPECT_EQ(tmux.Display("#{alternate_on}"), "0");

  tmux.Type(
      "stty -a > /tmp/torvelkan-e2e-stty-$PPID-after; "
      "cmp -s /tmp/torvelkan-e2e-stty-$PPID-before /tmp/torvelkan-e2e-stty-$PPID-after "
      "&& echo MODES-SAME || echo MODES-DIFFER; rm -f /tmp/torvelkan-e2e-stty-$PPID-*");
  ASSERT_TRUE(tmux.WaitFor(
      [](const Screen& s) { return s.Contains("MODES-SAME") || s.Contains("MODES-DIFFER"); },
      seconds(5), &screen));
  EXPECT_TRUE(screen.Contains("MODES-SAME")) << screen.Dump();
}

TEST(Startup, WithoutATerminalItSaysSoAndFails) {
  int status = 0;
  const std::string output = TmuxSession::Host(
      "timeout 10 " + ShellQuote(GameBinary()) + " < /dev/null > /dev/null 2>&1; echo $?", &status);
  EXPECT_NE(output, "0\n") << "the game must not run blind without a terminal";
  EXPECT_NE(output, "124\n") << "the game must end at once without a terminal";
}

}  // namespace
}  // namespace torvelkan::e2e
