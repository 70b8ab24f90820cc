// Predicates for TmuxSession::WaitFor that look at more than one capture.
#include "e2e/screen_waits.h"

#include <climits>
#include <cstdlib>
#include <utility>

namespace torvelkan::e2e {

using Clock = std::chrono::steady_clock;

std::function<bool(const Screen&)> HeldFor(std::function<bool(const Screen&)> ready,
                                           std::chrono::milliseconds duration) {
  return [ready = std::move(ready), duration, holding = false,
          since = Clock::now()](const Screen& s) mutable {
    if (!ready(s)) {
      holding = false;
      return false;
    }
    if (!holding) {
      holding = true;
      since = Clock::now();
    }
    return Clock::now() - since >= duration;
  };
}

std::function<bool(const Screen&)> Steady(std::function<int(const Screen&)> value,
                                          Clock::time_point notBefore) {
  return [value = std::move(value), notBefore, settled = INT_MIN,
          since = Clock::now()](const Screen& s) mutable {
    const int v = value(s);
    const Clock::time_point now = Clock::now();
    if (now < notBefore || settled == INT_MIN || std::abs(v - settled) > 1) {
      settled = v;
      since = now;
      return false;
    }
    return now - since >= std::chrono::milliseconds(300);
  };
}

}  // namespace torvelkan::e2e
