// What gives the terminal back, written once and used by every way out: the
// device's own, its signal handlers' and the guardian process's.
//
// Everything here is async-signal-safe and allocates nothing, so that a
// signal handler or a freshly forked process may run it.
#pragma once

#include <termios.h>

#include <array>
#include <cstdint>
#include <string_view>

namespace torvelkan {

struct RestorePlan {
  static constexpr std::size_t kMostBytes = 255;

  termios saved{};  // the modes the terminal had before the game
  termios taken{};  // the modes the game set: anything else was set by someone else since
  // The bytes that undo what the game asked of the terminal.
  std::array<char, kMostBytes + 1> bytes{};
  std::uint16_t length = 0;
  // The terminal answers the device attributes request, so what it sent
  // before the bytes above took effect can be read away before the shell sees it.
  bool drain = false;
  // A console keyboard mode to put back (KDSKBMODE on the Linux console) on
  // keyboardFd, by setKeyboardMode, or -1. The call is a plain function of
  // the program (a fake in tests): the guardian, forked from the game and
  // never exec'd, can make it too.
  int keyboardMode = -1;
  int keyboardFd = -1;
  int (*setKeyboardMode)(int fd, int mode) = nullptr;

  // The bytes are cut at kMostBytes.
  void SetBytes(std::string_view text);
  std::string_view Bytes() const { return {bytes.data(), length}; }
};

// True when the process group of this process is the terminal's foreground group.
bool InForeground(int fd);

// Gives the terminal back by the plan: the keyboard mode first (without it
// nothing else can be typed), then the bytes, the drain and the saved modes.
// It never stops the process, whoever holds the foreground (SIGTTOU and
// SIGTTIN are held back meanwhile): in the foreground it also throws away
// what is still unread; in the background, where the shell may already have
// set modes of its own, the modes are put back only where the game's are
// still in force, and nothing is read.
void GiveBack(const RestorePlan& plan, int inputFd, int outputFd);

// Whether bytes end with the answer to the device attributes request
// (ESC [ ? ... c), scanned as they come.
class AttributesAnswerScanner {
 public:
  // True once the answer has ended within the bytes seen so far.
  bool Feed(const unsigned char* data, std::size_t size);

 private:
  int state = 0;  // 0 nothing, 1 ESC, 2 ESC [, 3 ESC [ ? and parameters
};

}  // namespace torvelkan
