// The key reports of win32-input-mode.
#include "console/terminal/win32_input.h"

#include <algorithm>
#include <array>

#include "common/keys.h"
#include "console/terminal/key_names.h"
#include "console/terminal/key_positions.h"

namespace torvelkan {
namespace {

constexpr std::size_t kFields = 6;
constexpr std::uint32_t kLargest = 1'000'000;

// The control-key state's bits, as the Windows console defines them.
constexpr std::uint32_t kRightAlt = 0x01;
constexpr std::uint32_t kLeftAlt = 0x02;
constexpr std::uint32_t kRightCtrl = 0x04;
constexpr std::uint32_t kLeftCtrl = 0x08;
constexpr std::uint32_t kShiftPressed = 0x10;
constexpr std::uint32_t kEnhancedKey = 0x100;

std::uint8_t Modifiers(std::uint32_t state) {
  std::uint8_t modifiers = 0;
  if ((state & kShiftPressed) != 0) {
    modifiers |= kModShift;
  }
  if ((state & (kLeftAlt | kRightAlt)) != 0) {
    modifiers |= kModAlt;
  }
  if ((state & (kLeftCtrl | kRightCtrl)) != 0) {
    modifiers |= kModControl;
  }
  return modifiers;
}

}  // namespace

bool DecodeWin32Report(const unsigned char* begin, const unsigned char* end,
                       std::vector<TerminalInput>& out) {
  std::array<std::uint32_t, kFields> value{};
  std::array<bool, kFields> given{};
  std::size_t field = 0;
  for (const unsigned char* c = begin; c != end; ++c) {
    if (*c >= '0' && *c <= '9') {
      value[field] = std::min<std::uint32_t>(value[field] * 10 + (*c - '0'), kLargest);
      given[field] = true;
    } else if (*c == ';' && field + 1 < kFields) {
      ++field;
    } else {
      return false;
    }
  }
  const std::uint32_t vkCode = value[0];
  const std::uint32_t scanCode = value[1];
  const std::uint32_t character = value[2];
  const std::uint32_t down = value[3];
  const std::uint32_t state = value[4];
  const std::uint32_t repeats = given[5] && value[5] > 0 ? value[5] : 1;
  if (down > 1 || vkCode > 0xFE) {
    return false;
  }
  TerminalInput input;
  input.code = static_cast<std::uint16_t>(vkCode);
  if (input.code == 0) {
    // A character with no key behind it (typed by an input method, say).
    if (character == 0) {
      return false;
    }
    const std::uint16_t key = KeyForCharacter(character);
    input.code = key != 0 ? key : vk::kPacket;
  }
  const std::uint16_t letter = LetterAtScanCode(scanCode);
  if (letter != 0 && letter != input.code && (state & kEnhancedKey) == 0) {
    input.typed = input.code;
    input.code = letter;
  }
  input.modifiers = Modifiers(state);
  input.actionReported = true;
  if (down == 0) {
    input.action = KeyAction::kRelease;
    out.push_back(input);
    return true;
  }
  for (std::uint32_t i = 0; i < std::min(repeats, kWin32MostRepeats); ++i) {
    input.action = i == 0 ? KeyAction::kPress : KeyAction::kRepeat;
    out.push_back(input);
  }
  return true;
}

}  // namespace torvelkan
