// What a terminal's input bytes mean: keys, and the replies to the device's
// own questions.
#pragma once

#include <cstdint>

namespace torvelkan {

enum class KeyAction : std::uint8_t { kPress, kRepeat, kRelease };

// Modifier bits as the device keeps them.
inline constexpr std::uint8_t kModShift = 1;
inline constexpr std::uint8_t kModAlt = 2;
inline constexpr std::uint8_t kModControl = 4;

struct TerminalInput {
  enum class Kind : std::uint8_t {
    kKey,
    kKeyboardFlagsReply,       // the terminal speaks the kitty keyboard protocol
    kDeviceAttributesReply,    // the answer virtually every terminal gives
    kSynchronizedOutputReply,  // the terminal can hold a frame back until it is whole
  };
  Kind kind = Kind::kKey;
  KeyAction action = KeyAction::kPress;
  // True when the terminal itself said press, repeat or release; an ordinary
  // terminal only ever sends presses and leaves releases to be guessed.
  bool actionReported = false;
  std::uint8_t modifiers = 0;
  std::uint16_t code = 0;  // virtual-key code
  // Where a letter counts by its place on the keyboard and the layout types
  // another one there: the letter typed, for shortcuts such as Ctrl+C; else 0.
  std::uint16_t typed = 0;

  friend bool operator==(const TerminalInput&, const TerminalInput&) = default;
};

}  // namespace torvelkan
