// Drives a real terminal for end-to-end tests through a private tmux server.
#include "e2e/tmux_session.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace torvelkan::e2e {
namespace {

std::atomic<int> sessionCounter{0};

// Splits UTF-8 text into characters.
std::vector<std::string> Characters(const std::string& text) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 1;
    if (lead >= 0xF0) {
      length = 4;
    } else if (lead >= 0xE0) {
      length = 3;
    } else if (lead >= 0xC0) {
      length = 2;
    }
    out.push_back(text.substr(i, length));
    i += length;
  }
  return out;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  std::istringstream in(text);
  while (std::getline(in, line)) {
    lines.push_back(line);
  }
  return lines;
}

// ANSI colour index (red 1, green 2, blue 4) to the console's (blue 1, red 4).
int ConsoleColour(int ansi) {
  return ((ansi & 1) != 0 ? 4 : 0) | (ansi & 2) | ((ansi & 4) != 0 ? 1 : 0) | (ansi & 8);
}

}  // namespace

std::string GameBinary() { return TORVELKAN_BINARY; }
std::string SourceDir() { return TORVELKAN_SOURCE_DIR; }

std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

std::string Screen::Text(int row, int column, int count) const {
  if (row < 0 || row >= static_cast<int>(lines.size())) {
    return std::string(static_cast<std::size_t>(count), ' ');
  }
  const std::vector<std::string> chars = Characters(lines[static_cast<std::size_t>(row)]);
  std::string out;
  for (int i = column; i < column + count; ++i) {
    out +=
        (i >= 0 && i < static_cast<int>(chars.size())) ? chars[static_cast<std::size_t>(i)] : " ";
  }
  return out;
}

ScreenCell Screen::At(int row, int column) const {
  if (row < 0 || row >= static_cast<int>(cells.size())) {
    return ScreenCell{};
  }
  const std::vector<ScreenCell>& line = cells[static_cast<std::size_t>(row)];
  if (column < 0 || column >= static_cast<int>(line.size())) {
    return ScreenCell{};
  }
  return line[static_cast<std::size_t>(column)];
}

bool Screen::Contains(const std::string& text) const {
  return std::ranges::any_of(
      lines, [&](const std::string& line) { return line.find(text) != std::string::npos; });
}

std::string Screen::Dump() const {
  std::string out = "---- screen ----\n";
  for (std::size_t i = 0; i < lines.size(); ++i) {
    char label[24];
    std::snprintf(label, sizeof label, "%2zu|", i);
    out += label + lines[i] + "\n";
  }
  return out + "----------------\n";
}

// NOLINTNEXTLINE(readability-function-cognitive-complexity): one pass of a small SGR parser
Screen ParseCapture(const std::string& escaped) {
  Screen screen;
  // tmux writes a colour only where it changes, also from the end of one line
  // to the start of the next, so the colours run on across lines.
  int fg = -1;
  int bg = -1;
  for (const std::string& line : SplitLines(escaped)) {
    std::vector<ScreenCell> row;
    for (std::size_t i = 0; i < line.size();) {
      if (line[i] == '\x1b' && i + 1 < line.size() && line[i + 1] == '[') {
        std::size_t end = i + 2;
        while (end < line.size() && !(line[end] >= 0x40 && line[end] <= 0x7E)) {
          ++end;
        }
        if (end < line.size() && line[end] == 'm') {
          std::vector<int> params;
          std::string number;
          for (std::size_t k = i + 2; k <= end; ++k) {
            if (line[k] == ';' || line[k] == ':' || k == end) {
              params.push_back(number.empty() ? 0 : std::stoi(number));
              number.clear();
            } else {
              number += line[k];
            }
          }
          for (std::size_t k = 0; k < params.size(); ++k) {
            const int p = params[k];
            if (p == 0) {
              fg = bg = -1;
            } else if (p >= 30 && p <= 37) {
              fg = ConsoleColour(p - 30);
            } else if (p >= 90 && p <= 97) {
              fg = ConsoleColour(p - 90 + 8);
            } else if (p == 39) {
              fg = -1;
            } else if (p >= 40 && p <= 47) {
              bg = ConsoleColour(p - 40);
            } else if (p >= 100 && p <= 107) {
              bg = ConsoleColour(p - 100 + 8);
            } else if (p == 49) {
              bg = -1;
            } else if ((p == 38 || p == 48) && k + 2 < params.size() && params[k + 1] == 5) {
              const int n = params[k + 2];
              const int colour = n < 16 ? ConsoleColour(n) : n;
              (p == 38 ? fg : bg) = colour;
              k += 2;
            }
          }
        }
        i = end + 1;
        continue;
      }
      const auto lead = static_cast<unsigned char>(line[i]);
      std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
      row.push_back(ScreenCell{line.substr(i, length), fg, bg});
      i += length;
    }
    // The text as a plain capture gives it, without the blanks at the end.
    std::size_t used = row.size();
    while (used > 0 && row[used - 1].glyph == " ") {
      --used;
    }
    std::string text;
    for (std::size_t k = 0; k < used; ++k) {
      text += row[k].glyph;
    }
    screen.lines.push_back(text);
    screen.cells.push_back(row);
  }
  return screen;
}

