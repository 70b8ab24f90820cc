// Gives the terminal back by a plan, with async-signal-safe calls only.
#include "console/terminal/terminal_restore.h"

#include <poll.h>
#include <signal.h>  // NOLINT(modernize-deprecated-headers): sigprocmask is POSIX's
#include <time.h>    // NOLINT(modernize-deprecated-headers): clock_gettime is POSIX's
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "console/terminal/terminal_setup.h"

namespace torvelkan {
namespace {

// At most this long for the terminal to answer after the bytes.
constexpr long kDrainLimitMs = 100;

long NowMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return now.tv_sec * 1000L + now.tv_nsec / 1'000'000L;
}

void WriteAll(int fd, const char* data, std::size_t size) {
  std::size_t sent = 0;
  while (sent < size) {
    const ssize_t n = write(fd, data + sent, size - sent);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd out{fd, POLLOUT, 0};
      if (poll(&out, 1, 100) > 0) {
        continue;
      }
    }
    if (n <= 0) {
      return;  // a terminal that is gone takes nothing more
    }
    sent += static_cast<std::size_t>(n);
  }
}

// Reads away whatever the terminal sent before the answer to a request sent
// after the bytes: key reports still on their way when the keyboard flags
// were popped would otherwise reach the shell.
void Drain(int inputFd, int outputFd) {
  WriteAll(outputFd, kAttributesRequest.data(), kAttributesRequest.size());
  AttributesAnswerScanner scanner;
  const long deadline = NowMs() + kDrainLimitMs;
  for (long left = kDrainLimitMs; left > 0; left = deadline - NowMs()) {
    pollfd in{inputFd, POLLIN, 0};
    const int ready = poll(&in, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) {
      continue;
    }
    if (ready <= 0 || (in.revents & POLLIN) == 0) {
      return;
    }
    unsigned char buffer[256];
    const ssize_t n = read(inputFd, buffer, sizeof buffer);
    if (n <= 0 || scanner.Feed(buffer, static_cast<std::size_t>(n))) {
      return;
    }
  }
}

bool SameModes(const termios& a, const termios& b) {
  return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
         a.c_lflag == b.c_lflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

}  // namespace

void RestorePlan::SetBytes(std::string_view text) {
  length = static_cast<std::uint16_t>(std::min(text.size(), kMostBytes));
  std::memcpy(bytes.data(), text.data(), length);
}

bool InForeground(int fd) {
  const pid_t group = tcgetpgrp(fd);
  return group > 0 && group == getpgrp();
}

void GiveBack(const RestorePlan& plan, int inputFd, int outputFd) {
  // Held back, a background process's writes and mode changes go through and
  // its reads fail at once, instead of stopping it.
  sigset_t hold;
  sigset_t old;
  sigemptyset(&hold);
  sigaddset(&hold, SIGTTOU);
  sigaddset(&hold, SIGTTIN);
  sigprocmask(SIG_BLOCK, &hold, &old);

  if (plan.keyboardMode >= 0 && plan.keyboardFd >= 0 && plan.setKeyboardMode != nullptr) {
    plan.setKeyboardMode(plan.keyboardFd, plan.keyboardMode);
  }
  WriteAll(outputFd, plan.bytes.data(), plan.length);
  if (InForeground(inputFd)) {
    if (plan.drain) {
      Drain(inputFd, outputFd);
    }
    tcsetattr(inputFd, TCSAFLUSH, &plan.saved);
  } else {
    // The shell already has the terminal back: its modes stay, the game's go.
    termios now{};
    if (tcgetattr(inputFd, &now) == 0 && SameModes(now, plan.taken)) {
      tcsetattr(inputFd, TCSANOW, &plan.saved);
    }
  }
  sigprocmask(SIG_SETMASK, &old, nullptr);
}

bool AttributesAnswerScanner::Feed(const unsigned char* data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    const unsigned char byte = data[i];
    if (byte == 0x1B) {
      state = 1;
    } else if (state == 1) {
      state = byte == '[' ? 2 : 0;
    } else if (state == 2) {
      state = byte == '?' ? 3 : 0;
    } else if (state == 3) {
      if (byte == 'c') {
        state = 0;
        return true;
      }
      if (!((byte >= '0' && byte <= '9') || byte == ';')) {
        state = 0;
      }
    }
  }
  return false;
}

}  // namespace torvelkan
