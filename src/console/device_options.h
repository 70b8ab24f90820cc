// What the player chose on the command line about the real console device.
// Plain data: each platform's device takes what applies to it.
#pragma once

#include "console/view_choice.h"

namespace torvelkan {

struct DeviceOptions {
  // In a terminal that never reports key releases, guess them for smooth
  // holds (a tap walks on for most of a second) rather than short taps.
  bool smoothHolds = false;
  // --true-colour: the console's own colours in 24-bit colour, where the
  // terminal says it has it; otherwise the terminal's palette.
  bool trueColour = false;
  // --view: the full or the half view, or the one the console's size calls for.
  ViewChoice view = ViewChoice::kAuto;
};

}  // namespace torvelkan
