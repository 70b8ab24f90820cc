// The signals a full-screen terminal program has to answer.
#include "console/terminal/terminal_signals.h"

#include <signal.h>  // NOLINT(modernize-deprecated-headers): sigaction is POSIX's
#include <unistd.h>

#include <array>
#include <cstdlib>

#include "console/terminal/guardian.h"

namespace torvelkan::terminal_signals {
namespace {

struct Restore {
  int inputFd = -1;
  int outputFd = -1;
  int guardianSocket = -1;
  RestorePlan plan;
};

// Written only while the handlers cannot run it (Arm blocks them), read by
// the handlers and by RestoreNow.
Restore restore;
volatile sig_atomic_t armed = 0;
volatile sig_atomic_t quitSignal = 0;
volatile sig_atomic_t resized = 0;
// Ctrl+Z and continues are numbered as they come (the handlers block each
// other), so that the loop can tell which came last.
volatile sig_atomic_t events = 0;
volatile sig_atomic_t suspendAt = 0;
volatile sig_atomic_t continuedAt = 0;
sig_atomic_t suspendSeen = 0;
sig_atomic_t continuedSeen = 0;
bool installed = false;
bool exitHookRegistered = false;

constexpr std::array<int, 4> kQuitSignals = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr std::array<int, 5> kCrashSignals = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr std::array<int, 3> kFlagSignals = {SIGTSTP, SIGCONT, SIGWINCH};
constexpr std::size_t kHandled = kQuitSignals.size() + kCrashSignals.size() + kFlagSignals.size();

std::array<struct sigaction, kHandled> previous{};

sigset_t AllHandled();

void RestoreFromHandler() {
  if (armed == 0) {
    return;
  }
  armed = 0;
  Guardian::DisarmFrom(restore.guardianSocket);
  GiveBack(restore.plan, restore.inputFd, restore.outputFd);
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
  events = events + 1;
  suspendAt = events;
}
void OnContinue(int /*signal*/) {
  events = events + 1;
  continuedAt = events;
}
void OnResize(int /*signal*/) { resized = 1; }

void AtExit() { RestoreFromHandler(); }

void Set(std::size_t slot, int signal, void (*handler)(int), int flags) {
  struct sigaction action {};
  action.sa_handler = handler;
  action.sa_mask = AllHandled();
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

void Arm(int inputFd, int outputFd, const RestorePlan& plan, int guardianSocket) {
  const sigset_t block = AllHandled();
  sigset_t old;
  sigprocmask(SIG_BLOCK, &block, &old);
  armed = 0;
  restore.inputFd = inputFd;
  restore.outputFd = outputFd;
  restore.guardianSocket = guardianSocket;
  restore.plan = plan;
  armed = 1;
  sigprocmask(SIG_SETMASK, &old, nullptr);
}

void Disarm() { armed = 0; }

void RestoreNow() {
  const sigset_t block = AllHandled();
  sigset_t old;
  sigprocmask(SIG_BLOCK, &block, &old);
  RestoreFromHandler();
  sigprocmask(SIG_SETMASK, &old, nullptr);
}

int QuitSignal() { return quitSignal; }
void ClearQuitSignal() { quitSignal = 0; }

void NoteQuit(int signal) {
  if (quitSignal == 0) {
    quitSignal = signal;
  }
}

ArrivedSignals TakeArrivedSignals() {
  if (suspendAt == suspendSeen && continuedAt == continuedSeen && resized == 0) {
    return {};  // the usual pass: nothing came, and no system call spent on it
  }
  const sigset_t block = AllHandled();
  sigset_t old;
  sigprocmask(SIG_BLOCK, &block, &old);
  ArrivedSignals arrived;
  arrived.suspend = suspendAt != suspendSeen;
  arrived.continued = continuedAt != continuedSeen;
  arrived.continuedLast = arrived.continued && continuedAt > suspendAt;
  arrived.resized = resized != 0;
  suspendSeen = suspendAt;
  continuedSeen = continuedAt;
  resized = 0;
  sigprocmask(SIG_SETMASK, &old, nullptr);
  return arrived;
}

void ForgetContinues() {
  const sigset_t block = AllHandled();
  sigset_t old;
  sigprocmask(SIG_BLOCK, &block, &old);
  if (continuedAt > suspendAt) {
    suspendSeen = suspendAt;
  }
  continuedSeen = continuedAt;
  sigprocmask(SIG_SETMASK, &old, nullptr);
}

}  // namespace torvelkan::terminal_signals
