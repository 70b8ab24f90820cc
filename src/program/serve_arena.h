// The arena server's mode: --serve.
#pragma once

#include "program/network_options.h"
#include "program/web_options.h"

namespace torvelkan {

// Runs an arena server until SIGTERM or SIGINT, logging to standard error,
// and returns the program's status: 0 once every client has been told. With
// web.on, browsers come in by a door of their own (the page and its
// WebSocket) as well. Throws std::runtime_error when it cannot listen.
int ServeArena(const NetworkOptions& options, const WebOptions& web);

}  // namespace torvelkan
