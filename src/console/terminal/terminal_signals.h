// The signals a full-screen terminal program has to answer, and the restore
// that runs even when the program cannot end normally.
//
// Signal handlers cannot reach an object, so what they need lives here, once
// per process: the plan that gives the terminal back and the guardian to
// disarm when it is carried out. Handlers only note what came, except when
// there is no other way out (a crash, a second Ctrl+C, an exit that skips the
// destructors): then they give the terminal back themselves, with
// async-signal-safe calls only.
#pragma once

#include "console/terminal/terminal_restore.h"

namespace torvelkan::terminal_signals {

// Handlers for SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP, SIGCONT, SIGWINCH and
// the crash signals; Uninstall puts the previous ones back.
void Install();
void Uninstall();

// What gives the terminal back. Armed while the program owns the terminal;
// the guardian's socket (or -1) is disarmed whenever the plan is carried out.
void Arm(int inputFd, int outputFd, const RestorePlan& plan, int guardianSocket);
void Disarm();

// Gives the terminal back by the plan, if armed; then disarms.
void RestoreNow();

// The quit signal received (SIGINT, SIGTERM, SIGHUP, SIGQUIT), or 0.
int QuitSignal();
void ClearQuitSignal();
// A way out that is not a signal but means the same (Ctrl+C as a key report).
void NoteQuit(int signal);

// The job-control and window signals that came since the last look.
struct ArrivedSignals {
  bool suspend = false;    // Ctrl+Z (SIGTSTP)
  bool continued = false;  // SIGCONT, after a stop of any kind
  // The continue came after the last Ctrl+Z: whatever stop that asked for is over.
  bool continuedLast = false;
  bool resized = false;  // SIGWINCH
};
// Takes them all at once: the next look sees only what comes after.
ArrivedSignals TakeArrivedSignals();

// The terminal has just been taken over after every continue so far (one
// came while the take-over waited to be in the foreground): those continues
// are answered, and forgotten with any Ctrl+Z they came after. A Ctrl+Z
// after the last of them still counts.
void ForgetContinues();

}  // namespace torvelkan::terminal_signals
