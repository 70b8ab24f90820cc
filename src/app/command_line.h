// The program's command line: what to do, and the options that shape it.
//
// Parsing is pure (no I/O) so every case is a table row in a test; main acts on
// the result. With no arguments the game is exactly the one it always was.
#pragma once

#include <span>
#include <string>

namespace torvelkan {

struct CommandLine {
  enum class Action { kPlay, kHelp, kVersion, kReplay, kError };
  Action action = Action::kPlay;
  // --record FILE: the session played is written there as it goes.
  std::string recordPath;
  // --replay FILE (kReplay): the recording to watch.
  std::string replayPath;
  // For kError: one line naming the option at fault.
  std::string error;
  // --true-colour: the console's own colours in 24-bit colour, where the
  // terminal says it has it; otherwise the terminal's palette.
  bool trueColour = false;
};

CommandLine ParseCommandLine(std::span<const char* const> arguments);

// The text of --help and of --version.
std::string UsageText();
std::string VersionText();

}  // namespace torvelkan
