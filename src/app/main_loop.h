// The main loop: one input event, one step and one frame per pass.
#pragma once

#include <functional>

#include "app/app.h"
#include "console/console_screen.h"

namespace torvelkan {

// A pass lasts 2 ms: about 500 passes a second.
inline constexpr long long kPassPeriodMicroseconds = 2000;

// One pass; true ends the program.
bool RunPass(ConsoleScreen& screen, App& app);

// Runs passes until the program ends or is asked to end from outside;
// betweenPasses waits for the next pass (a test steps its clock there instead).
void RunMainLoop(ConsoleScreen& screen, App& app, const std::function<void()>& betweenPasses);

}  // namespace torvelkan
