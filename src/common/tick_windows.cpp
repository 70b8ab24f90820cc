// The tick counter on Windows is the system's own.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include "common/tick.h"

namespace torvelkan {

std::uint32_t GetTickCount() { return static_cast<std::uint32_t>(::GetTickCount()); }

}  // namespace torvelkan
