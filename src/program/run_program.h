// The whole program but its entry: the command line read and acted on.
#pragma once

#include <span>

namespace torvelkan {

// Runs what the arguments (the program's name left out) ask for and returns
// the program's exit status. Every fault ends as one line on standard error,
// written once the console has been given back.
int RunProgram(std::span<const char* const> arguments);

}  // namespace torvelkan
