// The terminal held for the game in raw mode, given back and taken again.
#include "console/terminal/terminal_session.h"

#include <signal.h>  // NOLINT(modernize-deprecated-headers): sigaction is POSIX's
#include <unistd.h>

#include <stdexcept>

#include "console/terminal/terminal_signals.h"

namespace torvelkan {
namespace {

bool IsTerminal(int fd) { return isatty(fd) == 1; }

// The terminal of this process's session: the one whose Ctrl+C, Ctrl+Z and
// resizes reach it.
bool IsControllingTerminal(int fd) {
  const pid_t session = tcgetsid(fd);
  return session != -1 && session == getsid(0);
}

termios RawModes(termios modes) {
  // No echo, no line editing; Ctrl+C and Ctrl+Z still signal.
  modes.c_lflag &= static_cast<tcflag_t>(~(ECHO | ICANON | IEXTEN));
  modes.c_iflag &= static_cast<tcflag_t>(~(IXON | ICRNL | INLCR | IGNCR | ISTRIP));
  // Output goes out as written: a line feed only moves down, which the frame
  // encoder counts on.
  modes.c_oflag &= static_cast<tcflag_t>(~OPOST);
  // The device polls before every read. Should a shell read the terminal
  // before the game has given it back (it may, when Ctrl+Z stopped a launcher
  // script first), it waits for a key rather than reading an end of input.
  modes.c_cc[VMIN] = 1;
  modes.c_cc[VTIME] = 0;
  return modes;
}

}  // namespace

TerminalSession::TerminalSession(const Settings& given) : settings(given), vt(given.keyboardCalls) {
  if (!IsTerminal(settings.inputFd) || !IsTerminal(settings.outputFd)) {
    throw std::runtime_error(
        "the game needs a terminal: its input and output must not be redirected");
  }
  if (settings.mustBeControllingTerminal &&
      (!IsControllingTerminal(settings.inputFd) || !IsControllingTerminal(settings.outputFd))) {
    throw std::runtime_error("the terminal is not the game's controlling terminal");
  }
  if (tcgetattr(settings.inputFd, &saved) != 0) {
    throw std::runtime_error("the terminal's modes cannot be read");
  }
  if (settings.guarded) {
    guardian.Start(settings.inputFd, settings.outputFd);
  }
}

bool TerminalSession::TakeOver() {
  const termios raw = RawModes(saved);
  // In the background this stops (SIGTTOU) until fg continues it, and the
  // take-over then goes on in the foreground: that continue, and any before
  // it, are answered by this take-over. Taking over again for them would give
  // back once more, and that throws away what was typed in between.
  const bool rawOutput = tcsetattr(settings.inputFd, TCSANOW, &raw) == 0;
  terminal_signals::ForgetContinues();
  if (tcgetattr(settings.inputFd, &takenModes) != 0) {
    takenModes = raw;
  }
  taken = true;
  if (rawConsole) {
    TakeConsoleKeyboard();  // given back with the rest, and so taken again
  }
  ArmRestore();
  return rawOutput;
}

void TerminalSession::GiveBack() {
  if (!taken) {
    return;
  }
  taken = false;
  // The console keyboard's mode goes back with the rest of the plan.
  vt.GivenBack();
  terminal_signals::RestoreNow();  // the guardian is disarmed first
}

std::string TerminalSession::TakeUp(const TerminalAnswers& answers) {
  answersAttributes = answers.attributes;
  features.synchronizedOutput = answers.synchronizedOutput;
  features.kittyKeyboard = answers.keyboardFlags;
  if (!features.kittyKeyboard) {
    rawConsole = TakeConsoleKeyboard();
    // Asked only now, so that a terminal offering both keeps the kitty protocol.
    features.win32Input = !rawConsole;
  }
  ArmRestore();
  if (features.kittyKeyboard) {
    return TurnOnBytes(&TerminalFeatures::kittyKeyboard);
  }
  if (features.win32Input) {
    return TurnOnBytes(&TerminalFeatures::win32Input);
  }
  return {};
}

std::string TerminalSession::TakeUpLate(const TerminalAnswers& answers) {
  std::string bytes;
  bool changed = false;
  if (answers.attributes && !answersAttributes) {
    answersAttributes = true;  // so what it sends can be read away at the give-back
    changed = true;
  }
  if (answers.synchronizedOutput && !features.synchronizedOutput) {
    features.synchronizedOutput = true;
    bytes += TurnOnBytes(&TerminalFeatures::synchronizedOutput);
    changed = true;
  }
  // The Linux console, whose raw keyboard is read, does not speak it.
  if (answers.keyboardFlags && !features.kittyKeyboard && !vt.Taken()) {
    features.kittyKeyboard = true;
    bytes += TurnOnBytes(&TerminalFeatures::kittyKeyboard);
    if (features.win32Input) {
      bytes += TurnOffBytes(&TerminalFeatures::win32Input);
    }
    changed = true;
  }
  if (changed && taken) {
    ArmRestore();  // before the bytes go out
  }
  return bytes;
}

void TerminalSession::LateBytesSent() {
  if (!features.kittyKeyboard || !features.win32Input) {
    return;
  }
  features.win32Input = false;
  win32Reports = false;
  if (taken) {
    ArmRestore();
  }
}

void TerminalSession::SawWin32KeyReport() {
  if (!features.win32Input || win32Reports) {
    return;
  }
  // From now on its key reports can be on their way when the mode is turned
  // off, so giving back reads them away.
  win32Reports = true;
  if (taken) {
    ArmRestore();
  }
}

bool TerminalSession::TakeConsoleKeyboard() {
  if (!vt.Take(settings.inputFd)) {
    return false;
  }
  // Key codes are bytes now: none of them may turn into a signal. The device
  // does what Ctrl+C and Ctrl+Z would have done.
  termios modes = RawModes(saved);
  modes.c_lflag &= static_cast<tcflag_t>(~ISIG);
  // Characters typed before the switch would read as key codes: dropped.
  tcsetattr(settings.inputFd, TCSAFLUSH, &modes);
  if (tcgetattr(settings.inputFd, &takenModes) != 0) {
    takenModes = modes;
  }
  // The caller arms the plan at once: the console's mode goes back with the rest.
  return true;
}

// Everything that gives the terminal back, for the device, its signal
// handlers and the guardian alike.
RestorePlan TerminalSession::Plan() const {
  RestorePlan plan;
  plan.saved = saved;
  plan.taken = takenModes;
  plan.SetBytes(GiveBackBytes(features));
  // Key reports can be on their way only while the keyboard flags are pushed,
  // or win32-input-mode is on in a terminal that took it; elsewhere the flush
  // of the modes throws away whatever was typed.
  plan.drain = (features.kittyKeyboard || win32Reports) && answersAttributes;
  // The Linux console's keyboard, while it reports raw key codes.
  plan.keyboardMode = vt.SavedMode();
  plan.keyboardFd = vt.Fd();
  plan.setKeyboardMode = vt.Calls().set;
  return plan;
}

void TerminalSession::ArmRestore() {
  const RestorePlan plan = Plan();
  terminal_signals::Arm(settings.inputFd, settings.outputFd, plan, guardian.Socket());
  guardian.Arm(plan);
}

void TerminalSession::StopUntilContinued() {
  // Continued since the Ctrl+Z (fg came before the game got here, the
  // launcher script that stopped with it already runs again): the stop is
  // over before it began, and stopping now would leave nobody to continue it.
  bool stop = !terminal_signals::TakeArrivedSignals().continuedLast;
  while (stop) {
    // Stop as the terminal would have stopped us; SIGCONT comes back here.
    struct sigaction ours {};
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    sigaction(SIGTSTP, &standard, &ours);
    raise(SIGTSTP);
    // cppcheck-suppress unreachableCode ; raise returns once a stop is continued
    sigaction(SIGTSTP, &ours, nullptr);
    const terminal_signals::ArrivedSignals arrived = terminal_signals::TakeArrivedSignals();
    stop = arrived.suspend && !arrived.continuedLast;  // Ctrl+Z again after the continue
  }
}

}  // namespace torvelkan
