// Which colours a terminal can show, from what its environment says.
#pragma once

namespace torvelkan {

// True when COLORTERM (given as it is, or null when unset) says the terminal
// takes 24-bit colour: "truecolor" or "24bit".
bool SaysTrueColour(const char* colorterm);

}  // namespace torvelkan
