// Frame pacing on POSIX systems: an absolute sleep on the monotonic clock.
#include <time.h>  // NOLINT(modernize-deprecated-headers): clock_gettime is POSIX's

#include "common/frame_pacer.h"
#include "common/monotonic_clock.h"

namespace torvelkan {

FramePacer::FramePacer(std::int64_t periodMicroseconds)
    : periodUs(periodMicroseconds), deadlineUs(MonotonicMicroseconds() + periodMicroseconds) {}

FramePacer::~FramePacer() = default;

void FramePacer::Wait() {
  const std::int64_t now = MonotonicMicroseconds();
  if (now < deadlineUs) {
    timespec until{};
    until.tv_sec = static_cast<time_t>(deadlineUs / 1000000);
    until.tv_nsec = static_cast<long>((deadlineUs % 1000000) * 1000);
    // The deadline is on CLOCK_MONOTONIC, the clock MonotonicMicroseconds
    // reads. A signal cuts the sleep short; the loop then sees it one pass earlier.
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr);
    deadlineUs += periodUs;
  } else {
    deadlineUs = now + periodUs;
  }
}

}  // namespace torvelkan
