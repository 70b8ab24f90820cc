// Keys by where they sit on the keyboard rather than what they type, so that
// blue's W, A, S, D are under the left hand on any layout.
//
// Linux key codes 1 to 88 are the PC keyboard's scan codes (set 1), the same
// numbers win32-input-mode reports; a letter is named by the letter a US
// keyboard has in that place.
#pragma once

#include <cstdint>

namespace torvelkan {

// The virtual-key code of a Linux key code (the console's raw keyboard), or 0
// for a key the game has no name for.
std::uint16_t KeyForKeycode(std::uint32_t keycode);

// The letter (virtual-key code 'A' to 'Z') at this scan code's place on a US
// keyboard, or 0 when no letter sits there.
std::uint16_t LetterAtScanCode(std::uint32_t scanCode);

// The kitty protocol's base-layout key (the key's character on a US layout):
// its letter's virtual-key code, or 0 when it is not a letter.
std::uint16_t LetterOfBaseLayoutKey(std::uint32_t code);

}  // namespace torvelkan
