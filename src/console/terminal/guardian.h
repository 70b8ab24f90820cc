// The guardian: a tiny process, forked when the game starts, that gives the
// terminal back should the game die without doing so (SIGKILL, the
// out-of-memory killer), exactly as the game would have.
//
// It holds only the terminal and its end of a socket pair. The game tells it
// what giving back takes whenever that changes (armed) and when the terminal
// is back (disarmed); when the game's end closes while armed, the game is
// gone without giving back, so the guardian does it, then ends. It ignores
// the keyboard's signals and job control (Ctrl+C, Ctrl+Z, a hang-up go to the
// game, which then says goodbye), so the shell sees only the game stop and end.
#pragma once

#include <sys/types.h>

#include "console/terminal/terminal_restore.h"

namespace torvelkan {

class Guardian {
 public:
  Guardian() = default;
  Guardian(const Guardian&) = delete;
  Guardian& operator=(const Guardian&) = delete;
  ~Guardian() { Dismiss(); }

  // Forks the guardian of the terminal on these descriptors, disarmed. Should
  // that fail, the game runs unguarded, as any other program does.
  void Start(int inputFd, int outputFd);

  void Arm(const RestorePlan& plan) const;
  void Disarm() const { DisarmFrom(socket); }

  // The game's end of the socket pair (-1 without a guardian), for the
  // signal handlers, which disarm it through DisarmFrom (async-signal-safe).
  int Socket() const { return socket; }
  static void DisarmFrom(int socket);

  // Says goodbye: the guardian ends without touching the terminal, and is
  // waited for.
  void Dismiss();

  pid_t Pid() const { return pid; }

 private:
  int socket = -1;
  pid_t pid = -1;
};

}  // namespace torvelkan
