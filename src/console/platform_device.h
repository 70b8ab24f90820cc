// The real console device of this platform, chosen at build time.
#pragma once

#ifdef _WIN32
#include "console/windows/windows_console_device.h"
namespace torvelkan {
using PlatformDevice = WindowsConsoleDevice;
}
#else
#include "console/terminal/terminal_device.h"
namespace torvelkan {
using PlatformDevice = TerminalDevice;
}
#endif
