// Half a minute idle in the main menu, recorded as the terminal would receive
// it: the real App on the memory device, the clock moved 2 ms a pass, and a
// frame kept after every fifth pass, as the loop shows them.
#pragma once

#include <cstdint>
#include <vector>

#include "console/console_types.h"

namespace torvelkan::bench {

inline constexpr std::uint32_t kIdleMenuMs = 30000;

// The same frames every time: the clock and the seed are fixed.
std::vector<CellGrid> RecordIdleMenu();

}  // namespace torvelkan::bench
