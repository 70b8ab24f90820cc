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
#include <string>
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
  // Reads everything sent so far and forgets it.
  void Forget() {
    for (std::size_t before = ~std::size_t{0}; before != received.size();) {
      before = received.size();
      Drain(20);
    }
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

}  // namespace torvelkan::testing