TmuxSession::TmuxSession(const std::string& workingDirectory, int width, int height)
    : socket("torvelkan-e2e-" + std::to_string(getpid()) + "-" + std::to_string(sessionCounter++)) {
  // A clean shell with a plain prompt; no user configuration of tmux. Only the
  // sanitizers' settings come along, so that a sanitized game reports where
  // its run can see it rather than on a pane that nobody reads.
  std::string shell = "env -i PATH=/usr/local/bin:/usr/bin:/bin HOME=/tmp PS1='$ '";
  for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
    if (const char* value = std::getenv(name)) {
      shell += std::string(" ") + name + "=" + ShellQuote(value);
    }
  }
  shell += " /bin/sh";
  int status = 0;
  Host(Tmux() + " new-session -d -s t -x " + std::to_string(width) + " -y " +
           std::to_string(height) + " -c " + ShellQuote(workingDirectory) + " " +
           ShellQuote(shell) + " \\; set -g status off \\; set -g remain-on-exit off",
       &status);
  if (status != 0) {
    throw std::runtime_error("tmux could not start");
  }
  WaitForText("$", std::chrono::seconds(10));
}

TmuxSession::~TmuxSession() { Host(Tmux() + " kill-server 2>/dev/null"); }

std::string TmuxSession::Tmux() const { return "tmux -f /dev/null -L " + socket; }

std::string TmuxSession::Host(const std::string& command, int* status) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    if (status != nullptr) {
      *status = -1;
    }
    return output;
  }
  char buffer[4096];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
    output.append(buffer, n);
  }
  const int result = pclose(pipe);
  if (status != nullptr) {
    *status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
  }
  return output;
}

// NOLINTNEXTLINE(readability-make-member-function-const): it types into the session
void TmuxSession::Type(const std::string& line) {
  Host(Tmux() + " send-keys -t t -l " + ShellQuote(line));
  Host(Tmux() + " send-keys -t t Enter");
}

// NOLINTNEXTLINE(readability-make-member-function-const): it presses keys in the session
void TmuxSession::Keys(const std::vector<std::string>& keys) {
  std::string command = Tmux() + " send-keys -t t";
  for (const std::string& key : keys) {
    command += " " + ShellQuote(key);
  }
  Host(command);
}

Screen TmuxSession::Capture(bool colours) const {
  if (!colours) {
    Screen screen;
    screen.lines = SplitLines(Host(Tmux() + " capture-pane -p -t t"));
    return screen;
  }
  // Text and colours from one capture, so that both show the same frame. -N
  // keeps the blanks at the ends of the lines: coloured, they are part of the picture.
  return ParseCapture(Host(Tmux() + " capture-pane -p -e -N -t t"));
}

std::string TmuxSession::Display(const std::string& format) const {
  std::string out = Host(Tmux() + " display-message -p -t t " + ShellQuote(format));
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) {
    out.pop_back();
  }
  return out;
}

bool TmuxSession::WaitFor(const std::function<bool(const Screen&)>& ready,
                          std::chrono::milliseconds timeout, Screen* last, bool colours) const {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    Screen screen = Capture(colours);
    const bool ok = ready(screen);
    if (last != nullptr) {
      *last = screen;
    }
    if (ok) {
      return true;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

bool TmuxSession::TapUntil(const std::string& key, const std::function<bool(const Screen&)>& ready,
                           int taps, std::chrono::milliseconds each, Screen* last, bool colours) {
  for (int tap = 0; tap < taps; ++tap) {
    Keys({key});
    if (WaitFor(ready, each, last, colours)) {
      return true;
    }
  }
  return false;
}

bool TmuxSession::ShellInFront() const {
  const std::string front = Display("#{pane_current_command}");
  return Display("#{alternate_on}") == "0" && (front == "sh" || front == "bash");
}

bool TmuxSession::WaitForText(const std::string& text, std::chrono::milliseconds timeout,
                              Screen* last) const {
  return WaitFor([&text](const Screen& screen) { return screen.Contains(text); }, timeout, last);
}

}  // namespace torvelkan::e2e
