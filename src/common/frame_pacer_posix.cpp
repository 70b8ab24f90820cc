// Frame pacing on POSIX systems: an absolute sleep on the monotonic clock.
#include <time.h>  // NOLINT(modernize-deprecated-headers): clock_gettime is POSIX's

#include "common/frame_pacer.h"

namespace torvelkan {
namespace {

std::int64_t NowMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

}  // namespace

FramePacer::FramePacer(std::int64_t periodMicroseconds)
    : periodUs(periodMicroseconds), deadlineUs(NowMicroseconds() + periodMicroseconds) {}

FramePacer::~FramePacer() = default;

void FramePacer::Wait() {
  const std::int64_t now = NowMicroseconds();
  if (now < deadlineUs) {
    timespec until{};
    until.tv_sec = static_cast<time_t>(deadlineUs / 1000000);
    until.tv_nsec = static_cast<long>((deadlineUs % 1000000) * 1000);
    // A signal cuts the sleep short; the loop then sees it one pass earlier.
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr);
    deadlineUs += periodUs;
  } else {
    deadlineUs = now + periodUs;
  }
}

}  // namespace torvelkan
