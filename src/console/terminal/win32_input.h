// The key reports of win32-input-mode: once asked with CSI ? 9001 h, Windows
// Terminal and the terminals built like it report every key down and up as
//   CSI Vk ; Sc ; Uc ; Kd ; Cs ; Rc _
// (virtual-key code, scan code, character, 1 down / 0 up, control-key state,
// repeat count), with the modifier keys as keys of their own. Omitted numbers
// are 0, except the repeat count, which is 1. Pure, like the rest of decoding.
#pragma once

#include <cstdint>
#include <vector>

#include "console/terminal/terminal_input.h"

namespace torvelkan {

// At most this many key-downs come from one report's repeat count.
inline constexpr std::uint32_t kWin32MostRepeats = 8;

// Decodes the parameter bytes between CSI and '_' of one report and appends
// its events. A letter is named by its place on the keyboard (the scan code),
// so blue's keys sit in the same place on any layout. Returns false, adding
// nothing, when the bytes are not a well-formed report.
bool DecodeWin32Report(const unsigned char* begin, const unsigned char* end,
                       std::vector<TerminalInput>& out);

}  // namespace torvelkan
