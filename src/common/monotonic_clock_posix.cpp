// The monotonic clock on POSIX systems.
#include <time.h>  // NOLINT(modernize-deprecated-headers): clock_gettime is POSIX's

#include "common/monotonic_clock.h"

namespace torvelkan {

std::int64_t MonotonicMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

}  // namespace torvelkan
