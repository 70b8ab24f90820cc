// Watching a recorded session on the platform's console, in real time.
#include "program/watch_recording.h"

#include <cstdint>
#include <cstdio>

#include "app/main_loop.h"
#include "common/frame_pacer.h"
#include "common/monotonic_clock.h"
#include "program/platform_device.h"
#include "program/printable_quote.h"
#include "replay/recording.h"
#include "replay/replay_player.h"

namespace torvelkan {

int WatchRecording(const std::string& path, const DeviceOptions& deviceOptions) {
  const replay::Recording recording = replay::LoadRecording(path);
  {
    PlatformDevice device = MakePlatformDevice(deviceOptions);
    replay::ReplayPlayer player(recording, device);
    FramePacer pacer(kPassPeriodMicroseconds);
    const std::int64_t start = MonotonicMicroseconds();
    player.Run([start] { return MonotonicMicroseconds() - start; }, [&pacer] { pacer.Wait(); });
  }  // the console is given back before the message
  if (recording.cutShort) {
    const std::string name = PrintableQuote(path, kPrintablePathBytes);
    std::fprintf(stderr, "torvelkan: %s\n", replay::CutShortNotice(name, recording).c_str());
  }
  return 0;
}

}  // namespace torvelkan
