// A player's terminal for the network's end-to-end tests.
#include "e2e/player_terminal.h"

#include <gtest/gtest.h>
#include <stdlib.h>  // NOLINT(modernize-deprecated-headers): mkstemp is POSIX's
#include <unistd.h>

#include <chrono>

namespace torvelkan::e2e {

using std::chrono::seconds;

Player::Player() : tmux(SourceDir()) {
  std::string name = "/tmp/torvelkan-e2e-net-modes-XXXXXX";
  const int fd = mkstemp(name.data());
  if (fd >= 0) {
    close(fd);
    modes = name;
  }
  tmux.Type("stty -a > " + ShellQuote(modes) + " && echo SHELL-IS-HERE");
  EXPECT_TRUE(tmux.WaitForText("SHELL-IS-HERE", seconds(10)));
}

Player::~Player() { unlink(modes.c_str()); }

void Player::Start(const std::string& arguments) {
  tmux.Type(ShellQuote(GameBinary()) + " " + arguments);
}

void Player::ExpectBack(int status, const std::string& message) {
  Screen screen;
  ASSERT_TRUE(
      tmux.WaitFor([this](const Screen&) { return tmux.ShellInFront(); }, seconds(10), &screen))
      << screen.Dump();
  tmux.Type("echo GAME-ENDED-$?");
  ASSERT_TRUE(tmux.WaitForText("GAME-ENDED-" + std::to_string(status), seconds(10), &screen))
      << screen.Dump();
  if (!message.empty()) {
    EXPECT_TRUE(screen.Contains("torvelkan: " + message)) << screen.Dump();
  }
  EXPECT_EQ(tmux.Display("#{cursor_flag}"), "1");
  tmux.Type("stty -a | cmp -s - " + ShellQuote(modes) + " && echo MODES-SAME || echo MODES-DIFFER");
  ASSERT_TRUE(tmux.WaitFor(
      [](const Screen& s) { return s.Contains("MODES-SAME") || s.Contains("MODES-DIFFER"); },
      seconds(5), &screen));
  EXPECT_TRUE(screen.Contains("MODES-SAME")) << screen.Dump();
}

void Player::Kill() const { TmuxSession::Host("pkill -KILL -P " + tmux.Display("#{pane_pid}")); }

bool SameArena(const Screen& a, const Screen& b) {
  if (a.cells.size() < 50 || b.cells.size() < 50) {
    return false;
  }
  for (int row = 3; row < 50; ++row) {
    for (int column = 0; column < 80; ++column) {
      const ScreenCell x = a.At(row, column);
      const ScreenCell y = b.At(row, column);
      // A blank shows no foreground: each terminal's encoder leaves blanks in
      // whatever pen it holds.
      const bool blank = x.glyph == " " || x.glyph.empty();
      if (x.glyph != y.glyph || x.background != y.background ||
          (!blank && x.foreground != y.foreground)) {
        return false;
      }
    }
  }
  return true;
}

}  // namespace torvelkan::e2e
