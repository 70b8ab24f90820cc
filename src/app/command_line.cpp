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
    } else if (argument == "--host" || argument.starts_with("--host=") || argument == "--join" ||
               argument.starts_with("--join=") || argument == "--watch" ||
               argument.starts_with("--watch=")) {
      if (const std::string fault = ParseNetworkOption(arguments, i, result.network);
          !fault.empty()) {
        Fail(result, fault);
      }
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
         "  -h, --help     show this help and exit\n"
         "      --version  show the version and exit\n"
         "      --host [ADDRESS][:PORT]\n"
         "                 play red here and let one guest join over the network and up\n"
         "                 to 8 spectators watch; listens on every address by default,\n"
         "                 port 41960; the screen shows how to join until a guest does\n"
         "      --join HOST[:PORT] CODE\n"
         "                 play blue in the host's game (arrow keys or W, A, S, D; Esc\n"
         "                 leaves) with the join code the host's screen shows\n"
         "      --watch HOST[:PORT] CODE\n"
         "                 watch the host's game (Esc leaves)\n"
         "\n"
         "Keys: red walks with Left and Right, jumps with Up, bites or shoots with Down;\n"
         "blue uses A, D, W, S while the AI is off. Space hands blue to the AI or back;\n"
         "Esc leaves the fight, and the game from the menu.\n"
         "\n"
         "The network stream is not encrypted: the join code keeps strangers out, not\n"
         "eavesdroppers. Over the internet, forward the port or use an SSH tunnel.\n";
}

std::string VersionText() { return "torvelkan " TORVELKAN_VERSION "\n"; }

}  // namespace torvelkan
