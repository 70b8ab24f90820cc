// The program's network modes: hosting a game, joining it, watching it.
#pragma once

#include "app/network_options.h"
#include "console/device_options.h"

namespace torvelkan::net {

// Runs the chosen mode to its end and returns the program's status. Faults
// before the console is taken are one line on standard error.
int PlayOverNetwork(const NetworkOptions& options, const DeviceOptions& deviceOptions);

}  // namespace torvelkan::net
