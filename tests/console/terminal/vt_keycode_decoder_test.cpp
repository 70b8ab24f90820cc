// The Linux console's raw key codes: presses, repeats and releases, with the
// modifiers the kernel would have acted on, however the bytes are split.
#include "console/terminal/vt_keycode_decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/keys.h"

namespace torvelkan {
namespace {

struct Event {
  std::uint16_t code;
  KeyAction action;
  std::uint8_t modifiers;
  friend bool operator==(const Event&, const Event&) = default;
};
using Events = std::vector<Event>;
constexpr KeyAction kDown = KeyAction::kPress;
constexpr KeyAction kAgain = KeyAction::kRepeat;
constexpr KeyAction kUp = KeyAction::kRelease;

Events Feed(VtKeycodeDecoder& decoder, const std::string& bytes) {
  std::vector<TerminalInput> out;
  decoder.Feed(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), out);
  Events events;
  for (const TerminalInput& input : out) {
    EXPECT_TRUE(input.actionReported);
    events.push_back({input.code, input.action, input.modifiers});
  }
  return events;
}

TEST(VtKeycodeDecoder, KeysByPlaceWithRepeatsReleasesAndModifiers) {
  // Linux key codes: 105 Left, 32 D (where D is on a US keyboard: on AZERTY it
  // types "d" too, on Dvorak "e"), 17 W, 29 left Ctrl, 46 C, 56 left Alt.
  struct Case {
    std::string bytes;
    Events expected;
  };
  const Case cases[] = {
      {"\x69\x20\x69\x69\xE9\xA0",
       {{vk::kLeft, kDown, 0},
        {vk::kD, kDown, 0},
        {vk::kLeft, kAgain, 0},
        {vk::kLeft, kAgain, 0},
        {vk::kLeft, kUp, 0},
        {vk::kD, kUp, 0}}},
      {"\x11\x91", {{vk::kW, kDown, 0}, {vk::kW, kUp, 0}}},
      {"\x1D\x2E\xAE\x9D",
       {{vk::kControl, kDown, kModControl},
        {vk::kC, kDown, kModControl},
        {vk::kC, kUp, kModControl},
        {vk::kControl, kUp, 0}}},
      // A code of 128 or more in three bytes (KEY_MUTE is 113 in one; 183 is F13).
      {std::string("\x00\x81\xB7\x80\x81\xB7", 6),
       {{vk::kPacket, kDown, 0}, {vk::kPacket, kUp, 0}}},
      // A broken long code starts afresh at the next byte.
      {std::string("\x00\x20", 2), {{vk::kD, kDown, 0}}},
  };
  for (const Case& c : cases) {
    VtKeycodeDecoder whole;
    EXPECT_EQ(Feed(whole, c.bytes), c.expected);
    for (std::size_t cut = 1; cut < c.bytes.size(); ++cut) {
      VtKeycodeDecoder split;
      Events events = Feed(split, c.bytes.substr(0, cut));
      const Events rest = Feed(split, c.bytes.substr(cut));
      events.insert(events.end(), rest.begin(), rest.end());
      EXPECT_EQ(events, c.expected) << "cut at " << cut;
    }
  }
}

TEST(VtKeycodeDecoder, AltWithAFunctionKeySwitchesConsolesAndLetsEverythingGo) {
  VtKeycodeDecoder decoder;
  EXPECT_EQ(decoder.TakeConsoleSwitch(), 0);
  // Left held, Alt down, F2 down: Alt and Left are let go (in key-code order),
  // console 2 asked for.
  EXPECT_EQ(Feed(decoder, "\x69\x38\x3C"), (Events{{vk::kLeft, kDown, 0},
                                                   {vk::kMenu, kDown, kModAlt},
                                                   {vk::kMenu, kUp, 0},
                                                   {vk::kLeft, kUp, 0}}));
  EXPECT_EQ(decoder.TakeConsoleSwitch(), 2);
  EXPECT_EQ(decoder.TakeConsoleSwitch(), 0);
  // Back on this console, keys are fresh presses; Alt+F12 is console 12.
  EXPECT_EQ(Feed(decoder, "\x69\x64\x58"), (Events{{vk::kLeft, kDown, 0},
                                                   {vk::kMenu, kDown, kModAlt},
                                                   {vk::kMenu, kUp, 0},
                                                   {vk::kLeft, kUp, 0}}));
  EXPECT_EQ(decoder.TakeConsoleSwitch(), 12);
  // F2 without Alt is just a key.
  EXPECT_EQ(Feed(decoder, "\x3C"), (Events{{static_cast<std::uint16_t>(vk::kF1 + 1), kDown, 0}}));
  EXPECT_EQ(decoder.TakeConsoleSwitch(), 0);
}

}  // namespace
}  // namespace torvelkan
