// The real console device of this platform, chosen at build time: the one way
// to make it from the player's options, and how the main loop waits beside it.
#pragma once

#include <cstdint>

#include "app/main_loop.h"
#include "common/frame_pacer.h"
#include "common/monotonic_clock.h"
#include "console/device_options.h"

#ifdef _WIN32
#include "console/windows/windows_console_device.h"
namespace torvelkan {
using PlatformDevice = WindowsConsoleDevice;

// The Windows console reports every key release itself: only the view to choose.
inline PlatformDevice MakePlatformDevice(const DeviceOptions& options) {
  return PlatformDevice(WindowsConsoleCalls{}, options.view);
}

// The Windows console is looked at every pass, as the pacer wakes on time.
class PlatformLoopWait {
 public:
  explicit PlatformLoopWait(PlatformDevice& /*device*/) : pacer(kPassPeriodMicroseconds) {}
  void Until(std::int64_t /*deadline*/) { pacer.Wait(); }

 private:
  FramePacer pacer;
};
}  // namespace torvelkan
#else
#include "console/terminal/terminal_device.h"
namespace torvelkan {
using PlatformDevice = TerminalDevice;

inline PlatformDevice MakePlatformDevice(const DeviceOptions& options) {
  TerminalDevice::Settings settings;
  settings.smoothHolds = options.smoothHolds;
  settings.trueColour = options.trueColour;
  settings.view = options.view;
  return PlatformDevice(settings);
}

// The terminal wakes the loop as soon as input comes, else at the deadline.
class PlatformLoopWait {
 public:
  explicit PlatformLoopWait(PlatformDevice& device) : device(device) {}
  void Until(std::int64_t deadline) { device.WaitForInput(deadline - MonotonicMicroseconds()); }

 private:
  PlatformDevice& device;
};
}  // namespace torvelkan
#endif
