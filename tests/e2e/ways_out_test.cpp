// Every way out of a running game gives the terminal back as it was: the
// shell's screen, the cursor, and the same terminal modes.
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "e2e/game_in_terminal.h"

namespace torvelkan::e2e {
namespace {

using std::chrono::seconds;

class WaysOut : public GameInTerminal {
 protected:
  void ExpectReadmeRefused(const std::string& directory);

  // Ctrl+Z stops the game with the shell's screen and the cursor back.
  void StopWithCtrlZ() {
    tmux.Keys({"C-z"});
    Screen screen;
    ASSERT_TRUE(tmux.WaitFor([](const Screen& s) { return s.Contains("SHELL-IS-HERE"); },
                             seconds(10), &screen))
        << screen.Dump();
    EXPECT_EQ(tmux.Display("#{alternate_on}"), "0") << "stopped with the shell's screen back";
    EXPECT_EQ(tmux.Display("#{cursor_flag}"), "1");
  }
};

// A directory of its own, removed with everything in it.
class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::string name = "/tmp/torvelkan-e2e-readme-XXXXXX";
    if (mkdtemp(name.data()) != nullptr) {
      path = name;
    }
  }
  ~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  std::string path;  // empty when it could not be made
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
  ASSERT_NO_FATAL_FAILURE(StopWithCtrlZ());
  tmux.Type("fg");
  Screen screen;
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

// The stop already gave the terminal back; a kill while stopped ends the game
// as soon as it runs again, without taking the screen once more.
TEST_F(WaysOut, CtrlZThenKillOfTheStoppedGame) {
  StartGame();
  ASSERT_NO_FATAL_FAILURE(StopWithCtrlZ());
  tmux.Type("kill %1");
  tmux.Type("fg");  // the shell here does not wake a stopped job it kills
  ExpectTerminalBack(143);
}

TEST_F(WaysOut, EscInTheMenu) {
  StartGame();
  GoToMenu();
  tmux.Keys({"Escape"});
  ExpectTerminalBack(0);
}

// Readme.txt that no reader could take: the viewer says it cannot open the
// file at once (a FIFO without a writer must not hold the game), Esc goes back
// to the menu, and Esc there ends the game as usual.
void WaysOut::ExpectReadmeRefused(const std::string& directory) {
  // The game falls back on the data folder it was built for.
  if (std::filesystem::exists(TORVELKAN_DATA_DIR "/Readme.txt")) {
    GTEST_SKIP() << "an installed game's Readme.txt answers from " TORVELKAN_DATA_DIR;
  }
  // A copy of the game in the same folder: the build's own folder holds a copy
  // of the text, which the game falls back on too.
  binary = directory + "/torvelkan";
  ASSERT_TRUE(std::filesystem::copy_file(GameBinary(), binary));
  StartGame(directory);
  GoToMenu();
  tmux.Keys({"Down", "Enter"});
  Screen screen;
  ASSERT_TRUE(tmux.WaitFor(
      [](const Screen& s) { return s.Text(2, 0, 36) == "Nie mozna otworzyc pliku Readme.txt "; },
      seconds(10), &screen))
      << screen.Dump();
  EXPECT_EQ(screen.Text(3, 0, 80), std::string(80, ' ')) << "the message is the only line";
  tmux.Keys({"Escape"});
  ASSERT_TRUE(tmux.WaitFor(FreshMenu, seconds(10), &screen)) << screen.Dump();
  tmux.Keys({"Escape"});
  ExpectTerminalBack(0);
}

TEST_F(WaysOut, ReadmeThatIsAFifo) {
  const ScratchDirectory directory;
  ASSERT_FALSE(directory.path.empty());
  ASSERT_EQ(mkfifo((directory.path + "/Readme.txt").c_str(), 0600), 0);
  ExpectReadmeRefused(directory.path);
}

TEST_F(WaysOut, ReadmeThatIsADirectory) {
  const ScratchDirectory directory;
  ASSERT_FALSE(directory.path.empty());
  ASSERT_TRUE(std::filesystem::create_directory(directory.path + "/Readme.txt"));
  ExpectReadmeRefused(directory.path);
}

}  // namespace
}  // namespace torvelkan::e2e
