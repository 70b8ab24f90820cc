// The command line, parsed with the standard library alone.
#include "program/command_line.h"

#include "program/printable_quote.h"

#include <cstdio>
#include <string_view>

namespace torvelkan {

namespace {

// Keeps the first fault only: one line is all the player is shown.
void Fail(CommandLine& result, const std::string& message) {
  if (result.action != CommandLine::Action::kError) {
    result.action = CommandLine::Action::kError;
    result.error = message;
  }
}

// --record FILE or --replay FILE, also written --record=FILE; i moves past
// the file name when it is the next argument.
void TakeFileOption(CommandLine& result, std::span<const char* const> arguments, std::size_t& i) {
  const std::string_view argument = arguments[i];
  const std::string_view name = argument.substr(0, argument.find('='));
  std::string path;
  if (name.size() < argument.size()) {
    path = std::string(argument.substr(name.size() + 1));
  } else if (i + 1 < arguments.size() && arguments[i + 1] != nullptr) {
    path = arguments[++i];
  } else {
    Fail(result, "option '" + std::string(name) + "' needs a file name");
    return;
  }
  if (path.empty()) {
    Fail(result, "option '" + std::string(name) + "' needs a file name");
    return;
  }
  const bool record = name == "--record";
  std::string& slot = record ? result.recordPath : result.replayPath;
  if (!slot.empty()) {
    Fail(result, "option '" + std::string(name) + "' given twice");
    return;
  }
  slot = path;
  if (!result.recordPath.empty() && !result.replayPath.empty()) {
    Fail(result, "options '--record' and '--replay' cannot be used together");
    return;
  }
  if (!record && result.action == CommandLine::Action::kPlay) {
    result.action = CommandLine::Action::kReplay;
  }
}

// --view full|half|auto, also written --view=half; i moves past the value
// when it is the next argument.
void TakeViewOption(CommandLine& result, std::span<const char* const> arguments, std::size_t& i) {
  const std::string_view argument = arguments[i];
  std::string_view value;
  if (argument.size() > 6) {
    value = argument.substr(7);
  } else if (i + 1 < arguments.size() && arguments[i + 1] != nullptr) {
    value = arguments[++i];
  }
  if (value == "auto") {
    result.device.view = ViewChoice::kAuto;
  } else if (value == "full") {
    result.device.view = ViewChoice::kFull;
  } else if (value == "half") {
    result.device.view = ViewChoice::kHalf;
  } else {
    Fail(result, "option '--view' takes full, half or auto, not " + PrintableQuote(value));
  }
}

// The options about the console device; false for any other argument.
bool TakeDeviceOption(CommandLine& result, std::span<const char* const> arguments, std::size_t& i) {
  const std::string_view argument = arguments[i];
  if (argument == "--true-colour" || argument == "--true-color" || argument == "--truecolor") {
    result.device.trueColour = true;
  } else if (argument == "--smooth-holds") {
    result.device.smoothHolds = true;
  } else if (argument == "--view" || argument.starts_with("--view=")) {
    TakeViewOption(result, arguments, i);
  } else {
    return false;
  }
  return true;
}

// --web [ADDRESS][:PORT]; i moves past the address when it is the next argument.
void TakeWebOption(CommandLine& result, std::span<const char* const> arguments, std::size_t& i) {
  if (const std::string fault = ParseWebOption(arguments, i, result.web); !fault.empty()) {
    Fail(result, fault);
  }
}

// Options that make sense alone but not together.
void CheckCombinations(CommandLine& result) {
  if (result.web.on && result.network.mode == NetworkOptions::Mode::kServe) {
    // The arena's door for browsers: on the arena's address, a port of its own.
    if (!result.web.addressGiven) {
      result.web.address = result.network.address;
    }
    if (!result.web.portGiven) {
      result.web.port = kDefaultBrowserDoorPort;
    }
  } else if (result.web.on) {
    // The browser is the screen and the keyboard of a game played here.
    if (result.network.mode != NetworkOptions::Mode::kNone) {
      Fail(result,
           "option '--web' plays here in a browser, or with --serve lets browsers in: it "
           "goes with none of --host, --join, --watch and --online");
    } else if (!result.replayPath.empty()) {
      Fail(result, "options '--replay' and '--web' cannot be used together");
    }
    return;
  }
  const NetworkOptions::Mode mode = result.network.mode;
  if (mode == NetworkOptions::Mode::kNone) {
    return;
  }
  const char* network = mode == NetworkOptions::Mode::kHost    ? "--host"
                        : mode == NetworkOptions::Mode::kJoin  ? "--join"
                        : mode == NetworkOptions::Mode::kWatch ? "--watch"
                        : mode == NetworkOptions::Mode::kServe ? "--serve"
                                                               : "--online";
  if (!result.replayPath.empty()) {
    Fail(result, std::string("options '--replay' and '") + network + "' cannot be used together");
  } else if (!result.recordPath.empty() && mode != NetworkOptions::Mode::kHost) {
    // Only the host runs the game; the others draw what it sends.
    Fail(result, std::string("options '--record' and '") + network + "' cannot be used together");
  }
}

}  // namespace

CommandLine ParseCommandLine(std::span<const char* const> arguments) {
  CommandLine result;
  for (std::size_t i = 0; i < arguments.size() && result.action != CommandLine::Action::kError;
       ++i) {
    const std::string_view argument = arguments[i] != nullptr ? arguments[i] : "";
    if (argument == "--help" || argument == "-h") {
      result.action = CommandLine::Action::kHelp;
    } else if (argument == "--version") {
      if (result.action == CommandLine::Action::kPlay ||
          result.action == CommandLine::Action::kReplay) {
        result.action = CommandLine::Action::kVersion;
      }
    } else if (TakeDeviceOption(result, arguments, i)) {
      // --true-colour, --smooth-holds, --view
    } else if (argument == "--record" || argument.starts_with("--record=") ||
               argument == "--replay" || argument.starts_with("--replay=")) {
      TakeFileOption(result, arguments, i);
    } else if (argument == "--host" || argument.starts_with("--host=") || argument == "--join" ||
               argument.starts_with("--join=") || argument == "--watch" ||
               argument.starts_with("--watch=") || argument == "--serve" ||
               argument.starts_with("--serve=") || argument == "--online" ||
               argument.starts_with("--online=")) {
      if (const std::string fault = ParseNetworkOption(arguments, i, result.network);
          !fault.empty()) {
        Fail(result, fault);
      }
    } else if (IsWebOption(argument)) {
      TakeWebOption(result, arguments, i);
    } else if (argument.starts_with("-")) {
      Fail(result, "unknown option " + PrintableQuote(argument));
    } else {
      Fail(result, "unexpected argument " + PrintableQuote(argument));
    }
  }
  CheckCombinations(result);
  return result;
}

std::string UsageText() {
  return "Usage: torvelkan [OPTION]...\n"
         "A two-player arena fighter for the terminal (80 x 50 cells, or 80 x 24 halved).\n"
         "\n"
         "Options:\n"
         "  -h, --help         show this help and exit\n"
         "      --version      show the version and exit\n"
         "      --record FILE  play as usual and write the session to FILE as it goes\n"
         "                     (with --host, the guest's keys too)\n"
         "      --replay FILE  watch a recorded session: Space pauses, Right and Left\n"
         "                     double and halve the speed, Esc ends\n"
         "      --host [ADDRESS][:PORT]\n"
         "                     play red here and let one guest join over the network\n"
         "                     and up to 8 spectators watch; listens on every address\n"
         "                     by default, port 41960; the screen shows how to join\n"
         "                     until a guest does\n"
         "      --join HOST[:PORT] CODE\n"
         "                     play blue in the host's game (arrow keys or W, A, S, D;\n"
         "                     Esc leaves) with the join code the host's screen shows\n"
         "      --watch HOST[:PORT] CODE\n"
         "                     watch the host's game (Esc leaves)\n"
         "      --online SERVER[:PORT] [CODE]\n"
         "                     play on an arena server (port 41961 unless given): its\n"
         "                     lobby starts a room (with a code to give a friend),\n"
         "                     joins one by its code, pairs you with whoever waits or\n"
         "                     watches a game; with CODE, straight into that room.\n"
         "                     Up, Down and Enter choose, Esc goes back and leaves\n"
         "      --serve [ADDRESS][:PORT]\n"
         "                     run an arena server without a terminal: rooms of two\n"
         "                     players each (the AI plays blue while its seat is\n"
         "                     empty) and their spectators; listens on every address\n"
         "                     by default, port 41961; logs to standard error and\n"
         "                     stops cleanly on SIGTERM or SIGINT; with --web, lets\n"
         "                     browsers in too\n"
         "      --web [ADDRESS][:PORT]\n"
         "                     play here in a web browser, every key release exact:\n"
         "                     prints the address to open (with a code in it) and\n"
         "                     runs without the terminal until the menu's exit,\n"
         "                     Ctrl+C or SIGTERM; loopback and any free port unless\n"
         "                     told. With --serve, the arena's door for browsers:\n"
         "                     its page (the lobby and the rooms) and WebSocket on\n"
         "                     the arena's address, port 41962 unless told; a port\n"
         "                     alone is a number (builds with Boost's headers only)\n"
         "      --smooth-holds\n"
         "                     where the terminal never reports key releases, guess\n"
         "                     them so that a held key walks on smoothly (a tap then\n"
         "                     walks on for most of a second) instead of a tap being\n"
         "                     a short step\n"
         "      --true-colour  draw in the console's own sixteen colours as 24-bit\n"
         "                     colour where COLORTERM is truecolor or 24bit, rather\n"
         "                     than in the terminal's palette (also --truecolor)\n"
         "      --view full|half|auto\n"
         "                     full: a terminal cell a cell, on 80 x 50 (the terminal\n"
         "                     is asked for that size); half: two rows a terminal row,\n"
         "                     on 80 x 24; auto (the default): full from 50 rows up\n"
         "\n"
         "Keys:\n"
         "  start-up notice  Esc quits\n"
         "  logo             any key goes to the menu\n"
         "  menu             Up, Down move the marker; Enter or Space chooses the entry:\n"
         "                   Gra (fight), Informacje (the readme), Wyjscie (quit);\n"
         "                   Esc quits\n"
         "  fight            red: Left, Right walk, Up jumps, Down bites or shoots;\n"
         "                   blue: A, D, W, S the same while the AI is off;\n"
         "                   Space hands blue to the AI or back; Esc goes to the menu\n"
         "  readme           Up, Down scroll; Esc goes to the menu\n"
         "\n"
         "The network stream is not encrypted: the join code keeps strangers out, not\n"
         "eavesdroppers. Over the internet, forward the port or use an SSH tunnel.\n"
         "\n"
         "Exit status:\n"
         "  0        left by Esc or the menu's Wyjscie, or an option that only prints\n"
         "  1        an error, told on standard error\n"
         "  2        a fault in the command line\n"
         "  128 + n  ended by signal n, such as 130 for Ctrl+C\n"
         "\n"
         "More in the manual: man 6 torvelkan.\n";
}

std::string VersionText() {
  return "torvelkan " TORVELKAN_VERSION
         "\n"
         "Copyright (c) 2026 The Torvelkan developers\n"
         "This is free software under the MIT licence; there is NO WARRANTY,\n"
         "to the extent permitted by law.\n";
}

}  // namespace torvelkan
