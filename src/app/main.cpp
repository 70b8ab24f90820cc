// The program entry: the console device, the grid, the App and the paced loop.
#include <cstdio>
#include <exception>

#include "app/app.h"
#include "app/main_loop.h"
#include "common/frame_pacer.h"
#include "common/tick.h"
#include "console/console_screen.h"
#include "console/platform_device.h"

int main() {
  using namespace torvelkan;
  try {
    PlatformDevice device;  // takes the console over; given back when destroyed
    ConsoleScreen screen(device);
    App app(screen, [] { return GetTickCount(); });
    FramePacer pacer(kPassPeriodMicroseconds);
    RunMainLoop(screen, app, [&pacer] { pacer.Wait(); });
  } catch (const std::exception& error) {
    // The console has been given back by now, so the message stays readable.
    std::fprintf(stderr, "torvelkan: %s\n", error.what());
    return 1;
  } catch (...) {
    std::fprintf(stderr, "torvelkan: stopped by an unknown error\n");
    return 1;
  }
  return 0;
}
