// The Linux console's raw keyboard.
#include "console/terminal/vt_keycode_decoder.h"

#include "common/keys.h"
#include "console/terminal/key_positions.h"

namespace torvelkan {
namespace {

// Linux key codes of the modifiers and of F1 to F12.
constexpr std::uint32_t kLeftCtrl = 29;
constexpr std::uint32_t kLeftShift = 42;
constexpr std::uint32_t kRightShift = 54;
constexpr std::uint32_t kLeftAlt = 56;
constexpr std::uint32_t kF1 = 59;
constexpr std::uint32_t kF10 = 68;
constexpr std::uint32_t kF11 = 87;
constexpr std::uint32_t kF12 = 88;
constexpr std::uint32_t kRightCtrl = 97;
constexpr std::uint32_t kRightAlt = 100;

int FunctionKeyNumber(std::uint32_t keycode) {
  if (keycode >= kF1 && keycode <= kF10) {
    return static_cast<int>(keycode - kF1) + 1;
  }
  if (keycode == kF11 || keycode == kF12) {
    return static_cast<int>(keycode - kF11) + 11;
  }
  return 0;
}

}  // namespace

void VtKeycodeDecoder::Feed(const unsigned char* data, std::size_t size,
                            std::vector<TerminalInput>& out) {
  for (std::size_t i = 0; i < size; ++i) {
    const unsigned char byte = data[i];
    if (partial > 0 && (byte & 0x80u) != 0) {
      if (partial == 1) {
        partialHigh = byte & 0x7Fu;
        partial = 2;
      } else {
        partial = 0;
        Key((partialHigh << 7) | (byte & 0x7Fu), !partialUp, out);
      }
      continue;
    }
    partial = 0;  // a byte that cannot go on a long code starts afresh
    const std::uint32_t keycode = byte & 0x7Fu;
    const bool up = (byte & 0x80u) != 0;
    if (keycode == 0) {
      partial = 1;
      partialUp = up;
      continue;
    }
    Key(keycode, !up, out);
  }
}

std::uint8_t VtKeycodeDecoder::Modifiers() const {
  std::uint8_t modifiers = 0;
  if (held[kLeftShift] || held[kRightShift]) {
    modifiers |= kModShift;
  }
  if (held[kLeftAlt] || held[kRightAlt]) {
    modifiers |= kModAlt;
  }
  if (held[kLeftCtrl] || held[kRightCtrl]) {
    modifiers |= kModControl;
  }
  return modifiers;
}

void VtKeycodeDecoder::Key(std::uint32_t keycode, bool down, std::vector<TerminalInput>& out) {
  const int console = FunctionKeyNumber(keycode);
  if (down && console != 0 && (Modifiers() & kModAlt) != 0) {
    // The keyboard goes to another console: what is held now is let go
    // there, out of sight.
    ReleaseAll(out);
    consoleSwitch = console;
    return;
  }
  TerminalInput input;
  const std::uint16_t key = KeyForKeycode(keycode);
  input.code = key != 0 ? key : vk::kPacket;  // any key still ends the intro
  input.actionReported = true;
  const bool tracked = keycode < kTracked;
  if (!down) {
    if (tracked) {
      held.reset(keycode);
    }
    input.modifiers = Modifiers();
    input.action = KeyAction::kRelease;
    out.push_back(input);
    return;
  }
  const bool again = tracked && held[keycode];
  if (tracked) {
    held.set(keycode);
  }
  input.modifiers = Modifiers();
  input.action = again ? KeyAction::kRepeat : KeyAction::kPress;
  out.push_back(input);
}

void VtKeycodeDecoder::ReleaseAll(std::vector<TerminalInput>& out) {
  for (std::size_t keycode = 1; keycode < kTracked; ++keycode) {
    if (held[keycode]) {
      TerminalInput input;
      const std::uint16_t key = KeyForKeycode(static_cast<std::uint32_t>(keycode));
      input.code = key != 0 ? key : vk::kPacket;
      input.action = KeyAction::kRelease;
      input.actionReported = true;
      out.push_back(input);
    }
  }
  held.reset();
}

int VtKeycodeDecoder::TakeConsoleSwitch() {
  const int console = consoleSwitch;
  consoleSwitch = 0;
  return console;
}

}  // namespace torvelkan
