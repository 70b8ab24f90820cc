// Two people on one keyboard, the real App on the real terminal device against
// a pseudo-terminal that answers like a given kind of terminal: one speaking
// the kitty keyboard protocol (with base-layout keys), one in Windows
// Terminal's win32-input-mode, and an ordinary one whose releases are guessed.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "app/app.h"
#include "app/main_loop.h"
#include "common/keys.h"
#include "console/console_screen.h"
#include "support/fake_terminal.h"

namespace torvelkan {
namespace {

using namespace std::chrono_literals;
using testing::Answerer;
using testing::FakeTerminal;

enum class Kind { kKitty, kWin32, kOrdinary };

// A key as each kind of terminal reports it going down and up.
struct KeyBytes {
  std::uint16_t code;
  const char* kittyDown;
  const char* kittyUp;
  int scanCode;
  int character;
  const char* ordinary;
};
const KeyBytes kEsc{vk::kEscape, "\x1b[27u", "\x1b[27;1:3u", 1, 27, "\x1b"};
const KeyBytes kEnter{vk::kEnter, "\x1b[13u", "\x1b[13;1:3u", 28, 13, "\r"};
const KeyBytes kSpace{vk::kSpace, "\x1b[32u", "\x1b[32;1:3u", 57, 32, " "};
const KeyBytes kLeft{vk::kLeft, "\x1b[1;1:1D", "\x1b[1;1:3D", 75, 0, "\x1b[D"};
const KeyBytes kD{vk::kD, "\x1b[100u", "\x1b[100;1:3u", 32, 'd', "d"};

std::string Win32(const KeyBytes& key, bool down) {
  const bool enhanced = key.code == vk::kLeft;
  return "\x1b[" + std::to_string(key.code) + ";" + std::to_string(key.scanCode) + ";" +
         std::to_string(key.character) + ";" + (down ? "1" : "0") + ";" + (enhanced ? "256" : "0") +
         ";1_";
}

class TerminalKeys : public ::testing::Test {
 protected:
  void Open(Kind opened) {
    kind = opened;
    {
      Answerer answerer(terminal, kind == Kind::kKitty, true);
      device = std::make_unique<TerminalDevice>(terminal.Settings());
    }
    ASSERT_EQ(device->KittyKeyboard(), kind == Kind::kKitty);
    if (kind != Kind::kKitty) {
      // Every terminal is asked; only a win32-input-mode one answers with reports.
      ASSERT_TRUE(terminal.ReadUntil("\x1b[?9001h"));
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
  void Down(const KeyBytes& key) {
    Report(kind == Kind::kKitty   ? std::string(key.kittyDown)
           : kind == Kind::kWin32 ? Win32(key, true)
                                  : std::string(key.ordinary));
  }
  void Up(const KeyBytes& key) {
    if (kind == Kind::kKitty) {
      Report(key.kittyUp);
    } else if (kind == Kind::kWin32) {
      Report(Win32(key, false));
    }
  }
  void Tap(const KeyBytes& key) {
    Down(key);
    Up(key);
  }
  // From the notice to a fight with blue on the keyboard, the countdown over.
  Match& StartFight() {
    Run(3000);  // the notice
    Tap(kEsc);  // ends the intro
    EXPECT_NE(app->CurrentMenu(), nullptr);
    Tap(kEnter);  // the first entry starts a fight
    EXPECT_NE(app->CurrentMatch(), nullptr);
    Tap(kSpace);  // blue to the keyboard
    Match& match = *app->CurrentMatch();
    EXPECT_FALSE(match.AiEnabled());
    Run(3000);  // the countdown
    EXPECT_TRUE(match.CountdownOver());
    return match;
  }

  Kind kind = Kind::kKitty;
  FakeTerminal terminal;
  std::unique_ptr<TerminalDevice> device;
  std::unique_ptr<ConsoleScreen> screen;
  std::uint32_t now = 1000;
  std::unique_ptr<App> app;
};

TEST_F(TerminalKeys, KittyLeftAndDHeldTogetherWalkBothFightersUntilEachIsLetGo) {
  Open(Kind::kKitty);
  Match& match = StartFight();
  const float redStart = match.Red().x;
  const float blueStart = match.Blue().x;
  Down(kLeft);
  Down(kD);
  Run(200);
  EXPECT_LT(match.Red().x, redStart - 40.0f);
  EXPECT_GT(match.Blue().x, blueStart + 40.0f);

  Up(kLeft);  // red stops in that pass, blue walks on
  const float redStopped = match.Red().x;
  const float blueWalking = match.Blue().x;
  Run(100);
  EXPECT_EQ(match.Red().x, redStopped);
  EXPECT_GT(match.Blue().x, blueWalking + 20.0f);

  Up(kD);
  const float blueStopped = match.Blue().x;
  Run(100);
  EXPECT_EQ(match.Blue().x, blueStopped);
  EXPECT_EQ(match.Red().x, redStopped);
}

TEST_F(TerminalKeys, KittyAzertyZWhereWIsJumpsBlue) {
  Open(Kind::kKitty);
  EXPECT_TRUE(terminal.received.find("\x1b[>15u") != std::string::npos ||
              terminal.ReadUntil("\x1b[>15u"))
      << "alternate keys asked for";
  Match& match = StartFight();
  const float blueGround = match.Blue().y;
  Report("\x1b[122::119u");  // "z", in W's place
  Run(100);
  EXPECT_LT(match.Blue().y, blueGround - 5.0f) << "blue is in the air";
  Report("\x1b[122::119;1:3u");
}

// Holding Left 400 ms walks red 250 units a second, 100 in all, and red stops
// within a pass of the key-up; Left and D together walk both.
TEST_F(TerminalKeys, Win32InputModeHoldsWalkExactlyAndStopAtTheKeyUp) {
  Open(Kind::kWin32);
  Match& match = StartFight();
  const float redStart = match.Red().x;
  const float blueStart = match.Blue().x;
  Down(kLeft);  // one pass of it
  Down(kD);
  Run(396);
  Up(kLeft);
  EXPECT_NEAR(redStart - match.Red().x, 100.0f, 10.0f);
  const float redStopped = match.Red().x;
  const float blueWalking = match.Blue().x;
  EXPECT_GT(blueWalking, blueStart + 90.0f);
  Run(100);
  EXPECT_EQ(match.Red().x, redStopped);
  EXPECT_GT(match.Blue().x, blueWalking + 20.0f);
  Up(kD);
  const float blueStopped = match.Blue().x;
  Run(100);
  EXPECT_EQ(match.Blue().x, blueStopped);
  // An AZERTY "z" where W is: the scan code puts it there.
  const float blueGround = match.Blue().y;
  Report("\x1b[90;17;122;1;0;1_");
  Run(100);
  EXPECT_LT(match.Blue().y, blueGround - 5.0f) << "blue is in the air";
  device.reset();
  EXPECT_TRUE(terminal.ReadUntil("\x1b[?9001l")) << "the mode is turned off on the way out";
}

// Where releases are guessed, one tap is a short step: at most 25 units. The
// guess runs on the real clock, so the passes here keep to it.
TEST_F(TerminalKeys, OrdinaryTerminalTapIsAShortStep) {
  Open(Kind::kOrdinary);
  Match& match = StartFight();
  const float redStart = match.Red().x;
  Down(kLeft);
  const auto until = std::chrono::steady_clock::now() + 400ms;
  while (std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(2ms);
    Pass();
  }
  const float walked = redStart - match.Red().x;
  EXPECT_GT(walked, 0.0f);
  EXPECT_LE(walked, 25.0f);
}

}  // namespace
}  // namespace torvelkan
