// The monotonic clock on Windows: the performance counter.
#include "common/windows_api.h"

#include "common/monotonic_clock.h"

namespace torvelkan {

std::int64_t MonotonicMicroseconds() {
  static const std::int64_t frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<std::int64_t>(f.QuadPart);
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<std::int64_t>(now.QuadPart / frequency * 1000000 +
                                   now.QuadPart % frequency * 1000000 / frequency);
}

}  // namespace torvelkan
