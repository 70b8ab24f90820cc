// The program's network modes: hosting a game, joining it, watching it, and
// the arena's server and client.
#pragma once

#include <string>

#include "console/device_options.h"
#include "program/network_options.h"

namespace torvelkan::net {

// Runs the chosen mode to its end and returns the program's status. Faults
// before the console is taken are one line on standard error. A host with a
// recordPath records its session there, the guest's part included.
int PlayOverNetwork(const NetworkOptions& options, const DeviceOptions& deviceOptions,
                    const std::string& recordPath, const std::string& programVersion);

}  // namespace torvelkan::net
