// The tick counter on POSIX systems: the monotonic clock, cut to 32 bits.
#include <time.h>  // NOLINT(modernize-deprecated-headers): clock_gettime is POSIX's

#include "common/tick.h"

namespace torvelkan {

std::uint32_t ReadTickCount() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const auto ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                  static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<std::uint32_t>(ms);
}

}  // namespace torvelkan
