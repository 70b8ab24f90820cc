// The terminal device on a Linux console, played by a pseudo-terminal and a
// fake of the keyboard-mode calls: the console's raw keyboard is on while the
// game runs and put back on every way out, a stop and a crash included.
#include <signal.h>  // NOLINT(modernize-deprecated-headers): kill is POSIX's
#include <sys/mman.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "common/keys.h"
#include "console/terminal/terminal_device.h"
#include "support/fake_terminal.h"

namespace torvelkan {
namespace {

using namespace std::chrono_literals;
using testing::FakeTerminal;

// What the fake console knows; in shared memory, so that a child's calls show.
struct FakeConsole {
  bool isConsole = true;
  int mode = kKeyboardUnicode;
  int sets = 0;
  int activated = 0;
};
FakeConsole* console = nullptr;

int FakeGet(int /*fd*/, int* mode) {
  if (!console->isConsole) {
    return -1;
  }
  *mode = console->mode;
  return 0;
}
int FakeSet(int /*fd*/, int mode) {
  console->mode = mode;
  ++console->sets;
  return 0;
}
int FakeActivate(int /*fd*/, int number) {
  console->activated = number;
  return 0;
}

class VtConsole : public ::testing::Test {
 protected:
  VtConsole() {
    void* shared = mmap(nullptr, sizeof(FakeConsole), PROT_READ | PROT_WRITE,
                        MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    console = new (shared) FakeConsole;
  }
  ~VtConsole() override {
    munmap(console, sizeof(FakeConsole));
    console = nullptr;
  }
  TerminalDevice::Settings Settings() const {
    TerminalDevice::Settings settings = terminal.Settings();
    settings.answerWaitMs = 20;
    settings.keyboardCalls = {FakeGet, FakeSet, FakeActivate};
    return settings;
  }
  // The keys read until `until` holds or a generous time is up.
  std::vector<std::pair<std::uint16_t, bool>> Keys(
      const std::function<bool(const std::vector<std::pair<std::uint16_t, bool>>&)>& until) {
    std::vector<std::pair<std::uint16_t, bool>> keys;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!until(keys) && std::chrono::steady_clock::now() < deadline) {
      while (device->HasInput()) {
        InputRecord record{};
        device->ReadInput(record);
        keys.emplace_back(KeyCode(record), IsKeyDown(record));
      }
      std::this_thread::sleep_for(2ms);
    }
    return keys;
  }

  FakeTerminal terminal;
  std::unique_ptr<TerminalDevice> device;
};

TEST_F(VtConsole, RawKeyboardWhilePlayingTrueReleasesAndTheKernelsKeysDoneByTheGame) {
  const termios before = terminal.Modes();
  device = std::make_unique<TerminalDevice>(Settings());
  ASSERT_TRUE(device->RawConsoleKeyboard());
  EXPECT_EQ(console->mode, kKeyboardMediumRaw);
  EXPECT_EQ(device->SavedKeyboardMode(), kKeyboardUnicode);
  EXPECT_EQ(device->KeyboardFd(), terminal.slave);
  EXPECT_EQ(terminal.Modes().c_lflag & ISIG, 0u) << "key codes must not become signals";
  terminal.Drain(20);
  EXPECT_EQ(terminal.received.find("\x1b[?9001h"), std::string::npos);

  // Left and D (where D is on a US keyboard) down, Left up, D up: true releases.
  terminal.Type("\x69\x20\xE9");
  terminal.Type("\xA0");
  using K = std::pair<std::uint16_t, bool>;
  EXPECT_EQ(
      Keys([](const std::vector<K>& keys) { return keys.size() >= 4; }),
      (std::vector<K>{{vk::kLeft, true}, {vk::kD, true}, {vk::kLeft, false}, {vk::kD, false}}));
  // Alt+F2 switches consoles, as the kernel would have.
  terminal.Type("\x38\x3C\xBC\xB8");
  Keys([](const std::vector<K>&) { return console->activated != 0; });
  EXPECT_EQ(console->activated, 2);
  // Ctrl+C ends the game.
  EXPECT_FALSE(device->QuitRequested());
  terminal.Type("\x1D\x2E");
  Keys([this](const std::vector<K>&) { return device->QuitRequested(); });
  EXPECT_TRUE(device->QuitRequested());

  device.reset();
  EXPECT_EQ(console->mode, kKeyboardUnicode);
  EXPECT_EQ(terminal.Modes().c_lflag, before.c_lflag);
}

TEST_F(VtConsole, LeftAloneWhereItIsNoConsoleOrAGraphicalSessionHasIt) {
  console->isConsole = false;
  device = std::make_unique<TerminalDevice>(Settings());
  EXPECT_FALSE(device->RawConsoleKeyboard());
  EXPECT_EQ(device->SavedKeyboardMode(), -1);
  EXPECT_TRUE(terminal.ReadUntil("\x1b[?9001h")) << "then win32-input-mode is asked for";
  device.reset();

  console->isConsole = true;
  console->mode = kKeyboardOff;
  device = std::make_unique<TerminalDevice>(Settings());
  EXPECT_FALSE(device->RawConsoleKeyboard());
  device.reset();
  EXPECT_EQ(console->sets, 0);
  EXPECT_EQ(console->mode, kKeyboardOff);
}

// The device runs in a child, which the test stops, continues and crashes.
TEST_F(VtConsole, PutBackOnAStopAndOnACrash) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    setpgid(0, 0);  // a group of its own, so that the stop is not discarded
    TerminalDevice::Settings settings = Settings();
    settings.endBySignal = true;
    TerminalDevice running(settings);
    CellGrid grid{};
    for (;;) {
      running.HasInput();
      running.Present(grid);
      usleep(2000);
    }
  }
  const auto waitForMode = [](int mode) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (console->mode != mode && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(2ms);
    }
    return console->mode == mode;
  };
  ASSERT_TRUE(waitForMode(kKeyboardMediumRaw));
  kill(child, SIGTSTP);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, WUNTRACED), child);
  ASSERT_TRUE(WIFSTOPPED(status));
  EXPECT_EQ(console->mode, kKeyboardUnicode) << "given back before the stop";

  kill(child, SIGCONT);
  EXPECT_TRUE(waitForMode(kKeyboardMediumRaw)) << "taken again on the continue";
  kill(child, SIGSEGV);
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGSEGV) << status;
  EXPECT_EQ(console->mode, kKeyboardUnicode) << "a crash puts the keyboard back too";
}

}  // namespace
}  // namespace torvelkan
