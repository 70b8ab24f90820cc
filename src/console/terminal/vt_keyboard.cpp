// The keyboard mode of a Linux virtual terminal.
#include "console/terminal/vt_keyboard.h"

#if defined(__linux__)
#include <linux/kd.h>
#include <linux/vt.h>
#include <sys/ioctl.h>
#endif

namespace torvelkan {
namespace {

#if defined(__linux__)
static_assert(K_RAW == kKeyboardRaw && K_XLATE == kKeyboardTranslate &&
              K_MEDIUMRAW == kKeyboardMediumRaw && K_UNICODE == kKeyboardUnicode &&
              K_OFF == kKeyboardOff);

int GetMode(int fd, int* mode) { return ioctl(fd, KDGKBMODE, mode) == 0 ? 0 : -1; }
int SetMode(int fd, int mode) { return ioctl(fd, KDSKBMODE, static_cast<long>(mode)); }
int ActivateConsole(int fd, int console) { return ioctl(fd, VT_ACTIVATE, console); }
#else
int GetMode(int /*fd*/, int* /*mode*/) { return -1; }
int SetMode(int /*fd*/, int /*mode*/) { return -1; }
int ActivateConsole(int /*fd*/, int /*console*/) { return -1; }
#endif

}  // namespace

KeyboardModeCalls SystemKeyboardModeCalls() { return {GetMode, SetMode, ActivateConsole}; }

bool VtKeyboard::Take(int onFd) {
  if (taken || calls.get == nullptr || calls.set == nullptr) {
    return taken;
  }
  int mode = -1;
  if (calls.get(onFd, &mode) != 0) {
    return false;  // not a console
  }
  if (mode != kKeyboardTranslate && mode != kKeyboardUnicode) {
    return false;  // raw already, or switched off by a graphical session
  }
  if (calls.set(onFd, kKeyboardMediumRaw) != 0) {
    return false;
  }
  fd = onFd;
  saved = mode;
  taken = true;
  return true;
}

void VtKeyboard::Activate(int console) const {
  if (taken && calls.activate != nullptr) {
    calls.activate(fd, console);
  }
}

}  // namespace torvelkan
