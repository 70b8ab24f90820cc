// The Windows console device, made once here against the real console calls.
#include "console/windows/windows_console_device.h"

namespace torvelkan {

template class BasicWindowsConsoleDevice<WindowsConsoleCalls>;

}  // namespace torvelkan
