// Holds each pass of the main loop to a fixed period by sleeping to its deadline.
//
// The game moves shots, debris and gravity once per pass, so an unpaced loop
// would run the game at whatever speed the machine spins. A pass that ran late
// starts the next period from now: no debt piles up.
#pragma once

#include <cstdint>

namespace torvelkan {

class FramePacer {
 public:
  explicit FramePacer(std::int64_t periodMicroseconds);
  // NOLINTNEXTLINE(performance-trivially-destructible): the Windows pacer has timers to give back
  ~FramePacer();
  FramePacer(const FramePacer&) = delete;
  FramePacer& operator=(const FramePacer&) = delete;

  // Sleeps until the end of the current period, then starts the next one.
  void Wait();

 private:
  std::int64_t periodUs;
  std::int64_t deadlineUs;  // on the platform's monotonic clock
#ifdef _WIN32
  // Each pacer owns its timer, so a second pacer neither takes nor closes it.
  void* timer = nullptr;  // a HANDLE: this header stays free of <windows.h>
  bool raisedResolution = false;
#endif
};

}  // namespace torvelkan
