// The signals a full-screen terminal program has to answer.
#include "console/terminal/terminal_signals.h"

#include <signal.h>  // NOLINT(modernize-deprecated-headers): sigaction is POSIX's
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

namespace torvelkan::terminal_signals {
namespace {

struct Restore {
  int inputFd = -1;
  int outputFd = -1;
  termios saved{};
  std::array<char, 256> bytes{};
  std::size_t length = 0;
};

// Written only while the handlers cannot run it (Arm blocks them), read by
// the handlers and by RestoreNow.
Restore restore;
volatile sig_atomic_t armed = 0;
// The console keyboard's mode to put back, apart from the rest: the device
// arms it only once the console has been switched.
int keyboardFd = -1;
int keyboardMode = 0;
int (*volatile keyboardSet)(int, int) = nullptr;
volatile sig_atomic_t quitSignal = 0;
volatile sig_atomic_t suspendWanted = 0;
volatile sig_atomic_t continued = 0;
volatile sig_atomic_t resized = 0;
bool installed = false;
bool exitHookRegistered = false;

constexpr std::array<int, 4> kQuitSignals = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr std::array<int, 5> kCrashSignals = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr std::array<int, 3> kFlagSignals = {SIGTSTP, SIGCONT, SIGWINCH};
constexpr std::size_t kHandled = kQuitSignals.size() + kCrashSignals.size() + kFlagSignals.size();

std::array<struct sigaction, kHandled> previous{};

void RestoreFromHandler() {
  if (keyboardSet != nullptr) {
    int (*const set)(int, int) = keyboardSet;
    keyboardSet = nullptr;
    set(keyboardFd, keyboardMode);  // first: without it nothing else can be typed
  }
  if (armed == 0) {
    return;
  }
  armed = 0;
  std::size_t sent = 0;
  while (sent < restore.length) {
    const ssize_t n = write(restore.outputFd, restore.bytes.data() + sent, restore.length - sent);
    if (n <= 0) {
      break;
    }
    sent += static_cast<std::size_t>(n);
  }
  tcsetattr(restore.inputFd, TCSAFLUSH, &restore.saved);
}

// Ends the process by the signal itself, so that the parent sees why.
[[noreturn]] void DieBy(int signal) {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(signal, &action, nullptr);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, signal);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  raise(signal);
  // cppcheck-suppress unreachableCode ; raise returns when a stop is continued
  _exit(128 + signal);
}

void OnQuit(int signal) {
  if (quitSignal != 0) {
    // Asked twice: the main loop is not getting there, so end right here.
    RestoreFromHandler();
    DieBy(signal);
  }
  quitSignal = signal;
}

void OnCrash(int signal) {
  RestoreFromHandler();
  DieBy(signal);
}

void OnSuspend(int /*signal*/) {
  if (suspendWanted != 0) {
    RestoreFromHandler();  // asked twice: stop now, the terminal given back
    DieBy(SIGTSTP);
  }
  suspendWanted = 1;
}

void OnContinue(int /*signal*/) { continued = 1; }
void OnResize(int /*signal*/) { resized = 1; }

void AtExit() { RestoreFromHandler(); }

void Set(std::size_t slot, int signal, void (*handler)(int), int flags) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = flags;
  sigaction(signal, &action, &previous[slot]);
}

sigset_t AllHandled() {
  sigset_t set;
  sigemptyset(&set);
  for (int s : kQuitSignals) {
    sigaddset(&set, s);
  }
  for (int s : kFlagSignals) {
    sigaddset(&set, s);
  }
  return set;
}

}  // namespace

void Install() {
  if (installed) {
    return;
  }
  installed = true;
  std::size_t slot = 0;
  for (int s : kQuitSignals) {
    Set(slot++, s, OnQuit, SA_RESTART);
  }
  for (int s : kCrashSignals) {
    Set(slot++, s, OnCrash, SA_RESETHAND | SA_NODEFER);
  }
  Set(slot++, SIGTSTP, OnSuspend, SA_RESTART);
  Set(slot++, SIGCONT, OnContinue, SA_RESTART);
  Set(slot++, SIGWINCH, OnResize, SA_RESTART);
  if (!exitHookRegistered) {
    exitHookRegistered = true;
    std::atexit(AtExit);  // an exit() from anywhere still gives the terminal back
  }
}

void Uninstall() {
  if (!installed) {
    return;
  }
  installed = false;
  std::size_t slot = 0;
  for (int s : kQuitSignals) {
    sigaction(s, &previous[slot++], nullptr);
  }
  for (int s : kCrashSignals) {
    sigaction(s, &previous[slot++], nullptr);
  }
  for (int s : kFlagSignals) {
    sigaction(s, &previous[slot++], nullptr);
  }
}

void Arm(int inputFd, int outputFd, const termios& saved, std::string_view restoreBytes) {
  const sigset_t block = AllHandled();
  sigset_t old;
  sigprocmask(SIG_BLOCK, &block, &old);
  armed = 0;
  restore.inputFd = inputFd;
  restore.outputFd = outputFd;
  restore.saved = saved;
  restore.length = std::min(restoreBytes.size(), restore.bytes.size() - 1);
  std::memcpy(restore.bytes.data(), restoreBytes.data(), restore.length);
  armed = 1;
  sigprocmask(SIG_SETMASK, &old, nullptr);
}

void Disarm() { armed = 0; }

void ArmKeyboard(int fd, int mode, int (*set)(int fd, int mode)) {
  const sigset_t block = AllHandled();
  sigset_t old;
  sigprocmask(SIG_BLOCK, &block, &old);
  keyboardSet = nullptr;
  keyboardFd = fd;
  keyboardMode = mode;
  keyboardSet = set;
  sigprocmask(SIG_SETMASK, &old, nullptr);
}

void RestoreNow() {
  const sigset_t block = AllHandled();
  sigset_t old;
  sigprocmask(SIG_BLOCK, &block, &old);
  RestoreFromHandler();
  sigprocmask(SIG_SETMASK, &old, nullptr);
}

int QuitSignal() { return quitSignal; }
void ClearQuitSignal() { quitSignal = 0; }

bool TakeSuspendRequest() {
  const bool wanted = suspendWanted != 0;
  suspendWanted = 0;
  return wanted;
}

bool TakeContinued() {
  const bool was = continued != 0;
  continued = 0;
  return was;
}

bool TakeResized() {
  const bool was = resized != 0;
  resized = 0;
  return was;
}

}  // namespace torvelkan::terminal_signals
