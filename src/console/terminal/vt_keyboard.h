// The keyboard mode of a Linux virtual terminal (the text console without a
// graphical session). In its raw mode, K_MEDIUMRAW, the console reports every
// key going down and up, which no terminal emulator on it can; a program may
// switch its own console to it without privileges. A console left in that
// mode leaves the machine without a usable keyboard, so the mode found is
// kept here for the terminal's restore plan, which puts it back on every way
// out: a signal handler or the guardian process can do so from SavedMode, Fd
// and the set call alone.
//
// The calls go through a seam of plain function pointers, so that tests can
// play the console and a signal handler may make them.
#pragma once

namespace torvelkan {

struct KeyboardModeCalls {
  int (*get)(int fd, int* mode) = nullptr;         // KDGKBMODE; 0 when it worked
  int (*set)(int fd, int mode) = nullptr;          // KDSKBMODE; 0 when it worked
  int (*activate)(int fd, int console) = nullptr;  // VT_ACTIVATE; 0 when it worked
};

// The system's own calls on Linux; elsewhere every call fails.
KeyboardModeCalls SystemKeyboardModeCalls();

// The modes of linux/kd.h, the same numbers on every Linux.
inline constexpr int kKeyboardRaw = 0;        // K_RAW
inline constexpr int kKeyboardTranslate = 1;  // K_XLATE
inline constexpr int kKeyboardMediumRaw = 2;  // K_MEDIUMRAW
inline constexpr int kKeyboardUnicode = 3;    // K_UNICODE
inline constexpr int kKeyboardOff = 4;        // K_OFF

class VtKeyboard {
 public:
  explicit VtKeyboard(const KeyboardModeCalls& given) : calls(given) {}

  // Switches the console on fd to raw key codes when it is a console whose
  // keyboard types characters (not one a graphical session has switched off);
  // false, with nothing changed, otherwise.
  bool Take(int fd);
  // The mode Take found has been put back, by the terminal's restore plan
  // (SavedMode, Fd and Calls().set), with everything else. Take may follow
  // again (after a stop).
  void GivenBack() { taken = false; }
  // Switches to another console, as Alt+F1 to F12 would have.
  void Activate(int console) const;

  bool Taken() const { return taken; }
  // The mode to put back and where; -1 while the keyboard is not taken.
  int SavedMode() const { return taken ? saved : -1; }
  int Fd() const { return taken ? fd : -1; }
  const KeyboardModeCalls& Calls() const { return calls; }

 private:
  KeyboardModeCalls calls;
  int fd = -1;
  int saved = kKeyboardTranslate;
  bool taken = false;
};

}  // namespace torvelkan
