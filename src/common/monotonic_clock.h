// A monotonic clock in microseconds, for the main loop's schedule.
#pragma once

#include <cstdint>

namespace torvelkan {

// Microseconds since an arbitrary start; never goes back.
std::int64_t MonotonicMicroseconds();

}  // namespace torvelkan
