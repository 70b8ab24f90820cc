// Watching a recorded session: --replay FILE.
#pragma once

#include <string>

#include "console/device_options.h"

namespace torvelkan {

// Plays the recording at path to its end and returns the program's status. A
// file that cannot be read throws before the console is taken; one cut short
// is played as far as it goes, then named on standard error.
int WatchRecording(const std::string& path, const DeviceOptions& deviceOptions);

}  // namespace torvelkan
