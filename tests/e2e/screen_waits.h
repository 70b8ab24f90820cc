// Predicates for TmuxSession::WaitFor that look at more than one capture.
#pragma once

#include <chrono>
#include <functional>

#include "e2e/tmux_session.h"

namespace torvelkan::e2e {

// Holds once ready has held in every capture for duration.
std::function<bool(const Screen&)> HeldFor(std::function<bool(const Screen&)> ready,
                                           std::chrono::milliseconds duration);

// Holds once value has stayed within one of where it settled for 300 ms,
// counted from no sooner than notBefore.
std::function<bool(const Screen&)> Steady(std::function<int(const Screen&)> value,
                                          std::chrono::steady_clock::time_point notBefore);

}  // namespace torvelkan::e2e
