// Every way out of a running game gives the terminal back as it was: the
// shell's screen, the cursor, and the same terminal modes.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include "e2e/tmux_session.h"

namespace torvelkan::e2e {
namespace {

using std::chrono::seconds;

class WaysOut : public ::testing::Test {
 protected:
  WaysOut() : tmux(SourceDir()) {}

  void StartGame() {
    tmux.Type("stty -a > /tmp/torvelkan-e2e-modes-$$; echo SHELL-IS-HERE");
    ASSERT_TRUE(tmux.WaitForText("SHELL-IS-HERE", seconds(10)));
    tmux.Type(ShellQuote(GameBinary()));
    Screen screen;
    ASSERT_TRUE(tmux.WaitFor([](const Screen& s) { return s.Text(25, 35, 11) == "Alt + Enter"; },
                             seconds(10), &screen))
        << screen.Dump();
  }

  // The game's process: the shell's child.
  void Signal(const std::string& name) {
    TmuxSession::Host("pkill -" + name + " -P " + tmux.Display("#{pane_pid}"));
  }

  // Once the game has ended, the shell reports how: 0, or 128 and the signal.
  void ExpectTerminalBack(int status) {
    Screen screen;
    ASSERT_TRUE(
        tmux.WaitFor([this](const Screen&) { return tmux.Display("#{alternate_on}") == "0"; },
                     seconds(10), &screen))
        << screen.Dump();
    tmux.Type("echo GAME-ENDED-$?");
    ASSERT_TRUE(tmux.WaitForText("GAME-ENDED-" + std::to_string(status), seconds(10), &screen))
        << screen.Dump();
    EXPECT_TRUE(screen.Contains("SHELL-IS-HERE")) << screen.Dump();
    EXPECT_FALSE(screen.Contains("Alt + Enter")) << screen.Dump();
    EXPECT_EQ(tmux.Display("#{cursor_flag}"), "1");
    EXPECT_EQ(tmux.Display("#{alternate_on}"), "0");
    tmux.Type(
        "stty -a | cmp -s - /tmp/torvelkan-e2e-modes-$$ && echo MODES-SAME || echo MODES-DIFFER");
    ASSERT_TRUE(tmux.WaitFor(
        [](const Screen& s) { return s.Contains("MODES-SAME") || s.Contains("MODES-DIFFER"); },
        seconds(5), &screen));
    EXPECT_TRUE(screen.Contains("MODES-SAME")) << screen.Dump();
    tmux.Type("rm -f /tmp/torvelkan-e2e-modes-$$");
  }

  TmuxSession tmux;
};

TEST_F(WaysOut, CtrlC) {
  StartGame();
  tmux.Keys({"C-c"});
  ExpectTerminalBack(130);
}

TEST_F(WaysOut, Sigterm) {
  StartGame();
  Signal("TERM");
  ExpectTerminalBack(143);
}

TEST_F(WaysOut, Sighup) {
  StartGame();
  Signal("HUP");
  ExpectTerminalBack(129);
}

TEST_F(WaysOut, CtrlZThenForegroundThenEsc) {
  StartGame();
  tmux.Keys({"C-z"});
  Screen screen;
  ASSERT_TRUE(tmux.WaitFor([](const Screen& s) { return s.Contains("SHELL-IS-HERE"); }, seconds(10),
                           &screen))
      << screen.Dump();
  EXPECT_EQ(tmux.Display("#{alternate_on}"), "0") << "stopped with the shell's screen back";
  EXPECT_EQ(tmux.Display("#{cursor_flag}"), "1");
  tmux.Type("fg");
  ASSERT_TRUE(tmux.WaitFor([this](const Screen&) { return tmux.Display("#{alternate_on}") == "1"; },
                           seconds(10), &screen))
      << screen.Dump();
  ASSERT_TRUE(
      tmux.WaitFor([](const Screen& s) { return s.Text(0, 0, 8).find("fps") != std::string::npos; },
                   seconds(10), &screen))
      << "the whole frame drawn again\n"
      << screen.Dump();
  EXPECT_EQ(tmux.Display("#{cursor_flag}"), "0");
  tmux.Keys({"Escape"});
  ExpectTerminalBack(0);
}

}  // namespace
}  // namespace torvelkan::e2e
