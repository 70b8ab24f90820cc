// The game started from a shell in tmux, and the terminal handed back.
#include "e2e/game_in_terminal.h"

#include <stdlib.h>  // NOLINT(modernize-deprecated-headers): mkstemp is POSIX's
#include <unistd.h>

#include <chrono>

namespace torvelkan::e2e {

using std::chrono::seconds;

bool FreshMenu(const Screen& screen) {
  return screen.Text(20, 36, 9) == "Torvelkan" && screen.Text(23, 33, 5) == "> Gra";
}

GameInTerminal::GameInTerminal(int width, int height) : tmux(SourceDir(), width, height) {
  std::string name = "/tmp/torvelkan-e2e-modes-XXXXXX";
  const int fd = mkstemp(name.data());
  if (fd >= 0) {
    close(fd);
    modesFile = name;
  }
}

GameInTerminal::~GameInTerminal() {
  if (!modesFile.empty()) {
    unlink(modesFile.c_str());
  }
}

void GameInTerminal::StartGame(const std::string& directory, const std::string& options) {
  StartCommand(directory, ShellQuote(binary) + (options.empty() ? "" : " " + options));
}

void GameInTerminal::StartCommand(const std::string& directory, const std::string& command) {
  ASSERT_FALSE(modesFile.empty()) << "no file for the terminal modes";
  // A title of the shell's own, which the game must put back.
  tmux.Type("cd " + ShellQuote(directory) + " && stty -a > " + ShellQuote(modesFile) +
            R"( && printf '\033]2;the shell\033\\' && echo SHELL-IS-HERE)");
  ASSERT_TRUE(tmux.WaitForText("SHELL-IS-HERE", seconds(10)));
  EXPECT_TRUE(tmux.WaitFor(
      [this](const Screen&) { return tmux.Display("#{pane_title}") == "the shell"; }, seconds(10)));
  titleBefore = tmux.Display("#{pane_title}");
  tmux.Type(command);
  WaitForTheGameOnScreen();
}

void GameInTerminal::WaitForTheGameOnScreen() {
  Screen screen;
  ASSERT_TRUE(tmux.WaitFor(
      [](const Screen& s) {
        return s.Text(25, 35, 11) == "Alt + Enter" ||
               s.Text(0, 0, 8).find("fps") != std::string::npos;
      },
      seconds(10), &screen))
      << screen.Dump();
}

void GameInTerminal::GoToMenu() {
  // Keys other than Esc are ignored while the notice shows; the logo follows it.
  Screen screen;
  ASSERT_TRUE(tmux.WaitFor([](const Screen& s) { return !s.Contains("Alt + Enter"); }, seconds(15),
                           &screen))
      << screen.Dump();
  tmux.Keys({"x"});
  ASSERT_TRUE(tmux.WaitFor(FreshMenu, seconds(10), &screen)) << screen.Dump();
}

void GameInTerminal::Signal(const std::string& name) {
  TmuxSession::Host("pkill -" + name + " -P " + tmux.Display("#{pane_pid}"));
}

void GameInTerminal::ExpectTerminalBack(int status) {
  Screen screen;
  ASSERT_TRUE(
      tmux.WaitFor([this](const Screen&) { return tmux.ShellInFront(); }, seconds(10), &screen))
      << screen.Dump();
  tmux.Type("echo GAME-ENDED-$?");
  ASSERT_TRUE(tmux.WaitForText("GAME-ENDED-" + std::to_string(status), seconds(10), &screen))
      << screen.Dump();
  EXPECT_TRUE(screen.Contains("SHELL-IS-HERE")) << screen.Dump();
  EXPECT_FALSE(screen.Contains("Alt + Enter")) << screen.Dump();
  EXPECT_EQ(tmux.Display("#{cursor_flag}"), "1");
  EXPECT_EQ(tmux.Display("#{alternate_on}"), "0");
  EXPECT_TRUE(tmux.WaitFor(
      [this](const Screen&) { return tmux.Display("#{pane_title}") == titleBefore; }, seconds(5)))
      << "the title is " << tmux.Display("#{pane_title}");
  tmux.Type("stty -a | cmp -s - " + ShellQuote(modesFile) +
            " && echo MODES-SAME || echo MODES-DIFFER");
  ASSERT_TRUE(tmux.WaitFor(
      [](const Screen& s) { return s.Contains("MODES-SAME") || s.Contains("MODES-DIFFER"); },
      seconds(5), &screen));
  EXPECT_TRUE(screen.Contains("MODES-SAME")) << screen.Dump();
}

}  // namespace torvelkan::e2e
