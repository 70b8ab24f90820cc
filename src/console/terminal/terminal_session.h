// The terminal held for the game: its modes raw, the Linux console's raw
// keyboard where keys are read from it, what the terminal took up beyond the
// ordinary set-up, and the restore plan that gives all of it back.
//
// The plan is armed in the signal handlers and the guardian process whenever
// it changes, always before the bytes it undoes are sent: should the game die
// in between, undoing what was never done harms less than the opposite. The
// session sends no bytes itself but the give-back; the device sends the rest.
#pragma once

#include <sys/types.h>
#include <termios.h>

#include <string>

#include "console/terminal/guardian.h"
#include "console/terminal/terminal_questions.h"
#include "console/terminal/terminal_restore.h"
#include "console/terminal/terminal_setup.h"
#include "console/terminal/vt_keyboard.h"

namespace torvelkan {

class TerminalSession {
 public:
  struct Settings {
    int inputFd = 0;
    int outputFd = 1;
    bool mustBeControllingTerminal = true;
    bool guarded = true;
    KeyboardModeCalls keyboardCalls;
  };

  // Reads the terminal's modes and starts the guardian. Throws
  // std::runtime_error when input or output is not a terminal, or not the
  // controlling one where that is a must, or the modes cannot be read.
  explicit TerminalSession(const Settings& given);

  // Raw modes, and the console's raw keyboard where it is in use; then the
  // plan that gives them back, and the set-up for these features, is armed.
  // Returns whether output processing is really off (a bare line feed only
  // moves down). In the background this stops the process (SIGTTOU) until it
  // is brought to the foreground.
  bool TakeOver();

  // Everything taken given back, by the armed plan.
  void GiveBack();

  // Takes up what the terminal answered it offers: the kitty keyboard flags
  // where it speaks that protocol; else the console's raw keyboard where it
  // is a Linux console; else win32-input-mode, which terminals that do not
  // know it ignore. Arms the plan, and returns the bytes that turn on what
  // was taken up, to be sent now.
  std::string TakeUp(const TerminalAnswers& answers);

  // The terminal answered after the wait (it was still starting): takes up
  // what it offers that was not taken up yet, as TakeUp would have. Where
  // the kitty keyboard flags come in place of win32-input-mode, the bytes
  // also turn that off; the plan armed gives back both until LateBytesSent.
  std::string TakeUpLate(const TerminalAnswers& answers);
  void LateBytesSent();

  // A key report came the win32-input-mode way: the terminal took the mode,
  // and its key reports can be on their way when the mode is turned off.
  void SawWin32KeyReport();

  // Stops the process as Ctrl+Z would have (the terminal given back first),
  // unless a continue came after the Ctrl+Z already; returns once continued,
  // after stopping again for any Ctrl+Z that came meanwhile.
  static void StopUntilContinued();

  // Says goodbye to the guardian.
  void Dismiss() { guardian.Dismiss(); }

  bool Taken() const { return taken; }
  const TerminalFeatures& Features() const { return features; }
  pid_t GuardianPid() const { return guardian.Pid(); }
  const VtKeyboard& ConsoleKeyboard() const { return vt; }

 private:
  bool TakeConsoleKeyboard();
  RestorePlan Plan() const;
  void ArmRestore();

  Settings settings;
  termios saved{};
  termios takenModes{};
  bool taken = false;
  TerminalFeatures features;
  bool answersAttributes = false;
  bool win32Reports = false;  // the terminal took win32-input-mode
  bool rawConsole = false;    // a Linux console whose raw keyboard is read
  VtKeyboard vt;
  Guardian guardian;
};

}  // namespace torvelkan
