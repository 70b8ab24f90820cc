// The program entry: the command line, then the console device, the grid, the
// App and the loop on its schedule.
#include <chrono>
#include <cstdio>
#include <exception>
#include <span>
#include <string>

#include "app/app.h"
#include "program/command_line.h"
#include "app/main_loop.h"
#include "common/frame_pacer.h"
#include "common/monotonic_clock.h"
#include "common/tick.h"
#include "console/console_screen.h"
#include "program/platform_device.h"
#include "program/play_over_network.h"
#include "replay/recording.h"
#include "replay/replay_player.h"
#include "replay/session_recording.h"

namespace {

// Exit statuses: 2 is a command-line fault, as with the usual tools.
constexpr int kStatusFailure = 1;
constexpr int kStatusUsage = 2;

// The program's name and version, as a recording keeps it: the first line.
std::string ProgramVersion() {
  const std::string text = torvelkan::VersionText();
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

int Play(const torvelkan::CommandLine& commandLine) {
  using namespace torvelkan;
  replay::SessionRecording recording(commandLine.recordPath, ProgramVersion());
  // Takes the console over; given back when destroyed.
  PlatformDevice device = MakePlatformDevice(commandLine.device);
  ConsoleScreen screen(recording.Wrap(device));
  PassSchedule schedule(torvelkan::ReadTickCount(), MonotonicMicroseconds());
  App app(screen, recording.Wrap([&schedule] { return schedule.Tick(); }));
  LoopClock clock;
  clock.now = [] { return MonotonicMicroseconds(); };
#ifdef _WIN32
  // The Windows console is looked at every pass, as the pacer wakes on time.
  FramePacer pacer(kPassPeriodMicroseconds);
  clock.waitUntil = [&pacer](std::int64_t) { pacer.Wait(); };
#else
  clock.waitUntil = [&device](std::int64_t deadline) {
    device.WaitForInput(deadline - MonotonicMicroseconds());
  };
#endif
  RunMainLoop(screen, app, schedule, clock);
  recording.Finish();
  return 0;
}

// Watches a recording; a bad file stops the program before the console is taken.
int Replay(const std::string& path, const torvelkan::DeviceOptions& deviceOptions) {
  using namespace torvelkan;
  const replay::Recording recording = replay::LoadRecording(path);
  {
    PlatformDevice device = MakePlatformDevice(deviceOptions);
    replay::ReplayPlayer player(recording, device);
    FramePacer pacer(kPassPeriodMicroseconds);
    const auto start = std::chrono::steady_clock::now();
    player.Run(
        [start] {
          return std::chrono::duration_cast<std::chrono::microseconds>(
                     std::chrono::steady_clock::now() - start)
              .count();
        },
        [&pacer] { pacer.Wait(); });
  }
  if (recording.cutShort) {
    std::fprintf(stderr, "torvelkan: %s\n", replay::CutShortNotice(path, recording).c_str());
  }
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
    case CommandLine::Action::kPlay:
    case CommandLine::Action::kReplay: break;
  }
  try {
    if (commandLine.action == CommandLine::Action::kReplay) {
      return Replay(commandLine.replayPath, commandLine.device);
    }
    if (commandLine.network.mode != NetworkOptions::Mode::kNone) {
      return net::PlayOverNetwork(commandLine.network, commandLine.device, commandLine.recordPath,
                                  ProgramVersion());
    }
    return Play(commandLine);
  } catch (const std::exception& error) {
    // The console has been given back by now, so the message stays readable.
    std::fprintf(stderr, "torvelkan: %s\n", error.what());
    return kStatusFailure;
  } catch (...) {
    std::fprintf(stderr, "torvelkan: stopped by an unknown error\n");
    return kStatusFailure;
  }
}
