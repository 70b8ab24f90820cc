// The tick counter on Windows is the system's own.
#include "common/windows_api.h"

#include "common/tick.h"

namespace torvelkan {

std::uint32_t ReadTickCount() { return static_cast<std::uint32_t>(::GetTickCount()); }

}  // namespace torvelkan
