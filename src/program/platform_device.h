// The real console device of this platform, chosen at build time, and the one
// way to make it from the player's options.
#pragma once

#include "console/device_options.h"

#ifdef _WIN32
#include "console/windows/windows_console_device.h"
namespace torvelkan {
using PlatformDevice = WindowsConsoleDevice;

// The Windows console reports every key release itself: nothing to choose.
inline PlatformDevice MakePlatformDevice(const DeviceOptions& /*options*/) {
  return PlatformDevice();
}
}  // namespace torvelkan
#else
#include "console/terminal/terminal_device.h"
namespace torvelkan {
using PlatformDevice = TerminalDevice;

inline PlatformDevice MakePlatformDevice(const DeviceOptions& options) {
  TerminalDevice::Settings settings;
  settings.smoothHolds = options.smoothHolds;
  settings.trueColour = options.trueColour;
  return PlatformDevice(settings);
}
}  // namespace torvelkan
#endif
