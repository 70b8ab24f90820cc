// The game played in a web browser: --web.
#pragma once

#include <string>

#include "program/web_options.h"

namespace torvelkan {

// Serves the page, prints the address to open and runs the game with the
// browser as its screen and keyboard, to its end; returns the program's
// status (128 + the signal when a signal ended it). Faults before the game
// starts throw std::runtime_error with one line. With a recordPath the
// session is written there as it goes.
int PlayInBrowser(const WebOptions& options, const std::string& recordPath,
                  const std::string& programVersion);

}  // namespace torvelkan
