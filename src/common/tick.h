// The tick counter: milliseconds as an unsigned 32-bit value that wraps.
#pragma once

#include <cstdint>

namespace torvelkan {

// The Windows GetTickCount; elsewhere a monotonic clock in milliseconds.
// Only differences of ticks mean anything.
std::uint32_t GetTickCount();

}  // namespace torvelkan
