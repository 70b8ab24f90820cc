// Every way out of a running game gives the terminal back as it was: the
// shell's screen, the cursor, and the same terminal modes.
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

// The state letter of a process ("T" when stopped), or "" once it is gone.
std::string ProcessState(const std::string& pid) {
  std::ifstream stat("/proc/" + pid + "/stat");
  std::string pidText;
  std::string name;
  std::string state;
  if (!(stat >> pidText >> name >> state)) {
    return "";
  }
  return state;
}

// The pid of the running game (its binary's process in the pane's session).
std::string GamePid(const TmuxSession& tmux) {
  std::string pid = TmuxSession::Host("pgrep -s " + tmux.Display("#{pane_pid}") + " -x torvelkan");
  while (!pid.empty() && (pid.back() == '\n')) {
    pid.pop_back();
  }
  return pid.find('\n') == std::string::npos ? pid : "";
}

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

// The guardian gives the terminal back when the game is killed outright.
TEST_F(WaysOut, SigkillInAMatch) {
  StartGame();
  GoToMenu();
  tmux.Keys({"Enter"});
  Screen screen;
  ASSERT_TRUE(tmux.WaitFor([](const Screen& s) { return !FreshMenu(s); }, seconds(10), &screen))
      << screen.Dump();
  Signal("KILL");
  ExpectTerminalBack(137);
}

// A stop and a continue from outside: the game, continued in the background
// after the shell took the terminal back, waits for fg, then runs on. (In
// bash, which puts its own modes back when a job stops: a shell that does not
// would read the game's raw modes as the end of its input.)
TEST_F(WaysOut, StopAndContinueFromOutsideThenForeground) {
  tmux.Type("exec bash --norc --noprofile");
  StartGame();
  Signal("STOP");
  Screen screen;
  ASSERT_TRUE(tmux.WaitForText("Stopped", seconds(10), &screen)) << screen.Dump();
  Signal("CONT");
  ASSERT_TRUE(tmux.WaitFor([this](const Screen&) { return ProcessState(GamePid(tmux)) == "T"; },
                           seconds(10), &screen))
      << "stopped again, waiting for the foreground\n"
      << screen.Dump();
  tmux.Type("fg");
  ASSERT_TRUE(tmux.WaitFor([this](const Screen&) { return tmux.Display("#{alternate_on}") == "1"; },
                           seconds(10), &screen))
      << screen.Dump();
  WaitForTheGameOnScreen();
  tmux.Keys({"Escape"});
  ExpectTerminalBack(0);
}

// Started in the background, it takes nothing until fg.
TEST_F(WaysOut, StartedInTheBackgroundThenForeground) {
  StartCommand(SourceDir(), ShellQuote(GameBinary()) + " & fg");
  tmux.Keys({"Escape"});
  ExpectTerminalBack(0);
}

// Launched by a shell script, as distributions often ship games: every Ctrl+Z
// stops the game with the shell's screen back, and every fg brings it back.
TEST_F(WaysOut, CtrlZAndFgThroughALauncherScript) {
  const std::string launcher = "/tmp/torvelkan-e2e-launcher-" + std::to_string(getpid());
  {
    std::ofstream script(launcher);
    script << "#!/bin/sh\n" << ShellQuote(GameBinary()) << "\n";
  }
  ASSERT_EQ(chmod(launcher.c_str(), 0755), 0);
  StartCommand(SourceDir(), ShellQuote(launcher));
  const std::string game = GamePid(tmux);
  ASSERT_FALSE(game.empty());
  Screen screen;
  for (int round = 0; round < 20; ++round) {
    tmux.Keys({"C-z"});
    ASSERT_TRUE(tmux.WaitFor(
        [&](const Screen&) {
          return ProcessState(game) == "T" && tmux.Display("#{alternate_on}") == "0";
        },
        seconds(10), &screen))
        << "round " << round << "\n"
        << screen.Dump();
    if (round == 10) {
      // Twenty rounds scroll the screen: the shell's own line is made again.
      tmux.Type("clear; echo SHELL-IS-HERE");
      ASSERT_TRUE(tmux.WaitForText("SHELL-IS-HERE", seconds(10), &screen)) << screen.Dump();
    }
    tmux.Type("fg");
    ASSERT_TRUE(tmux.WaitFor(
        [&](const Screen&) {
          return ProcessState(game) != "T" && tmux.Display("#{alternate_on}") == "1";
        },
        seconds(10), &screen))
        << "round " << round << "\n"
        << screen.Dump();
  }
  WaitForTheGameOnScreen();
  tmux.Keys({"Escape"});
  ExpectTerminalBack(0);
  std::filesystem::remove(launcher);
}

// Under setsid the terminal is not the game's controlling terminal: it says so
// in one line and ends with status 1, touching nothing.
TEST_F(WaysOut, RefusedWithoutAControllingTerminal) {
  tmux.Type("setsid -w " + ShellQuote(GameBinary()) + "; echo GAME-ENDED-$?");
  Screen screen;
  ASSERT_TRUE(tmux.WaitForText("GAME-ENDED-1", seconds(10), &screen)) << screen.Dump();
  EXPECT_TRUE(screen.Contains("torvelkan: ") && screen.Contains("controlling terminal"))
      << screen.Dump();
  EXPECT_EQ(tmux.Display("#{alternate_on}"), "0");
  EXPECT_EQ(tmux.Display("#{cursor_flag}"), "1");
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
