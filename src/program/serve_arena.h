// The arena server's mode: --serve.
#pragma once

#include "program/network_options.h"

namespace torvelkan {

// Runs an arena server until SIGTERM or SIGINT, logging to standard error,
// and returns the program's status: 0 once every client has been told.
// Throws std::runtime_error when it cannot listen.
int ServeArena(const NetworkOptions& options);

}  // namespace torvelkan
