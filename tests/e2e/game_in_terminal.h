// A test fixture with the game started from a shell in tmux, and the checks
// that the terminal is handed back exactly as it was.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "e2e/tmux_session.h"

namespace torvelkan::e2e {

class GameInTerminal : public ::testing::Test {
 public:
  GameInTerminal(const GameInTerminal&) = delete;
  GameInTerminal& operator=(const GameInTerminal&) = delete;

 protected:
  GameInTerminal() : GameInTerminal(80, 50) {}
  // On a terminal of another size.
  GameInTerminal(int width, int height);
  ~GameInTerminal() override;

  // Notes the terminal modes and the window title, then starts the game in
  // directory (where it looks for Readme.txt) with the options given and
  // waits for its start-up notice.
  void StartGame(const std::string& directory = SourceDir(), const std::string& options = "");
  // The same, with a shell command of its own that runs the game.
  void StartCommand(const std::string& directory, const std::string& command);

  // Waits for the notice, or for the frame counter once past it.
  void WaitForTheGameOnScreen();

  // From the notice through the logo (any key) to the main menu.
  void GoToMenu();

  // Sends a signal to the game: the shell's child.
  void Signal(const std::string& name);

  // Once the game has ended: the shell's screen is back with the cursor, the
  // terminal modes and the window title are the same as before the start,
  // and the shell reports the game's status (0, or 128 and the signal).
  void ExpectTerminalBack(int status);

  TmuxSession tmux;
  // The program StartGame runs: the build's own unless a test runs a copy.
  std::string binary = GameBinary();

 private:
  std::string modesFile;  // the terminal modes before the game, removed with the fixture
  std::string titleBefore;
};

// The main menu with its first entry highlighted, as a fresh menu shows it.
bool FreshMenu(const Screen& screen);

}  // namespace torvelkan::e2e
