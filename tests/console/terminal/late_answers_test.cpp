// A terminal still starting when the game asks (the game is its first
// program, as in a desktop entry) answers half a second late, long after the
// wait: what it offers is taken up then, and none of it is read as a key.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/keys.h"
#include "console/terminal/terminal_device.h"
#include "support/fake_terminal.h"

namespace torvelkan {
namespace {

using namespace std::chrono_literals;
using testing::FakeTerminal;

std::vector<InputRecord> ReadEvents(TerminalDevice& device, std::chrono::milliseconds during) {
  std::vector<InputRecord> events;
  const auto deadline = std::chrono::steady_clock::now() + during;
  while (std::chrono::steady_clock::now() < deadline) {
    while (device.HasInput()) {
      InputRecord record{};
      device.ReadInput(record);
      events.push_back(record);
    }
    std::this_thread::sleep_for(2ms);
  }
  return events;
}

TEST(LateAnswers, StillBringReleasesAndWholeFramesAndArePoppedOnLeaving) {
  FakeTerminal terminal;
  std::thread late([&terminal] {
    ASSERT_TRUE(terminal.ReadUntil("\x1b[c"));
    std::this_thread::sleep_for(500ms);
    terminal.Type("\x1b[?0u\x1b[?2026;2$y\x1b[?62;22c");
  });
  auto device = std::make_unique<TerminalDevice>(terminal.Settings());
  EXPECT_FALSE(device->KittyKeyboard()) << "not answered in the wait";
  late.join();
  EXPECT_TRUE(ReadEvents(*device, 100ms).empty());
  EXPECT_TRUE(device->KittyKeyboard());
  EXPECT_TRUE(device->SynchronizedOutput());
  ASSERT_TRUE(terminal.ReadUntil("\x1b[>15u"));
  const std::size_t fallback = terminal.received.find("\x1b[?9001h");
  EXPECT_NE(fallback, std::string::npos) << "asked for while it seemed to answer nothing";
  EXPECT_NE(terminal.received.find("\x1b[?9001l", fallback), std::string::npos)
      << "and turned off again for the kitty protocol";

  // A press in the form an ordinary terminal sends too: a guess would have
  // let it go within 0.8 s.
  terminal.Type("\x1b[D");
  std::vector<InputRecord> events = ReadEvents(*device, 900ms);
  ASSERT_EQ(events.size(), 1u) << "held until its release comes";
  terminal.Type("\x1b[1;1:3D");
  events = ReadEvents(*device, 50ms);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(KeyCode(events[0]), vk::kLeft);
  EXPECT_FALSE(IsKeyDown(events[0]));

  terminal.Forget();
  CellGrid grid{};
  device->Present(grid);
  ASSERT_TRUE(terminal.ReadUntil("\x1b[?2026l"));
  EXPECT_EQ(terminal.received.find("\x1b[?2026h"), 0u) << "the frame is held until whole";
  terminal.Forget();
  device.reset();
  EXPECT_TRUE(terminal.ReadUntil("\x1b[?1049l"));
  EXPECT_NE(terminal.received.find("\x1b[<u"), std::string::npos) << "the flags popped";
}

}  // namespace
}  // namespace torvelkan
