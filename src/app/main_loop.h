// The main loop: passes of one input event and one step, on a schedule of one
// pass per 2 ms of game time, with a frame drawn and shown after every fifth. The process wakes
// when a frame is due or input arrives, not for every pass: the passes due since the last wake run
// back to back, each with its own scheduled tick.
#pragma once

#include <cstdint>
#include <functional>

#include "app/app.h"
#include "app/pass_schedule.h"
#include "console/console_screen.h"

namespace torvelkan {

// A pass lasts 2 ms of game time: 500 passes a second.
inline constexpr long long kPassPeriodMicroseconds = PassSchedule::kPassMicroseconds;

// One pass that draws and shows its frame; true ends the program.
bool RunPass(ConsoleScreen& screen, App& app);

// One pass without a frame: an input event, if one waits, and a step; true
// ends the program.
bool StepPass(ConsoleScreen& screen, App& app);

// How the loop meets real time: a monotonic clock in microseconds, and a wait
// that returns by the deadline on that clock, or sooner once input has come
// (or for any other reason: the loop then looks and waits again). A test
// scripts both.
struct LoopClock {
  std::function<std::int64_t()> now;
  std::function<void(std::int64_t deadline)> waitUntil;
};

// The passes due at now (microseconds on the schedule's clock), with one run
// early when input waits and none is due, then the frame if one is due or a
// key was taken; true when the program ends. A caller that serves many
// games calls it for each as its time comes.
bool RunPassesDue(ConsoleScreen& screen, App& app, PassSchedule& schedule, std::int64_t now);

// When RunPassesDue next has something to do: the next frame, or the next
// pass while input waits.
std::int64_t NextWake(ConsoleScreen& screen, const PassSchedule& schedule);

// Runs passes until the program ends or is asked to end from outside. The
// App must read its time from the schedule's Tick.
void RunMainLoop(ConsoleScreen& screen, App& app, PassSchedule& schedule, const LoopClock& clock);

// The loop for a caller that times each pass itself: betweenPasses waits for
// the next one. A frame is drawn and shown after every fifth pass, as above.
void RunMainLoop(ConsoleScreen& screen, App& app, const std::function<void()>& betweenPasses);

}  // namespace torvelkan
