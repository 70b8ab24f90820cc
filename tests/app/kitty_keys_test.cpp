// Two people on one keyboard in a terminal that reports releases: each held key
// walks its fighter until that key, and only that key, is let go.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "app/app.h"
#include "app/main_loop.h"
#include "console/console_screen.h"
#include "support/fake_terminal.h"

namespace torvelkan {
namespace {

using namespace std::chrono_literals;
using testing::Answerer;
using testing::FakeTerminal;

class KittyKeys : public ::testing::Test {
 protected:
  KittyKeys() {
    {
      Answerer answerer(terminal, true, true);
      device = std::make_unique<TerminalDevice>(terminal.Settings());
    }
    screen = std::make_unique<ConsoleScreen>(*device);
    app = std::make_unique<App>(*screen, [this] { return now; });
  }

  bool Pass(std::uint32_t ms = 2) {
    now += ms;
    terminal.Drain(0);  // the terminal keeps reading, so that frames never back up
    terminal.received.clear();
    return RunPass(*screen, *app);
  }
  void Run(std::uint32_t totalMs) {
    for (std::uint32_t t = 0; t < totalMs; t += 2) {
      Pass();
    }
  }
  // The terminal reports a key; the next pass takes it.
  void Report(const std::string& bytes) {
    terminal.Type(bytes);
    const auto deadline = std::chrono::steady_clock::now() + 1s;
    while (!device->HasInput() && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(1ms);
    }
    ASSERT_TRUE(device->HasInput()) << "the report never arrived";
    Pass();
  }
  void Tap(const std::string& press, const std::string& release) {
    Report(press);
    Report(release);
  }

  FakeTerminal terminal;
  std::unique_ptr<TerminalDevice> device;
  std::unique_ptr<ConsoleScreen> screen;
  std::uint32_t now = 1000;
  std::unique_ptr<App> app;
};

TEST_F(KittyKeys, LeftAndDHeldTogetherWalkBothFightersUntilEachIsLetGo) {
  ASSERT_TRUE(device->KittyKeyboard());
  Run(3000);                        // the notice
  Tap("\x1b[27u", "\x1b[27;1:3u");  // Esc ends the intro
  ASSERT_NE(app->CurrentMenu(), nullptr);
  Tap("\x1b[13u", "\x1b[13;1:3u");  // Enter on the first entry starts a fight
  ASSERT_NE(app->CurrentMatch(), nullptr);
  Tap("\x1b[32u", "\x1b[32;1:3u");  // Space: blue to the keyboard
  Match& match = *app->CurrentMatch();
  ASSERT_FALSE(match.AiEnabled());
  Run(3000);  // the countdown
  ASSERT_TRUE(match.CountdownOver());

  const float redStart = match.Red().x;
  const float blueStart = match.Blue().x;
  Report("\x1b[1;1:1D");  // Left down
  Report("\x1b[100u");    // D down
  Run(200);
  EXPECT_LT(match.Red().x, redStart - 40.0f);
  EXPECT_GT(match.Blue().x, blueStart + 40.0f);

  Report("\x1b[1;1:3D");  // Left up: red stops in that pass, blue walks on
  const float redStopped = match.Red().x;
  const float blueWalking = match.Blue().x;
  Run(100);
  EXPECT_EQ(match.Red().x, redStopped);
  EXPECT_GT(match.Blue().x, blueWalking + 20.0f);

  Report("\x1b[100;1:3u");  // D up
  const float blueStopped = match.Blue().x;
  Run(100);
  EXPECT_EQ(match.Blue().x, blueStopped);
  EXPECT_EQ(match.Red().x, redStopped);
}

}  // namespace
}  // namespace torvelkan
