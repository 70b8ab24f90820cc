// The command line, parsed with the standard library alone.
#include "app/command_line.h"

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
    } else if (argument == "--true-colour" || argument == "--true-color" ||
               argument == "--truecolor") {
      result.trueColour = true;
    } else if (argument == "--record" || argument.starts_with("--record=") ||
               argument == "--replay" || argument.starts_with("--replay=")) {
      TakeFileOption(result, arguments, i);
    } else if (argument.starts_with("-")) {
      Fail(result, "unknown option '" + std::string(argument) + "'");
    } else {
      Fail(result, "unexpected argument '" + std::string(argument) + "'");
    }
  }
  return result;
}

std::string UsageText() {
  return "Usage: torvelkan [OPTION]...\n"
         "A two-player arena fighter for the terminal (80 x 50 cells).\n"
         "\n"
         "Options:\n"
         "  -h, --help         show this help and exit\n"
         "      --version      show the version and exit\n"
         "      --record FILE  play as usual and write the session to FILE as it goes\n"
         "      --replay FILE  watch a recorded session: Space pauses, Right and Left\n"
         "                     double and halve the speed, Esc ends\n"
         "      --true-colour  draw in the console's own sixteen colours as 24-bit\n"
         "                     colour where COLORTERM is truecolor or 24bit, rather\n"
         "                     than in the terminal's palette (also --truecolor)\n"
         "\n"
         "Keys: red walks with Left and Right, jumps with Up, bites or shoots with Down;\n"
         "blue uses A, D, W, S while the AI is off. Space hands blue to the AI or back;\n"
         "Esc leaves the fight, and the game from the menu.\n";
}

std::string VersionText() { return "torvelkan " TORVELKAN_VERSION "\n"; }

}  // namespace torvelkan
