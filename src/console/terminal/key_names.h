// Virtual-key codes for what terminals send: characters and the numbered keys
// of the escape sequences.
#pragma once

#include <cstdint>

namespace torvelkan {

// The key that types this character on a US keyboard, or 0 when there is none.
// Letters of either case give their upper-case code.
std::uint16_t KeyForCharacter(std::uint32_t codepoint);

// The kitty keyboard protocol's code of a key: a character, or one of its
// private-use numbers for keys that type nothing. Never 0: a key the game
// does not know still ends the intro.
std::uint16_t KeyForKittyCode(std::uint32_t code);

// The number of a "CSI number ~" sequence: 2 Insert, 3 Delete, 15 F5...; 0 when unknown.
std::uint16_t KeyForTildeNumber(std::uint32_t number);

// The final letter of "CSI 1 ; m X" and "SS3 X": arrows, Home, End, F1 to F4; 0 when unknown.
std::uint16_t KeyForFinalLetter(char final);

}  // namespace torvelkan
