// The signals a full-screen terminal program has to answer, and the restore
// that runs even when the program cannot end normally.
//
// Signal handlers cannot reach an object, so what they need lives here, once
// per process: the saved terminal modes and the bytes that undo the program's
// changes. Handlers only set flags, except when there is no other way out (a
// crash, a second Ctrl+C, an exit that skips the destructors): then they
// restore the terminal themselves with async-signal-safe calls only.
#pragma once

#include <termios.h>

#include <string_view>

namespace torvelkan::terminal_signals {

// Handlers for SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP, SIGCONT, SIGWINCH and
// the crash signals; Uninstall puts the previous ones back.
void Install();
void Uninstall();

// What undoes the program's changes to the terminal. Armed while the program
// owns the terminal; the bytes are copied (at most 255).
void Arm(int inputFd, int outputFd, const termios& saved, std::string_view restoreBytes);
void Disarm();

// The Linux console's keyboard mode to put back with the rest (set is called
// from the handlers, so it must be async-signal-safe). Kept until restored or
// until armed again with a null set.
void ArmKeyboard(int fd, int mode, int (*set)(int fd, int mode));

// Writes the restore bytes and puts the saved modes back, if armed; then disarms.
void RestoreNow();

// The quit signal received (SIGINT, SIGTERM, SIGHUP, SIGQUIT), or 0.
int QuitSignal();
void ClearQuitSignal();

// Each is true once per event: Ctrl+Z (SIGTSTP), a continue (SIGCONT), a resize.
bool TakeSuspendRequest();
bool TakeContinued();
bool TakeResized();

}  // namespace torvelkan::terminal_signals
