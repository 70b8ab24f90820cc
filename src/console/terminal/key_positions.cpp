// Keys by where they sit on the keyboard.
#include "console/terminal/key_positions.h"

#include <array>

#include "common/keys.h"

namespace torvelkan {
namespace {

// Linux key codes 0 to 127 (KEY_ESC = 1 ... KEY_COMPOSE = 127), as virtual-key
// codes. The keypad gives its digits whatever Num Lock says: the console's raw
// keyboard does not tell.
constexpr std::array<std::uint16_t, 128> kKeycodes = {
    0, vk::kEscape, '1', '2', '3', '4', '5', '6', '7', '8', '9', '0', vk::kOemMinus, vk::kOemPlus,
    vk::kBack, vk::kTab,
    // 16: the top row of letters
    'Q', 'W', 'E', 'R', 'T', 'Y', 'U', 'I', 'O', 'P', vk::kOem4, vk::kOem6, vk::kEnter,
    vk::kControl,
    // 30: the middle row
    'A', 'S', 'D', 'F', 'G', 'H', 'J', 'K', 'L', vk::kOem1, vk::kOem7, vk::kOem3, vk::kShift,
    vk::kOem5,
    // 44: the bottom row
    'Z', 'X', 'C', 'V', 'B', 'N', 'M', vk::kOemComma, vk::kOemPeriod, vk::kOem2, vk::kShift,
    vk::kMultiply, vk::kMenu, vk::kSpace, vk::kCapital,
    // 59: F1 to F10, the locks and the keypad
    vk::kF1, vk::kF1 + 1, vk::kF1 + 2, vk::kF1 + 3, vk::kF1 + 4, vk::kF1 + 5, vk::kF1 + 6,
    vk::kF1 + 7, vk::kF1 + 8, vk::kF1 + 9, vk::kNumLock, vk::kScroll, vk::kNumpad0 + 7,
    vk::kNumpad0 + 8, vk::kNumpad0 + 9, vk::kSubtract, vk::kNumpad0 + 4, vk::kNumpad0 + 5,
    vk::kNumpad0 + 6, vk::kAdd, vk::kNumpad0 + 1, vk::kNumpad0 + 2, vk::kNumpad0 + 3, vk::kNumpad0,
    vk::kDecimal,
    // 84: nothing, the extra key of European keyboards (VK_OEM_102), F11, F12
    0, 0, 0xE2, vk::kF1 + 10, vk::kF1 + 11,
    // 89 to 95: Japanese and Korean keys the game has no use for
    0, 0, 0, 0, 0, 0, 0,
    // 96: keypad Enter, right Ctrl, keypad /, Print Screen, right Alt
    vk::kEnter, vk::kControl, vk::kDivide, vk::kSnapshot, vk::kMenu,
    // 101: line feed, then the block of six and the arrows
    0, vk::kHome, vk::kUp, vk::kPrior, vk::kLeft, vk::kRight, vk::kEnd, vk::kDown, vk::kNext,
    vk::kInsert, vk::kDelete,
    // 112 to 118: macro, mute, volume, power, keypad = and +-
    0, 0, 0, 0, 0, 0, 0,
    // 119: Pause, 120 to 124 unused here, then the Windows keys and the menu key
    vk::kPause, 0, 0, 0, 0, 0, vk::kLWin, vk::kRWin, vk::kApps};

}  // namespace

std::uint16_t KeyForKeycode(std::uint32_t keycode) {
  return keycode < kKeycodes.size() ? kKeycodes[keycode] : 0;
}

std::uint16_t LetterAtScanCode(std::uint32_t scanCode) {
  const std::uint16_t key = KeyForKeycode(scanCode);
  return key >= vk::kA && key <= vk::kZ ? key : 0;
}

std::uint16_t LetterOfBaseLayoutKey(std::uint32_t code) {
  if (code >= 'a' && code <= 'z') {
    return static_cast<std::uint16_t>(code - 'a' + vk::kA);
  }
  return 0;
}

}  // namespace torvelkan
