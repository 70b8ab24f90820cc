// The tick counter: milliseconds as an unsigned 32-bit value that wraps.
#pragma once

#include <cstdint>

namespace torvelkan {

// Reads the counter: the system's own on Windows, elsewhere a monotonic clock
// in milliseconds.
// Only differences of ticks mean anything.
std::uint32_t ReadTickCount();

}  // namespace torvelkan
