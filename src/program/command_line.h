// The program's command line: what to do, and the options that shape it.
//
// Parsing is pure (no I/O) so every case is a table row in a test; main acts on
// the result. With no arguments the game is exactly the one it always was.
#pragma once

#include <span>
#include <string>

#include "console/device_options.h"
#include "program/network_options.h"
#include "program/web_options.h"

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
  NetworkOptions network;  // --host, --join, --watch
  WebOptions web;          // --web
  DeviceOptions device;    // --smooth-holds, --true-colour
};

CommandLine ParseCommandLine(std::span<const char* const> arguments);

// The text of --help and of --version.
std::string UsageText();
std::string VersionText();

}  // namespace torvelkan
