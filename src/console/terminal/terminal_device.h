// The console device for POSIX terminals.
//
// It takes the terminal over the way full-screen programs do (raw input, the
// alternate screen, no cursor, no line wrap, bracketed paste, the title) and
// gives everything back on every way out, by one plan that its signal
// handlers and its guardian process share. Taking and giving back stay
// balanced: the signal handlers only note what came, and the loop acts on it.
// Frames go out as differences, each held back by the terminal until it is
// whole where the terminal can do that. Keys come with true releases from the
// kitty keyboard protocol where the terminal speaks it, else from
// win32-input-mode where the terminal takes that request, or from the raw
// keyboard of a Linux console; elsewhere releases are guessed. A terminal
// shorter than the grid gets the half view, two grid rows a terminal row.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "console/console_device.h"
#include "console/terminal/frame_encoder.h"
#include "console/terminal/input_decoder.h"
#include "console/terminal/key_router.h"
#include "console/terminal/terminal_session.h"
#include "console/terminal/vt_keyboard.h"
#include "console/terminal/vt_keycode_decoder.h"
#include "console/view_choice.h"

namespace torvelkan {

class TerminalDevice final : public ConsoleDevice {
 public:
  struct Settings {
    int inputFd = 0;
    int outputFd = 1;
    // How long the start waits for the terminal to answer its questions.
    std::uint32_t answerWaitMs = 200;
    // After the terminal is given back, a quit signal ends the process by
    // that signal, as it would have without the game catching it.
    bool endBySignal = true;
    // Refuse a terminal that is not the process's controlling terminal: no
    // Ctrl+C, Ctrl+Z or resize would ever reach the game from it.
    bool mustBeControllingTerminal = true;
    // A guardian process gives the terminal back should the game be killed.
    bool guarded = true;
    // Guess releases for smooth holds rather than short taps.
    bool smoothHolds = false;
    // The Linux console's keyboard-mode calls (a fake in tests).
    KeyboardModeCalls keyboardCalls = SystemKeyboardModeCalls();
    // Draw with the console's own colours in 24-bit colour, where COLORTERM
    // says the terminal has it.
    bool trueColour = false;
    // The full or the half view, or the one the terminal's size calls for.
    ViewChoice view = ViewChoice::kAuto;
  };

  // However often frames are presented, at most one goes out per gap.
  static constexpr std::int64_t kShortestSendGapMicroseconds = 4000;

  // At most this much of what the terminal sent is read in one pass.
  static constexpr std::size_t kMostReadPerPass = std::size_t{256} * 1024;

  // Throws std::runtime_error when input or output is not a terminal, or not
  // the controlling one.
  TerminalDevice();
  explicit TerminalDevice(const Settings& given);
  ~TerminalDevice() override;

  void Present(const CellGrid& cells) override;
  bool HasInput() override;
  void ReadInput(InputRecord& record) override;
  void SetTitle(const char* text) override;
  bool QuitRequested() override;
  void ShowTextFrom(int row) override { textFrom = row; }
  int RowsShownFrom(int row) override;

  // Waits until input comes or the time is up (or a signal arrives); returns
  // at once while events wait to be read.
  void WaitForInput(std::int64_t timeoutMicroseconds);

  bool KittyKeyboard() const { return session.Features().kittyKeyboard; }
  bool SynchronizedOutput() const { return session.Features().synchronizedOutput; }
  bool TrueColour() const { return trueColour; }
  int TerminalColumns() const { return columns; }
  int TerminalRows() const { return rows; }
  View CurrentView() const { return view; }
  std::uint64_t BytesSent() const { return bytesSent; }
  pid_t GuardianPid() const { return session.GuardianPid(); }
  // The Linux console's raw keyboard: whether it is on, and what puts the
  // console back (the mode to set on that fd; -1 while it is off).
  bool RawConsoleKeyboard() const { return session.ConsoleKeyboard().Taken(); }
  int SavedKeyboardMode() const { return session.ConsoleKeyboard().SavedMode(); }
  int KeyboardFd() const { return session.ConsoleKeyboard().Fd(); }

 private:
  void TakeOver();
  void GiveBack();
  void GiveBackAndTakeOver();
  void AskTheTerminal();
  void ReadSize();
  void Suspend();
  void ActOnSignals();
  void ReadTerminalInput();
  void Decode(const unsigned char* bytes, std::size_t size, std::uint32_t now);
  void ActOnInput(const TerminalInput& input, std::uint32_t now);
  void TakeUpLateAnswer(const TerminalInput& input);
  bool Send(const std::string& bytes);
  const CellGrid& Picture(const CellGrid& cells);

  Settings settings;
  TerminalSession session;
  // What the terminal answered to the start's questions, in the wait or later.
  TerminalAnswers answers;
  bool trueColour = false;
  int columns = 80;
  int rows = 50;
  View view = View::kFull;
  // The grid rows from here down are text, shown at full height in the half view.
  int textFrom = kRows;
  // What the terminal is to show, where that is not the grid itself.
  CellGrid picture{};
  std::string title;
  FrameEncoder encoder;
  InputDecoder decoder;
  VtKeycodeDecoder vtKeys;
  std::vector<TerminalInput> decoded;
  KeyRouter keys;
  std::string output;
  std::int64_t lastSend = 0;
  bool sentOnce = false;
  // The last wait ran out with nothing to read: until the next wait, input
  // is not looked for (a device never waited on looks every time).
  bool quietSinceWait = false;
  std::uint64_t bytesSent = 0;
};

}  // namespace torvelkan
