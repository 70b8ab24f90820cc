// The terminal device against a pseudo-terminal made by the test, which plays
// the part of the terminal: it answers the start's questions (or does not) and
// types keys, and sees every byte the device sends.
#include "console/terminal/terminal_device.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>  // NOLINT(modernize-deprecated-headers): sigaction is POSIX's
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "common/keys.h"
#include "support/fake_terminal.h"

namespace torvelkan {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::Answerer;
using testing::FakeTerminal;

std::vector<InputRecord> ReadEvents(TerminalDevice& device, std::chrono::milliseconds during) {
  std::vector<InputRecord> events;
  const auto deadline = Clock::now() + during;
  while (Clock::now() < deadline) {
    while (device.HasInput()) {
      InputRecord record{};
      device.ReadInput(record);
      events.push_back(record);
    }
    std::this_thread::sleep_for(2ms);
  }
  return events;
}

bool IsRaw(const termios& modes) { return (modes.c_lflag & (ECHO | ICANON)) == 0; }

// The rows of a whole frame: the first, and each after a line feed.
int Rows(const std::string& received) {
  const std::size_t start = received.rfind("\x1b[H");
  if (start == std::string::npos) {
    return 0;
  }
  return 1 + static_cast<int>(std::count(received.begin() + static_cast<std::ptrdiff_t>(start),
                                         received.end(), '\n'));
}

TEST(TerminalDevice, KittyTerminalGetsTheFlagsPushedAndReportsReleases) {
  FakeTerminal terminal;
  const termios before = terminal.Modes();
  {
    std::unique_ptr<TerminalDevice> device;
    {
      Answerer answerer(terminal, true, true);
      device = std::make_unique<TerminalDevice>(terminal.Settings());
    }
    EXPECT_TRUE(device->KittyKeyboard());
    EXPECT_TRUE(terminal.ReadUntil("\x1b[>15u"));
    EXPECT_EQ(terminal.received.find("\x1b[?9001h"), std::string::npos) << "kitty is preferred";
    EXPECT_NE(terminal.received.find("\x1b[?1049h"), std::string::npos);
    EXPECT_NE(terminal.received.find("\x1b[?25l"), std::string::npos);
    EXPECT_TRUE(IsRaw(terminal.Modes()));

    terminal.Type("\x1b[1;1:1D\x1b[100u\x1b[1;1:2D\x1b[1;1:3D\x1b[100;1:3u");
    const auto events = ReadEvents(*device, 100ms);
    ASSERT_EQ(events.size(), 5u);
    const std::pair<std::uint16_t, bool> expected[] = {
        {vk::kLeft, true}, {vk::kD, true}, {vk::kLeft, true}, {vk::kLeft, false}, {vk::kD, false}};
    for (std::size_t i = 0; i < events.size(); ++i) {
      EXPECT_EQ(KeyCode(events[i]), expected[i].first) << i;
      EXPECT_EQ(IsKeyDown(events[i]), expected[i].second) << i;
    }
    // With every key a sequence, Ctrl+C comes as a report: the device ends the program.
    EXPECT_FALSE(device->QuitRequested());
    terminal.Type("\x1b[99;5u");
    ReadEvents(*device, 20ms);
    EXPECT_TRUE(device->QuitRequested());
    terminal.Forget();
  }
  EXPECT_TRUE(terminal.ReadUntil("\x1b[<u"));
  EXPECT_NE(terminal.received.find("\x1b[?1049l"), std::string::npos);
  EXPECT_NE(terminal.received.find("\x1b[?25h"), std::string::npos);
  const termios after = terminal.Modes();
  EXPECT_EQ(after.c_lflag, before.c_lflag);
  EXPECT_EQ(after.c_iflag, before.c_iflag);
}

TEST(TerminalDevice, OrdinaryTerminalGetsGuessedReleases) {
  FakeTerminal terminal;
  std::unique_ptr<TerminalDevice> device;
  {
    Answerer answerer(terminal, false, true);
    device = std::make_unique<TerminalDevice>(terminal.Settings());
  }
  EXPECT_FALSE(device->KittyKeyboard());
  terminal.Drain(20);
  EXPECT_EQ(terminal.received.find("\x1b[>"), std::string::npos) << "no flags pushed";
  terminal.Type("\x1b[D");
  const auto events = ReadEvents(*device, 800ms);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_TRUE(IsKeyDown(events[0]));
  EXPECT_FALSE(IsKeyDown(events[1]));
  EXPECT_EQ(KeyCode(events[1]), vk::kLeft);
  device.reset();
  EXPECT_TRUE(terminal.ReadUntil("\x1b[?1049l"));
  EXPECT_EQ(terminal.received.find("\x1b[<u"), std::string::npos) << "nothing to pop";
  EXPECT_NE(terminal.received.find("\x1b[?9001l"), std::string::npos) << "win32-input-mode off";
}

TEST(TerminalDevice, SilentTerminalCostsAtMost200Ms) {
  FakeTerminal terminal;
  const auto start = Clock::now();
  TerminalDevice device(terminal.Settings());
  const auto took = Clock::now() - start;
  // Not 300ms: cppcheck 2.10 cannot evaluate a comparison with a duration literal.
  EXPECT_LT(took, std::chrono::milliseconds(300));
  EXPECT_GE(took, std::chrono::milliseconds(190));
  EXPECT_FALSE(device.KittyKeyboard());
}

TEST(TerminalDevice, ALateAnswerIsNeverReadAsKeys) {
  FakeTerminal terminal;
  TerminalDevice device(terminal.Settings());
  terminal.Type("\x1b[?0u\x1b[?62;22c");
  EXPECT_TRUE(ReadEvents(device, 100ms).empty());
}

TEST(TerminalDevice, SmallTerminalIsToldAndGrowingBackRedrawsEverything) {
  FakeTerminal terminal;
  TerminalDevice device(terminal.Settings());
  CellGrid grid{};
  device.Present(grid);
  terminal.Resize(70, 40);
  raise(SIGWINCH);
  // cppcheck-suppress unreachableCode ; raise returns: the device only notes the signal
  terminal.Forget();
  device.Present(grid);
  // What the half view needs, since the full view needs 50 rows.
  EXPECT_TRUE(terminal.ReadUntil("Torvelkan needs 80 x 24 cells, this terminal has 70 x 40"));
  EXPECT_EQ(terminal.received.find("\x1b[41;"), std::string::npos) << "nothing below row 40";
  EXPECT_EQ(device.TerminalColumns(), 70);
  EXPECT_EQ(device.CurrentView(), View::kHalf);

  terminal.Resize(80, 50);
  raise(SIGWINCH);
  // cppcheck-suppress unreachableCode ; as above
  terminal.Forget();
  device.Present(grid);
  // From the top-left corner all 50 rows, one after the other.
  EXPECT_TRUE(terminal.ReadUntil("\x1b[H"));
  const auto deadline = Clock::now() + std::chrono::seconds(2);
  while (Rows(terminal.received) < 50 && Clock::now() < deadline) {
    terminal.Drain(10);
  }
  EXPECT_EQ(Rows(terminal.received), 50);
  EXPECT_EQ(terminal.received.find("needs 80"), std::string::npos);
}

// The view follows the terminal's rows as they change: the half view below
// 50 rows, the full view from 50, each time on a cleared screen, redrawn whole.
TEST(TerminalDevice, TheViewFollowsTheTerminalsSize) {
  FakeTerminal terminal(80, 30);
  TerminalDevice device(terminal.Settings());
  EXPECT_EQ(device.CurrentView(), View::kHalf);
  EXPECT_EQ(device.RowsShownFrom(2), 29);
  CellGrid grid{};
  grid[0].Char.UnicodeChar = 'T';  // a character on row 0 over a blue cell,
  grid[0].Attributes = 0x07;
  grid[80].Attributes = 0x90;
  grid[81].Attributes = 0x90;                    // and a blue cell alone
  grid[std::size_t{48} * 80].Attributes = 0xC0;  // a red cell in the last pair of rows
  terminal.Forget();
  device.Present(grid);
  // Row 0 and 1 as one, the last pair on row 25, and nothing below it.
  EXPECT_TRUE(terminal.ReadUntil("\x1b[H\x1b[37;40mT\x1b[94m\xe2\x96\x84"));  // a lower half
  EXPECT_TRUE(terminal.ReadUntil("\x1b[91m\xe2\x96\x80"));                    // an upper half
  terminal.ReadAll();
  EXPECT_EQ(terminal.received.find("\x1b[26;"), std::string::npos);

  const struct {
    int rows;
    View view;
    int textRows;
    const char* afterClear;  // what the whole redraw starts with
  } steps[] = {{50, View::kFull, 48, "\x1b[H"},
               {24, View::kHalf, 23, "\x1b[0m\x1b[2J"},
               {60, View::kFull, 48, "\x1b[H"},
               {25, View::kHalf, 24, "\x1b[0m\x1b[2J"}};
  for (const auto& step : steps) {
    SCOPED_TRACE(step.rows);
    terminal.Resize(80, step.rows);
    raise(SIGWINCH);
    // cppcheck-suppress unreachableCode ; raise returns: the device only notes the signal
    terminal.Forget();
    device.Present(grid);
    EXPECT_TRUE(terminal.ReadUntil(step.afterClear));
    EXPECT_TRUE(terminal.ReadUntil("\x1b[H"));
    terminal.ReadAll();
    EXPECT_EQ(device.CurrentView(), step.view);
    EXPECT_EQ(device.RowsShownFrom(2), step.textRows);
    // The full view shows the grid's last row at row 50, the half view its
    // last pair at row 25 and leaves it out at 24.
    const bool lastRowShown = terminal.received.find("\x1b[101m") != std::string::npos ||
                              terminal.received.find("\xe2\x96\x80") != std::string::npos;
    EXPECT_EQ(lastRowShown, step.rows != 24);
    EXPECT_EQ(terminal.received.find("needs 80"), std::string::npos);
  }
}

TEST(TerminalDevice, FramesGoOutAtMostOnceIn4Ms) {
  FakeTerminal terminal;
  TerminalDevice device(terminal.Settings());
  CellGrid grid{};
  int changed = 0;
  // At least 200 frames offered over at least half a second: a loaded
  // machine takes longer, and the bound below follows the time it took.
  const auto start = Clock::now();
  while (Clock::now() - start < std::chrono::milliseconds(500) || changed <= 200) {
    grid[0].Char.UnicodeChar = static_cast<char16_t>('a' + changed++ % 26);
    device.Present(grid);
    terminal.Drain(0);
    std::this_thread::sleep_for(1ms);
  }
  const auto tookMs =
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  terminal.Drain(50);
  // After the whole first frame, each is a step back and a letter.
  std::size_t frames = 0;
  for (std::size_t at = 1; at < terminal.received.size(); ++at) {
    const char c = terminal.received[at];
    frames += c >= 'a' && c <= 'z' && terminal.received[at - 1] == '\b' ? 1 : 0;
  }
  EXPECT_LE(frames, static_cast<std::size_t>(tookMs / 4 + 1));
  EXPECT_GE(frames, 30u);
}

TEST(TerminalDevice, AWaitEndsWhenAKeyComesOrTheTimeIsUp) {
  FakeTerminal terminal;
  TerminalDevice::Settings settings = terminal.Settings();
  settings.answerWaitMs = 0;
  TerminalDevice device(settings);
  auto start = Clock::now();
  device.WaitForInput(30'000);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(29));
  EXPECT_FALSE(device.HasInput()) << "a quiet wait looks no further";

  std::thread typist([&terminal] {
    std::this_thread::sleep_for(20ms);
    terminal.Type("x");
  });
  start = Clock::now();
  device.WaitForInput(5'000'000);
  const auto waited = Clock::now() - start;
  typist.join();
  EXPECT_LT(waited, std::chrono::seconds(2));
  EXPECT_TRUE(device.HasInput());
  start = Clock::now();
  device.WaitForInput(5'000'000);  // an event waits to be read: no wait at all
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
}

TEST(TerminalDevice, AHungUpTerminalDoesNotEndEveryWaitAtOnce) {
  FakeTerminal terminal;
  TerminalDevice::Settings settings = terminal.Settings();
  settings.answerWaitMs = 0;
  TerminalDevice device(settings);
  close(terminal.master);  // the terminal's side is gone
  terminal.master = -1;
  const auto start = Clock::now();
  for (int i = 0; i < 3; ++i) {
    device.WaitForInput(10'000);
  }
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(29));
}

TEST(TerminalDevice, SynchronizedOutputWrapsEachFrameWhereTheTerminalHasIt) {
  for (const bool has : {true, false}) {
    FakeTerminal terminal;
    std::unique_ptr<TerminalDevice> device;
    {
      Answerer answerer(terminal, false, true, has);
      device = std::make_unique<TerminalDevice>(terminal.Settings());
    }
    EXPECT_TRUE(terminal.ReadUntil("\x1b[?2026$p")) << "the question is asked";
    EXPECT_EQ(device->SynchronizedOutput(), has);
    EXPECT_EQ((terminal.Modes().c_oflag & OPOST), 0u) << "a line feed only moves down";
    terminal.Forget();
    CellGrid grid{};
    device->Present(grid);
    if (has) {
      ASSERT_TRUE(terminal.ReadUntil("\x1b[?2026l"));
      EXPECT_EQ(terminal.received.find("\x1b[?2026h\x1b[H"), 0u);
    } else {
      ASSERT_TRUE(terminal.ReadUntil("\x1b[H"));
      terminal.Drain(20);
      EXPECT_EQ(terminal.received.find("2026"), std::string::npos);
    }
    // Nothing changed: nothing at all goes out, not even the marks.
    std::this_thread::sleep_for(10ms);
    terminal.received.clear();
    device->Present(grid);
    terminal.Drain(20);
    EXPECT_EQ(terminal.received, "");
    device.reset();
    EXPECT_TRUE(terminal.ReadUntil("\x1b[?1049l"));
    EXPECT_EQ(terminal.received.find("\x1b[?2026l") != std::string::npos, has)
        << "given back with the mode off";
  }
}

TEST(TerminalDevice, TrueColourOnlyWhenAskedForAndTheTerminalSaysSo) {
  const char* before = std::getenv("COLORTERM");
  const std::string saved = before != nullptr ? before : "";
  const struct {
    const char* colorterm;
    bool asked;
    bool expected;
  } cases[] = {{"truecolor", true, true},
               {"24bit", true, true},
               {nullptr, true, false},
               {"yes", true, false},
               {"truecolor", false, false}};
  for (const auto& c : cases) {
    if (c.colorterm != nullptr) {
      setenv("COLORTERM", c.colorterm, 1);
    } else {
      unsetenv("COLORTERM");
    }
    FakeTerminal terminal;
    TerminalDevice::Settings settings = terminal.Settings();
    settings.answerWaitMs = 0;
    settings.trueColour = c.asked;
    TerminalDevice device(settings);
    EXPECT_EQ(device.TrueColour(), c.expected)
        << c.asked << " " << (c.colorterm != nullptr ? c.colorterm : "-");
    CellGrid grid{};
    grid[0].Char.UnicodeChar = 'X';
    grid[0].Attributes = 0x1C;  // bright red on blue
    device.Present(grid);
    ASSERT_TRUE(terminal.ReadUntil("\x1b[H"));
    terminal.Drain(20);
    EXPECT_NE(
        terminal.received.find(c.expected ? "\x1b[38;2;255;0;0;48;2;0;0;128mX" : "\x1b[91;44mX"),
        std::string::npos);
  }
  if (before != nullptr) {
    setenv("COLORTERM", saved.c_str(), 1);
  } else {
    unsetenv("COLORTERM");
  }
}

// Ctrl+Z gives the terminal back before the process stops, and the continue
// takes it over again. The device runs in a child, which the test stops.
TEST(TerminalDevice, SuspendAndResumeGiveBackAndRetakeTheTerminal) {
  FakeTerminal terminal;
  const termios before = terminal.Modes();
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    setpgid(0, 0);  // a group of its own, so that the stop is not discarded
    TerminalDevice::Settings settings = terminal.Settings();
    settings.endBySignal = true;
    settings.answerWaitMs = 0;
    {
      TerminalDevice device(settings);
      CellGrid grid{};
      while (!device.QuitRequested()) {
        device.HasInput();
        device.Present(grid);
        usleep(2000);
      }
    }
    _exit(3);  // the device's end raises the quit signal first
  }
  ASSERT_TRUE(terminal.ReadUntil("\x1b[?1049h"));
  EXPECT_TRUE(IsRaw(terminal.Modes()));
  terminal.Forget();

  kill(child, SIGTSTP);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, WUNTRACED), child);
  ASSERT_TRUE(WIFSTOPPED(status));
  EXPECT_TRUE(terminal.ReadUntil("\x1b[?1049l"));
  EXPECT_TRUE(terminal.received.find("\x1b[?25h") != std::string::npos);
  EXPECT_EQ(terminal.Modes().c_lflag, before.c_lflag);
  terminal.Forget();

  kill(child, SIGCONT);
  EXPECT_TRUE(terminal.ReadUntil("\x1b[?1049h"));
  EXPECT_TRUE(terminal.ReadUntil("\x1b[H")) << "the whole frame again";
  EXPECT_TRUE(IsRaw(terminal.Modes()));
  terminal.Forget();

  kill(child, SIGTERM);
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
  EXPECT_TRUE(terminal.ReadUntil("\x1b[?1049l"));
  EXPECT_EQ(terminal.Modes().c_lflag, before.c_lflag);
}

// Not a terminal, or a terminal that is not the process's own (as under
// setsid): no Ctrl+C, Ctrl+Z or resize would reach the game, so it refuses.
TEST(TerminalDevice, RefusesToRunWithoutItsOwnTerminal) {
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  TerminalDevice::Settings settings;
  settings.inputFd = pipeFds[0];
  settings.outputFd = pipeFds[1];
  EXPECT_THROW(TerminalDevice device(settings), std::runtime_error);
  close(pipeFds[0]);
  close(pipeFds[1]);

  FakeTerminal terminal;  // never this test's controlling terminal
  const termios before = terminal.Modes();
  settings = terminal.Settings();
  settings.mustBeControllingTerminal = true;
  try {
    TerminalDevice device(settings);
    ADD_FAILURE() << "took a terminal that is not its own";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find("controlling terminal"), std::string::npos);
    EXPECT_EQ(std::string(error.what()).find('\n'), std::string::npos) << "one line";
  }
  terminal.Drain(20);
  EXPECT_TRUE(terminal.received.empty()) << "nothing sent";
  EXPECT_EQ(terminal.Modes().c_lflag, before.c_lflag);
}

}  // namespace
}  // namespace torvelkan
