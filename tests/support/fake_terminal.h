// A pseudo-terminal made by a test, which plays the part of the terminal: it
// answers the device's questions at start (or does not), types keys, and sees
// every byte the device sends.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "console/terminal/terminal_device.h"

namespace torvelkan::testing {

using namespace std::chrono_literals;

class FakeTerminal {
 public:
  explicit FakeTerminal(int columns = 80, int rows = 50) {
    winsize size{};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = static_cast<unsigned short>(rows);
    EXPECT_EQ(openpty(&master, &slave, nullptr, nullptr, &size), 0);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
  }
  ~FakeTerminal() {
    close(master);
    close(slave);
  }

  // Reads what the device sent until the text shows up or the time is up.
  bool ReadUntil(const std::string& text, std::chrono::milliseconds timeout = 2000ms) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (received.find(text) == std::string::npos) {
      if (std::chrono::steady_clock::now() >= deadline) {
        return false;
      }
      Drain(10);
    }
    return true;
  }
  void Drain(int waitMs) {
    pollfd p{master, POLLIN, 0};
    if (poll(&p, 1, waitMs) > 0) {
      char buffer[4096];
      const ssize_t n = read(master, buffer, sizeof buffer);
      if (n > 0) {
        received.append(buffer, static_cast<std::size_t>(n));
      }
    }
  }
  // Reads everything sent so far: until nothing more has come for 20 ms.
  void ReadAll() {
    for (std::size_t before = ~std::size_t{0}; before != received.size();) {
      before = received.size();
      Drain(20);
    }
  }
  // Reads everything sent so far and forgets it.
  void Forget() {
    ReadAll();
    received.clear();
  }
  void Type(const std::string& bytes) const {
    [[maybe_unused]] const ssize_t sent = write(master, bytes.data(), bytes.size());
  }
  void Resize(int columns, int rows) const {
    winsize size{};
    size.ws_col = static_cast<unsigned short>(columns);
    size.ws_row = static_cast<unsigned short>(rows);
    ioctl(master, TIOCSWINSZ, &size);
  }
  termios Modes() const {
    termios modes{};
    tcgetattr(slave, &modes);
    return modes;
  }
  TerminalDevice::Settings Settings() const {
    TerminalDevice::Settings settings;
    settings.inputFd = slave;
    settings.outputFd = slave;
    settings.endBySignal = false;
    settings.mustBeControllingTerminal = false;  // the test's own terminal is elsewhere
    return settings;
  }

  int master = -1;
  int slave = -1;
  std::string received;
};

// Answers the start's questions the way a terminal of the given kind would.
class Answerer {
 public:
  Answerer(FakeTerminal& terminal, bool kitty, bool attributes, bool synchronized = false)
      : thread([&terminal, kitty, attributes, synchronized, this] {
          if (!terminal.ReadUntil("\x1b[c", 1000ms)) {
            return;
          }
          if (kitty) {
            terminal.Type("\x1b[?0u");
          }
          if (synchronized) {
            terminal.Type("\x1b[?2026;2$y");
          }
          if (attributes) {
            terminal.Type("\x1b[?62;22c");
          }
          answered = true;
        }) {}
  ~Answerer() { thread.join(); }
  std::atomic<bool> answered{false};

 private:
  std::thread thread;
};

// A terminal that keeps answering on its own thread for as long as it lives,
// as a kitty-protocol terminal does (or an ordinary one, without the flags
// reply): every device attributes request gets its answer, and, like a real
// one, it may have a key report on its way when the keyboard flags are popped.
// It keeps the transcript of everything the program sent.
class Responder {
 public:
  struct Kind {
    bool kitty = true;
    // After each pop of the keyboard flags (or win32-input-mode turned off),
    // the release of the Esc that ended the game arrives, before the answer
    // to anything asked after.
    bool lateRelease = false;
    // The first questions are answered this long after they came, as by a
    // terminal still starting.
    std::chrono::milliseconds firstAnswerAfter{0};
  };
  Responder(FakeTerminal& terminal, Kind kind)
      : thread([this, &terminal, kind] { Run(terminal, kind); }) {}
  ~Responder() {
    stop = true;
    thread.join();
  }
  Responder(const Responder&) = delete;
  Responder& operator=(const Responder&) = delete;

