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

}  // namespace

CommandLine ParseCommandLine(std::span<const char* const> arguments) {
  CommandLine result;
  for (std::size_t i = 0; i < arguments.size() && result.action != CommandLine::Action::kError;
       ++i) {
    const std::string_view argument = arguments[i] != nullptr ? arguments[i] : "";
    if (argument == "--help" || argument == "-h") {
      result.action = CommandLine::Action::kHelp;
    } else if (argument == "--version") {
      if (result.action == CommandLine::Action::kPlay) {
        result.action = CommandLine::Action::kVersion;
      }
    } else if (argument == "--true-colour" || argument == "--true-color" ||
               argument == "--truecolor") {
      result.trueColour = true;
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
