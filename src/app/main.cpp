// The program entry: the command line, then the console device, the grid, the
// App and the paced loop.
#include <cstdio>
#include <exception>
#include <span>
#include <string>

#include "app/app.h"
#include "app/command_line.h"
#include "app/main_loop.h"
#include "common/frame_pacer.h"
#include "common/tick.h"
#include "console/console_screen.h"
#include "console/platform_device.h"

namespace {

// Exit statuses: 2 is a command-line fault, as with the usual tools.
constexpr int kStatusFailure = 1;
constexpr int kStatusUsage = 2;

// What --help and --version print. A full disk or a closed standard output is
// an error like any other: the text did not arrive, so the status says so.
int Print(const std::string& text) {
  if (std::fputs(text.c_str(), stdout) < 0 || std::fflush(stdout) != 0) {
    std::fputs("torvelkan: cannot write to standard output\n", stderr);
    return kStatusFailure;
  }
  return 0;
}

int Play() {
  using namespace torvelkan;
  PlatformDevice device;  // takes the console over; given back when destroyed
  ConsoleScreen screen(device);
  App app(screen, [] { return torvelkan::GetTickCount(); });
  FramePacer pacer(kPassPeriodMicroseconds);
  RunMainLoop(screen, app, [&pacer] { pacer.Wait(); });
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace torvelkan;
  const std::span<const char* const> arguments(argv + (argc > 0 ? 1 : 0),
                                               argc > 0 ? static_cast<std::size_t>(argc - 1) : 0);
  const CommandLine commandLine = ParseCommandLine(arguments);
  switch (commandLine.action) {
    case CommandLine::Action::kHelp: return Print(UsageText());
    case CommandLine::Action::kVersion: return Print(VersionText());
    case CommandLine::Action::kError:
      std::fprintf(stderr, "torvelkan: %s (try 'torvelkan --help')\n", commandLine.error.c_str());
      return kStatusUsage;
    case CommandLine::Action::kPlay: break;
  }
  try {
    return Play();
  } catch (const std::exception& error) {
    // The console has been given back by now, so the message stays readable.
    std::fprintf(stderr, "torvelkan: %s\n", error.what());
    return kStatusFailure;
  } catch (...) {
    std::fprintf(stderr, "torvelkan: stopped by an unknown error\n");
    return kStatusFailure;
  }
}
