// The console device for POSIX terminals.
//
// It takes the terminal over the way full-screen programs do (raw input, the
// alternate screen, no cursor, no line wrap, the title) and gives everything
// back on every way out. Frames go out as differences, each held back by the
// terminal until it is whole where the terminal can do that. Keys come from the kitty keyboard
// protocol where the terminal speaks it, with true releases; elsewhere releases are guessed.
#pragma once

#include <termios.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "console/console_device.h"
#include "console/terminal/frame_encoder.h"
#include "console/terminal/input_decoder.h"
#include "console/terminal/release_guesser.h"

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
    // Draw with the console's own colours in 24-bit colour, where COLORTERM
    // says the terminal has it.
    bool trueColour = false;
  };

  static constexpr std::uint8_t kKittyFlags = 1 | 2 | 8;  // disambiguate, event types, all keys
  // However often frames are presented, at most one goes out per gap.
  static constexpr std::chrono::microseconds kShortestSendGap{4000};

  // Throws std::runtime_error when input or output is not a terminal.
  TerminalDevice();
  explicit TerminalDevice(const Settings& given);
  ~TerminalDevice() override;

  void Present(const CellGrid& cells) override;
  bool HasInput() override;
  void ReadInput(InputRecord& record) override;
  void SetTitle(const char* text) override;
  bool QuitRequested() override;

  // Waits until input comes or the time is up (or a signal arrives); returns
  // at once while events wait to be read.
  void WaitForInput(std::int64_t timeoutMicroseconds);

  bool KittyKeyboard() const { return kitty; }
  bool SynchronizedOutput() const { return synchronized; }
  bool TrueColour() const { return trueColour; }
  int TerminalColumns() const { return columns; }
  int TerminalRows() const { return rows; }
  std::uint64_t BytesSent() const { return bytesSent; }

 private:
  void Take();
  void Give();
  void AskTheTerminal();
  void ReadSize();
  void Suspend();
  void Service();
  void Pump();
  void Translate(const TerminalInput& input, std::uint32_t now);
  void PushKey(std::uint16_t code, bool down);
  void ReleaseEverything();
  bool Send(const std::string& bytes);
  std::string RestoreBytes() const;
  CellGrid WithSizeWarning(const CellGrid& cells) const;

  Settings settings;
  termios saved{};
  bool taken = false;
  bool kitty = false;
  bool synchronized = false;
  bool trueColour = false;
  bool quitByKey = false;
  int columns = 80;
  int rows = 50;
  std::string title;
  FrameEncoder encoder;
  InputDecoder decoder;
  ReleaseGuesser guesser;
  std::vector<TerminalInput> decoded;
  std::vector<GuessedKeyEvent> guessed;
  std::vector<std::uint16_t> reportedDown;  // keys the kitty reports hold down
  std::deque<InputRecord> events;
  std::string output;
  std::chrono::steady_clock::time_point lastSend{};
  bool sentOnce = false;
  // The last wait ran out with nothing to read: until the next wait, input
  // is not looked for (a device never waited on looks every time).
  bool quietSinceWait = false;
  std::uint64_t bytesSent = 0;
};

}  // namespace torvelkan