  std::string Transcript() {
    const std::lock_guard<std::mutex> lock(mutex);
    return transcript;
  }
  std::size_t Count(std::string_view text) {
    const std::string all = Transcript();
    std::size_t count = 0;
    for (std::size_t at = all.find(text); at != std::string::npos; at = all.find(text, at + 1)) {
      ++count;
    }
    return count;
  }
  // Waits until the text has been sent at least count times.
  bool AwaitCount(std::string_view text, std::size_t count,
                  std::chrono::milliseconds timeout = 3000ms) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (Count(text) < count) {
      if (std::chrono::steady_clock::now() >= deadline) {
        return false;
      }
      std::this_thread::sleep_for(2ms);
    }
    return true;
  }
  // Waits until everything sent to the terminal so far is in the transcript:
  // a mark written to it now comes out after all of that.
  bool AwaitEverythingSent(const FakeTerminal& terminal,
                           std::chrono::milliseconds timeout = 3000ms) {
    static constexpr std::string_view kMark = "(the test's mark)";
    const std::size_t marks = Count(kMark) + 1;
    if (write(terminal.slave, kMark.data(), kMark.size()) != static_cast<ssize_t>(kMark.size())) {
      return false;
    }
    return AwaitCount(kMark, marks, timeout);
  }

 private:
  void Run(FakeTerminal& terminal, Kind kind) {
    std::size_t scanned = 0;
    std::string seen;
    while (!stop) {
      pollfd p{terminal.master, POLLIN, 0};
      if (poll(&p, 1, 5) <= 0) {
        continue;
      }
      char buffer[4096];
      const ssize_t n = read(terminal.master, buffer, sizeof buffer);
      if (n <= 0) {
        continue;
      }
      seen.append(buffer, static_cast<std::size_t>(n));
      {
        const std::lock_guard<std::mutex> lock(mutex);
        transcript.append(buffer, static_cast<std::size_t>(n));
      }
      if (!answeredOnce && seen.find("\x1b[c") != std::string::npos) {
        answeredOnce = true;
        std::this_thread::sleep_for(kind.firstAnswerAfter);
      }
      scanned = Answer(terminal, kind, seen, scanned);
      // Keeps the tail, in case a request is cut off at the end.
      if (seen.size() > 64 && scanned > 8) {
        const std::size_t drop = std::min(scanned, seen.size() - 8);
        seen.erase(0, drop);
        scanned -= drop;
      }
    }
  }

  // Answers in the order asked; a request cut in two is answered once whole.
  // Returns where the requests not answered yet may begin.
  static std::size_t Answer(const FakeTerminal& terminal, Kind kind, const std::string& seen,
                            std::size_t scanned) {
    for (;;) {
      const std::size_t flags = seen.find("\x1b[?u", scanned);
      const std::size_t attributes = seen.find("\x1b[c", scanned);
      const std::size_t pop = seen.find("\x1b[<u", scanned);
      const std::size_t win32Off = seen.find("\x1b[?9001l", scanned);
      const std::size_t first = std::min({flags, attributes, pop, win32Off});
      if (first == std::string::npos) {
        return scanned;
      }
      if (first == flags) {
        if (kind.kitty) {
          terminal.Type("\x1b[?0u");
        }
        scanned = flags + 4;
      } else if (first == pop) {
        if (kind.lateRelease) {
          terminal.Type("\x1b[27;1:3u");
        }
        scanned = pop + 4;
      } else if (first == win32Off) {
        if (kind.lateRelease) {
          terminal.Type("\x1b[27;1;27;0;0;1_");
        }
        scanned = win32Off + 8;
      } else {
        terminal.Type("\x1b[?62;22c");
        scanned = attributes + 3;
      }
    }
  }

  std::mutex mutex;
  std::string transcript;
  bool answeredOnce = false;
  std::atomic<bool> stop{false};
  std::thread thread;
};

}  // namespace torvelkan::testing
