// The command line, parsed with the standard library alone.
#include "app/command_line.h"

#include <cstdio>
#include <string_view>

namespace torvelkan {

namespace {

// Far beyond any option's name; a longer argument is cut in the fault line.
constexpr std::size_t kShownArgumentBytes = 64;

// An argument as the fault line quotes it: printable ASCII as it is, any other
// byte as \xHH, cut after kShownArgumentBytes. Whatever was typed (or passed
// by a script), the line can neither move the terminal's cursor nor flood it.
std::string Shown(std::string_view argument) {
  std::string shown;
  for (std::size_t i = 0; i < argument.size() && i < kShownArgumentBytes; ++i) {
    const auto byte = static_cast<unsigned char>(argument[i]);
    if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
      shown.push_back(static_cast<char>(byte));
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned>(byte));
      shown += escaped;
    }
  }
  if (argument.size() > kShownArgumentBytes) {
    shown += "...";
  }
  return "'" + shown + "'";
}

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
    } else if (argument.starts_with("-")) {
      Fail(result, "unknown option " + Shown(argument));
    } else {
      Fail(result, "unexpected argument " + Shown(argument));
    }
  }
  return result;
}

std::string UsageText() {
  return "Usage: torvelkan [OPTION]...\n"
         "A two-player arena fighter for the terminal (80 x 50 cells).\n"
         "\n"
         "Options:\n"
         "  -h, --help     show this help and exit\n"
         "      --version  show the version and exit\n"
         "\n"
         "Keys: red walks with Left and Right, jumps with Up, bites or shoots with Down;\n"
         "blue uses A, D, W, S while the AI is off. Space hands blue to the AI or back;\n"
         "Esc leaves the fight, and the game from the menu.\n"
         "\n"
         "Exit status: 0 when left by Esc, 1 on an error, 2 for a fault in the command\n"
         "line, 128 + n when ended by signal n. More in the manual: man 6 torvelkan.\n";
}

std::string VersionText() {
  return "torvelkan " TORVELKAN_VERSION
         "\n"
         "Copyright (c) 2026 The Torvelkan developers\n"
         "This is free software under the MIT licence; there is NO WARRANTY,\n"
         "to the extent permitted by law.\n";
}

}  // namespace torvelkan
