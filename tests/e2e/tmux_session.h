// Drives a real terminal for end-to-end tests: a private, detached tmux server
// with one 80 x 50 pane running a shell, read back with capture-pane.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace torvelkan::e2e {

// One cell as tmux shows it, with colours as console colour numbers
// (0 black, 1 blue, 2 green, 4 red, 8 added when bright; -1 the default).
struct ScreenCell {
  std::string glyph = " ";  // UTF-8
  int foreground = -1;
  int background = -1;
};

struct Screen {
  std::vector<std::string> lines;              // plain text, one per row
  std::vector<std::vector<ScreenCell>> cells;  // with colours, when captured so

  // Row text from column, count characters long (blank-padded). Columns count
  // characters, not bytes.
  std::string Text(int row, int column, int count) const;
  // The cell with its colours; a blank default one off the captured grid.
  ScreenCell At(int row, int column) const;
  bool Contains(const std::string& text) const;
  std::string Dump() const;  // the whole screen, for failure messages
};

// The path of the game built with the tests, and the source tree.
std::string GameBinary();
std::string SourceDir();

class TmuxSession {
 public:
  // A shell in workingDirectory; TERM is left to tmux, the environment is clean
  // but for the sanitizers' settings.
  explicit TmuxSession(const std::string& workingDirectory, int width = 80, int height = 50);
  ~TmuxSession();
  TmuxSession(const TmuxSession&) = delete;
  TmuxSession& operator=(const TmuxSession&) = delete;

  // Types a command line into the shell and presses Enter.
  void Type(const std::string& line);

  // Sends keys by tmux name ("Escape", "Up", "C-c", "a").
  void Keys(const std::vector<std::string>& keys);

  Screen Capture(bool colours = false) const;

  // A tmux format of the pane, e.g. "#{cursor_flag}", "#{alternate_on}", "#{pane_pid}".
  std::string Display(const std::string& format) const;

  // Whether the pane's shell has its terminal back: the shell's screen shows
  // and no program is in front of it. Until then a line typed may go to a
  // program still leaving (an ssh client in raw mode, a game flushing input).
  bool ShellInFront() const;

  // Polls the screen until the predicate holds or the time is up; the last
  // screen seen is left in *last when given.
  bool WaitFor(const std::function<bool(const Screen&)>& ready, std::chrono::milliseconds timeout,
               Screen* last = nullptr, bool colours = false) const;
  bool WaitForText(const std::string& text, std::chrono::milliseconds timeout,
                   Screen* last = nullptr) const;

  // Taps key, at most taps times, each time waiting up to each for ready.
  // The terminal reports no releases, so a tap may come to nothing when the
  // game is kept waiting just after it; a test tapping again is a player's.
  bool TapUntil(const std::string& key, const std::function<bool(const Screen&)>& ready, int taps,
                std::chrono::milliseconds each, Screen* last = nullptr, bool colours = false);

  // Runs a command on the host (not in the pane) and returns its output.
  static std::string Host(const std::string& command, int* status = nullptr);

  // The tmux command line prefix for this session's private server.
  std::string Tmux() const;

 private:
  std::string socket;
};

// Parses capture-pane -e output into cells and lines; exposed for its own test.
Screen ParseCapture(const std::string& escaped);

std::string ShellQuote(const std::string& text);

}  // namespace torvelkan::e2e
