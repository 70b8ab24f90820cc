// The console's sixteen colours on a terminal: as the terminal's own palette
// numbers or as 24-bit colour, and which of the two a terminal can show.
#pragma once

#include <string>

namespace torvelkan {

// Appends one SGR parameter for a console colour (bit 0 blue, 1 green, 2 red,
// 3 bright), as a foreground or a background: 30-37 or 90-97 (40-47 or
// 100-107), or 38;2;r;g;b (48;2;r;g;b) with the console's own red, green and
// blue in 24-bit colour.
void AppendColourParameter(int colour, bool background, bool trueColour, std::string& out);

// True when COLORTERM (given as it is, or null when unset) says the terminal
// takes 24-bit colour: "truecolor" or "24bit".
bool SaysTrueColour(const char* colorterm);

}  // namespace torvelkan
