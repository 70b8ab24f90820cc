// The game on this machine alone: the console device, the grid, the App and
// the loop on its schedule.
#include "program/play_locally.h"

#include <cstdint>

#include "app/app.h"
#include "app/main_loop.h"
#include "common/monotonic_clock.h"
#include "common/tick.h"
#include "console/console_screen.h"
#include "program/platform_device.h"
#include "replay/session_recording.h"

namespace torvelkan {

int PlayLocally(const DeviceOptions& deviceOptions, const std::string& recordPath,
                const std::string& programVersion) {
  replay::SessionRecording recording(recordPath, programVersion);
  // Takes the console over; given back when destroyed.
  PlatformDevice device = MakePlatformDevice(deviceOptions);
  ConsoleScreen screen(recording.Wrap(device));
  PassSchedule schedule(ReadTickCount(), MonotonicMicroseconds());
  App app(screen, recording.Wrap([&schedule] { return schedule.Tick(); }));
  LoopClock clock;
  clock.now = [] { return MonotonicMicroseconds(); };
  PlatformLoopWait wait(device);
  clock.waitUntil = [&wait](std::int64_t deadline) { wait.Until(deadline); };
  RunMainLoop(screen, app, schedule, clock);
  recording.Finish();
  return 0;
}

}  // namespace torvelkan
