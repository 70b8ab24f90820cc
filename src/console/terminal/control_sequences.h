// What a whole control sequence from the terminal means: a key (the ordinary
// terminals' sequences, the kitty keyboard protocol's reports and
// win32-input-mode's), a reply to the device's own questions, or the start of
// a bracketed paste. Pure, like the decoder that cuts the sequences out.
#pragma once

#include <vector>

#include "console/terminal/terminal_input.h"

namespace torvelkan {

// The bytes of one control sequence between its "ESC [" and its final byte.
// Appends the key or reply they mean, or nothing where they mean neither;
// returns true where they start a bracketed paste instead.
bool DecodeWholeSequence(const unsigned char* begin, const unsigned char* end, unsigned char final,
                         std::vector<TerminalInput>& out);

}  // namespace torvelkan
