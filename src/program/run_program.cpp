// The command line read and acted on: help, version, or one of the ways to play.
#include "program/run_program.h"

#include <cstdio>
#include <exception>
#include <string>

#include "program/command_line.h"
#include "program/play_in_browser.h"
#include "program/play_locally.h"
#include "program/play_over_network.h"
#include "program/printable_quote.h"
#include "program/serve_arena.h"
#include "program/watch_recording.h"
#include "replay/file_fault.h"

namespace torvelkan {

namespace {

// Exit statuses: 2 is a command-line fault, as with the usual tools.
constexpr int kStatusFailure = 1;
constexpr int kStatusUsage = 2;

// The program's name and version, as a recording keeps it: the first line.
std::string ProgramVersion() {
  const std::string text = VersionText();
  return text.substr(0, text.find('\n'));
}

// What --help and --version print. A full disk or a closed standard output is
// an error like any other: the text did not arrive, so the status says so.
int Print(const std::string& text) {
  if (std::fputs(text.c_str(), stdout) < 0 || std::fflush(stdout) != 0) {
    std::fputs("torvelkan: cannot write to standard output\n", stderr);
    return kStatusFailure;
  }
  return 0;
}

}  // namespace

int RunProgram(std::span<const char* const> arguments) {
  const CommandLine commandLine = ParseCommandLine(arguments);
  switch (commandLine.action) {
    case CommandLine::Action::kHelp: return Print(UsageText());
    case CommandLine::Action::kVersion: return Print(VersionText());
    case CommandLine::Action::kError:
      std::fprintf(stderr, "torvelkan: %s (try 'torvelkan --help')\n", commandLine.error.c_str());
      return kStatusUsage;
    case CommandLine::Action::kPlay:
    case CommandLine::Action::kReplay: break;
  }
  try {
    if (commandLine.action == CommandLine::Action::kReplay) {
      return WatchRecording(commandLine.replayPath, commandLine.device);
    }
    if (commandLine.network.mode == NetworkOptions::Mode::kServe) {
      return ServeArena(commandLine.network, commandLine.web);
    }
    if (commandLine.web.on) {
      return PlayInBrowser(commandLine.web, commandLine.recordPath, ProgramVersion());
    }
    if (commandLine.network.mode != NetworkOptions::Mode::kNone) {
      return net::PlayOverNetwork(commandLine.network, commandLine.device, commandLine.recordPath,
                                  ProgramVersion());
    }
    return PlayLocally(commandLine.device, commandLine.recordPath, ProgramVersion());
  } catch (const replay::FileFault& fault) {
    // The console has been given back by now, so the message stays readable;
    // the player's name for the file is shown, never obeyed, by the terminal.
    std::fprintf(stderr, "torvelkan: %s: %.*s\n",
                 PrintableQuote(fault.Path(), kPrintablePathBytes).c_str(),
                 static_cast<int>(fault.Problem().size()), fault.Problem().data());
    return kStatusFailure;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "torvelkan: %s\n", error.what());
    return kStatusFailure;
  } catch (...) {
    std::fprintf(stderr, "torvelkan: stopped by an unknown error\n");
    return kStatusFailure;
  }
}

}  // namespace torvelkan
