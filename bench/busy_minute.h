// A minute of fighting recorded as the terminal device would receive it: the
// real App on the memory device, keys scripted for both players, the clock
// moved 2 ms a pass, and a frame kept after every fifth pass, as the loop
// shows them.
#pragma once

#include <cstddef>
#include <vector>

#include "console/console_types.h"
#include "replay/recorder.h"

namespace torvelkan::bench {

struct BusyMinute {
  std::vector<CellGrid> sent;  // the frames the terminal would receive, in order
  std::size_t passes = 0;      // main loop passes (game updates) in the minute
  int blueDeaths = 0;
  int redDeaths = 0;
  std::size_t mostParticles = 0;
  std::size_t mostShots = 0;
};

inline constexpr std::uint32_t kBusyMinuteMs = 60000;

// The same frames every time: the clock, the keys and the seed are fixed.
// With a recorder the minute is also written as a recording, the way
// --record writes a game.
BusyMinute RecordBusyMinute(replay::Recorder* recorder = nullptr);

}  // namespace torvelkan::bench
