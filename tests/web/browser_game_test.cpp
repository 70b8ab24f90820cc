// The game played in headless Chromium against `torvelkan --web`: real key
// downs and ups through the DevTools protocol, read back off the page's grid
// (a page that loses the focus lets go of its keys), and that grid against
// the game's own, played again from its recording.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>  // NOLINT(modernize-deprecated-headers): mkdtemp is POSIX's
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "console/memory_device.h"
#include "net/grid_diff.h"
#include "replay/recording.h"
#include "replay/replay_player.h"
#include "support/same_cells.h"
#include "web/browser_page.h"
#include "web/devtools_pipe.h"

namespace torvelkan::web::testing {
namespace {

using SteadyClock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::seconds;

// The game as a player starts it, its standard output on a pipe.
class Game {
 public:
  explicit Game(const std::vector<std::string>& options) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
      return;
    }
    std::vector<std::string> arguments{TORVELKAN_BINARY};
    arguments.insert(arguments.end(), options.begin(), options.end());
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (std::string& argument : arguments) {
      argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    pid = fork();
    if (pid == 0) {
      dup2(out[1], 1);
      const int null = open("/dev/null", O_RDWR);
      dup2(null, 0);  // no terminal at all
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(out[1]);
    output = out[0];
  }
  ~Game() {
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    if (output >= 0) {
      close(output);
    }
  }
  Game(const Game&) = delete;
  Game& operator=(const Game&) = delete;

  // The address the game says to open, or "" if it said none in time.
  std::string Address(milliseconds limit) {
    const auto until = SteadyClock::now() + limit;
    std::string text;
    while (SteadyClock::now() < until && text.find('\n') == std::string::npos) {
      pollfd entry{output, POLLIN, 0};
      if (poll(&entry, 1, 50) > 0) {
        char buffer[512];
        const ssize_t n = read(output, buffer, sizeof buffer);
        if (n <= 0) {
          break;
        }
        text.append(buffer, static_cast<std::size_t>(n));
      }
    }
    const std::size_t start = text.find("http://");
    return start == std::string::npos
               ? ""
               : text.substr(start, text.find_first_of(" \n", start) - start);
  }

  // Sends the signal and returns the exit status as a shell sees it; -1
  // when the game did not end in time.
  int Stop(int signal, milliseconds limit) {
    kill(pid, signal);
    const auto until = SteadyClock::now() + limit;
    int status = 0;
    while (SteadyClock::now() < until) {
      if (waitpid(pid, &status, WNOHANG) == pid) {
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      std::this_thread::sleep_for(milliseconds(10));
    }
    return -1;
  }

 private:
  pid_t pid = -1;
  int output = -1;
};

// A folder of the test's own, removed with everything in it however the test ends.
class Folder {
 public:
  Folder() {
    std::string name = std::filesystem::temp_directory_path() / "torvelkan-web-test-XXXXXX";
    path = mkdtemp(name.data()) != nullptr ? name : "";
  }
  ~Folder() {
    std::error_code ignored;
    if (!path.empty()) {
      std::filesystem::remove_all(path, ignored);
    }
  }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;

  std::string path;
};

TEST(BrowserGame, KeysHeldInTheBrowserWalkExactlyAndThePageShowsTheGamesGrid) {
  const std::string chromium = TORVELKAN_CHROMIUM;
  if (access(chromium.c_str(), X_OK) != 0) {  // "" when none was found
    GTEST_SKIP() << "Chromium was not found (Debian's chromium package): the browser test is "
                    "skipped";
  }
  const Folder folder;
  ASSERT_FALSE(folder.path.empty());
  const std::string recordingPath = folder.path + "/fight.tvr";
  Game game({"--web", "127.0.0.1:0", "--record", recordingPath});
  const std::string address = game.Address(seconds(10));
  ASSERT_TRUE(address.starts_with("http://127.0.0.1:")) << address;

  Chromium browser(chromium);
  ASSERT_TRUE(browser.Running() && browser.Error().empty()) << browser.Error();
  const std::string session = browser.Open(address, 1000, 1000);
  ASSERT_FALSE(session.empty()) << browser.Error();
  const Page page(browser, session);
  Grid grid;

  // From the notice to the intro, the menu and a fight, all by the page's keys.
  ASSERT_TRUE(page.WaitFor([](const Grid& g) { return g.Shows("fps") && !g.Shows("Alt + Enter"); },
                           seconds(10), &grid))
      << page.Status() << "\n"
      << grid.Text();
  EXPECT_TRUE(page.Status().starts_with("Playing")) << page.Status();
  EXPECT_EQ(browser.Evaluate(session, "torvelkan.view()"), "tall");
  for (int tries = 0; tries < 20 && !page.Read().Shows("Gra"); ++tries) {
    page.Tap("Enter", "Enter", 13);
    std::this_thread::sleep_for(milliseconds(100));
  }
  ASSERT_TRUE(page.WaitFor([](const Grid& g) { return g.Shows("Gra"); }, seconds(5), &grid))
      << grid.Text();
  page.Tap("Enter", "Enter", 13);
  // Blue to a person during the countdown, before the AI has held any key.
  ASSERT_TRUE(page.WaitFor([](const Grid& g) { return g.Shows("Get Ready"); }, seconds(5), &grid))
      << grid.Text();
  page.Tap("Space", " ", 32);
  ASSERT_TRUE(page.WaitFor(Fighting, seconds(10), &grid)) << grid.Text();

  // Blue (at 100 units) to the wall on its left, out of red's way.
  page.Down("KeyA", "a", 65);
  std::this_thread::sleep_for(milliseconds(300));
  page.Up("KeyA", "a", 65);
  const Body blueAtWall = page.Settled(kBlueBody);

  // A hold of 400 ms walks 100 units each way (250 a second): the browser
  // tells the game of the release exactly.
  const auto hold = [&page](std::initializer_list<const char*> codes, milliseconds time) {
    for (const char* code : codes) {
      page.Down(code, code, std::string(code) == "ArrowLeft" ? 37 : 39);
    }
    std::this_thread::sleep_for(time);
    for (const char* code : codes) {
      page.Up(code, code, std::string(code) == "ArrowLeft" ? 37 : 39);
    }
  };
  const Body redStart = page.Settled(kRedBody);
  hold({"ArrowLeft"}, milliseconds(400));
  const Body redLeft = page.Settled(kRedBody);
  hold({"ArrowRight"}, milliseconds(400));
  const Body redBack = page.Settled(kRedBody);
  EXPECT_NEAR((redStart.column - redLeft.column) * kUnitsPerColumn, 100, 10)
      << "red from column " << redStart.column << " to " << redLeft.column;
  EXPECT_NEAR((redBack.column - redLeft.column) * kUnitsPerColumn, 100, 10)
      << "red from column " << redLeft.column << " to " << redBack.column;

  // Two keys held together both walk, 50 units in 200 ms: red's Left and
  // blue's D on the same keyboard.
  page.Down("ArrowLeft", "ArrowLeft", 37);
  page.Down("KeyD", "d", 68);
  std::this_thread::sleep_for(milliseconds(200));
  page.Up("ArrowLeft", "ArrowLeft", 37);
  page.Up("KeyD", "d", 68);
  const Body redTogether = page.Settled(kRedBody);
  const Body blueAfter = page.Settled(kBlueBody);
  EXPECT_NEAR((redBack.column - redTogether.column) * kUnitsPerColumn, 50, 10)
      << "red from column " << redBack.column << " to " << redTogether.column;
  EXPECT_NEAR((blueAfter.column - blueAtWall.column) * kUnitsPerColumn, 50, 10)
      << "blue from column " << blueAtWall.column << " to " << blueAfter.column;

  // A page that loses the focus lets go of what it holds: red stops after
  // 200 ms of a hold whose release the page never saw.
  page.Down("ArrowRight", "ArrowRight", 39);
  std::this_thread::sleep_for(milliseconds(200));
  browser.Evaluate(session, "dispatchEvent(new Event('blur'))");
  std::this_thread::sleep_for(milliseconds(300));
  const Body redBlurred = page.Settled(kRedBody);
  page.Up("ArrowRight", "ArrowRight", 39);
  EXPECT_NEAR((redBlurred.column - redTogether.column) * kUnitsPerColumn, 50, 10)
      << "red from column " << redTogether.column << " to " << redBlurred.column;

  // On an AZERTY keyboard the key at W's place types z: it still jumps blue.
  page.Down("KeyW", "z", 90);
  const bool jumped = page.WaitFor(
      [&](const Grid& g) { return BodyOf(g, kBlueBody).bottom < blueAfter.bottom - 1; }, seconds(2),
      &grid);
  page.Up("KeyW", "z", 90);
  EXPECT_TRUE(jumped) << grid.Text();

  // Ended by SIGTERM: the page keeps the game's last picture and says why.
  EXPECT_EQ(game.Stop(SIGTERM, seconds(10)), 128 + SIGTERM);
  ASSERT_TRUE(page.WaitFor(
      [&](const Grid&) { return page.Status().find("game has ended") != std::string::npos; },
      seconds(5), &grid))
      << page.Status();
  grid = page.Read();

  // The recording played again ends on the very grid the game last drew.
  const replay::Recording recording = replay::LoadRecording(recordingPath);
  MemoryDevice screen;
  replay::ReplayPlayer player(recording, screen);
  while (player.Pass()) {
  }
  ASSERT_TRUE(grid.Whole());
  EXPECT_TRUE(torvelkan::testing::SameCells(net::WireGrid(screen.LastFrame()), grid.Cells()))
      << grid.Text();
}

}  // namespace
}  // namespace torvelkan::web::testing
