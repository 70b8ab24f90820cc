// Frame pacing on Windows.
//
// An ordinary Sleep lasts a whole scheduler tick (about 15.6 ms), far longer
// than a 2 ms pass. A high-resolution waitable timer (Windows 10 1803 and
// later) wakes on time without touching the system's timer; on older systems
// the timer resolution is raised to 1 ms for the life of the pacer instead.
#include "common/windows_api.h"
// timeapi.h needs the types windows.h declares
#include <timeapi.h>

#include <type_traits>

#include "common/frame_pacer.h"
#include "common/monotonic_clock.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace torvelkan {
namespace {

static_assert(std::is_same_v<HANDLE, void*>, "the pacer holds its timer as a void*");

}  // namespace

FramePacer::FramePacer(std::int64_t periodMicroseconds)
    : periodUs(periodMicroseconds), deadlineUs(MonotonicMicroseconds() + periodMicroseconds) {
  timer = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                 TIMER_ALL_ACCESS);
  if (timer == nullptr) {
    raisedResolution = timeBeginPeriod(1) == TIMERR_NOERROR;
    timer = CreateWaitableTimerW(nullptr, FALSE, nullptr);
  }
}

FramePacer::~FramePacer() {
  if (timer != nullptr) {
    CloseHandle(timer);
  }
  if (raisedResolution) {
    timeEndPeriod(1);
  }
}

void FramePacer::Wait() {
  const std::int64_t now = MonotonicMicroseconds();
  if (now < deadlineUs) {
    if (timer != nullptr) {
      LARGE_INTEGER due;
      due.QuadPart = -(deadlineUs - now) * 10;  // relative, in 100 ns units
      if (SetWaitableTimer(timer, &due, 0, nullptr, nullptr, FALSE)) {
        WaitForSingleObject(timer, INFINITE);
      }
    } else {
      Sleep(static_cast<DWORD>((deadlineUs - now + 999) / 1000));
    }
    deadlineUs += periodUs;
  } else {
    deadlineUs = now + periodUs;
  }
}

}  // namespace torvelkan
