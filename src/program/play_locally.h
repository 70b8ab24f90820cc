// The game on this machine alone: two players at one keyboard, or one against the AI.
#pragma once

#include <string>

#include "console/device_options.h"

namespace torvelkan {

// Runs the game to its end and returns the program's status. With a
// recordPath the session is written there as it goes.
int PlayLocally(const DeviceOptions& deviceOptions, const std::string& recordPath,
                const std::string& programVersion);

}  // namespace torvelkan
