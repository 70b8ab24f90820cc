// The guardian process: it gives the terminal back when the game could not.
#include "console/terminal/guardian.h"

#include <fcntl.h>
#include <signal.h>  // NOLINT(modernize-deprecated-headers): sigaction is POSIX's
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>

#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace torvelkan {
namespace {

constexpr char kArm = 'A';
constexpr char kDisarm = 'D';

// One message, one packet: a sequenced-packet socket keeps them whole.
struct Message {
  char kind = kDisarm;
  RestorePlan plan;
};

// How long the goodbye waits for the guardian to be gone.
constexpr int kGoodbyeWaitMs = 500;

// Everything but the terminal and the socket is closed, so that the guardian
// keeps no file, pipe or socket of the game's alive.
void CloseAllBut(std::array<int, 3> keep) {
  std::sort(keep.begin(), keep.end());
  unsigned int from = 0;
  for (const int fd : keep) {
    const auto at = static_cast<unsigned int>(fd);
    if (at > from) {
      close_range(from, at - 1, 0);
    }
    from = std::max(from, at + 1);
  }
  close_range(from, UINT_MAX, 0);
}

// The guardian's whole life, in a process forked from a game that may have
// threads: only async-signal-safe calls, no allocation, and _exit at the end.
[[noreturn]] void Guard(int socket, int inputFd, int outputFd) {
#ifdef __linux__
  prctl(PR_SET_NAME, "torvelkan-guard", 0, 0, 0);
#endif
  // The game's handlers would restore the terminal from here: back to the
  // defaults, and the signals meant for the game (the keyboard's, a hang-up,
  // job control, a group-wide kill) are ignored: the game answers them.
  struct sigaction action {};
  sigemptyset(&action.sa_mask);
  action.sa_handler = SIG_DFL;
  for (int s = 1; s < NSIG; ++s) {
    sigaction(s, &action, nullptr);
  }
  action.sa_handler = SIG_IGN;
  for (const int s : {SIGINT, SIGQUIT, SIGHUP, SIGTERM, SIGTSTP, SIGTTIN, SIGTTOU, SIGPIPE}) {
    sigaction(s, &action, nullptr);
  }
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  CloseAllBut({socket, inputFd, outputFd});

  Message message;
  RestorePlan plan;
  bool armed = false;
  for (;;) {
    const ssize_t n = recv(socket, &message, sizeof message, 0);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      break;  // the game's end closed: it is gone
    }
    if (message.kind == kArm && static_cast<std::size_t>(n) == sizeof message) {
      plan = message.plan;
      armed = true;
    } else if (message.kind == kDisarm) {
      armed = false;
    }
  }
  if (armed) {
    GiveBack(plan, inputFd, outputFd);
  }
  _exit(0);
}

}  // namespace

void Guardian::Start(int inputFd, int outputFd) {
  if (pid > 0) {
    return;
  }
  int ends[2];
  if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) {
    return;
  }
  // Signals wait until the guardian has chosen which of them it ignores: a
  // hang-up meant for the game must not end it on its way.
  sigset_t all;
  sigset_t old;
  sigfillset(&all);
  sigprocmask(SIG_BLOCK, &all, &old);
  const pid_t child = fork();
  if (child == 0) {
    close(ends[0]);
    Guard(ends[1], inputFd, outputFd);
  }
  sigprocmask(SIG_SETMASK, &old, nullptr);
  close(ends[1]);
  if (child < 0) {
    close(ends[0]);
    return;
  }
  socket = ends[0];
  pid = child;
}

void Guardian::Dismiss() {
  if (pid <= 0) {
    return;
  }
  Disarm();
  close(socket);
  socket = -1;
  const pid_t gone = pid;
  pid = -1;
  // It ends at once on the close; the wait is bounded in case it was stopped.
  for (int waited = 0; waited < kGoodbyeWaitMs; ++waited) {
    const pid_t done = waitpid(gone, nullptr, WNOHANG);
    if (done == gone || (done < 0 && errno != EINTR)) {
      return;
    }
    usleep(1000);
  }
}

void Guardian::Arm(const RestorePlan& plan) const {
  if (socket < 0) {
    return;
  }
  Message message;
  message.kind = kArm;
  message.plan = plan;
  send(socket, &message, sizeof message, MSG_NOSIGNAL | MSG_DONTWAIT);
}

void Guardian::DisarmFrom(int socket) {
  if (socket < 0) {
    return;
  }
  const char message = kDisarm;
  send(socket, &message, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
}

}  // namespace torvelkan
