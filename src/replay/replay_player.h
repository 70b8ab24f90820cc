// Plays a recording: the real App fed with the recorded ticks and input
// events, drawing on the real console at the recorded speed, which the
// viewer's keys change: Space pauses and resumes, Right doubles the speed up
// to 8x, Left halves it down to 1/4x, Esc ends.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "app/app.h"
#include "console/console_device.h"
#include "console/console_screen.h"
#include "replay/recording.h"
#include "replay/replay_cursor.h"
#include "replay/replay_device.h"

namespace torvelkan::replay {

class ReplayPlayer {
 public:
  // Speeds are 2 to these powers.
  static constexpr int kSlowest = -2;
  static constexpr int kFastest = 3;
  // A longer pause in the recording (the game stopped, the machine slept)
  // plays as this long; one that comes within this long of the replay's time
  // after another plays as none, so that a run of them plays as one.
  static constexpr std::uint32_t kLongestWaitMs = 1000;
  // The most real time one call of Advance makes up for, so that the replay
  // never races to catch up after it was held up.
  static constexpr std::int64_t kLongestStepUs = 100000;
  // A pass costs the replay this much of its time at least, as the live game
  // runs one every 2 ms: however many passes a recording holds at one tick,
  // the replay plays them no faster than the game played them (at its
  // speed), and looks at the viewer's keys and shows the screen in between.
  static constexpr std::int64_t kPassCostUs = 2000;
  // What the replay may run ahead on, for passes that came in a burst.
  static constexpr std::int64_t kPassReserveUs = 100000;

  // The recording must outlive the player; console is the real one, whose
  // keys steer the replay. The App starts here, reading its two first ticks.
  ReplayPlayer(const Recording& recording, ConsoleDevice& console);

  // One recorded pass: its input events, its step and its frame. False when
  // the recording has no pass left or the App ended.
  bool Pass() { return Play(true); }

  // The viewer's keys, then every pass due once realUs more microseconds have
  // gone by, as many as their cost allows, then the screen. A frame that the
  // next pass would replace at once, at the same moment of the recording, is
  // not drawn. False once the viewer ended the replay (Esc, or a signal).
  bool Advance(std::int64_t realUs);

  // Advance until the viewer ends the replay; wait holds each round to its
  // period, nowUs reads a monotonic clock.
  void Run(const std::function<std::int64_t()>& nowUs, const std::function<void()>& wait);

  bool Paused() const { return paused; }
  bool Over() const { return over; }
  int Speed() const { return speed; }
  std::uint64_t PassesPlayed() const { return passesPlayed; }
  const App& CurrentApp() const { return *app; }

 private:
  // One pass; its frame is drawn if everyFrame, when it stays on the screen
  // for a while, or when it shows a new screen.
  bool Play(bool everyFrame);
  bool HandleKey(std::uint16_t code);
  void ShowStatus();
  // When the next pass is due: nextWaitUs after the one just played.
  void ScheduleNext();

  ConsoleDevice& controls;
  ReplayCursor cursor;
  ReplayDevice device;
  ConsoleScreen screen;
  std::unique_ptr<App> app;
  bool paused = false;
  bool over = false;
  int speed = 0;
  std::int64_t clockUs = 0;     // the replay's time, moving at its speed
  std::int64_t nextPassUs = 0;  // when the next recorded pass is due
  std::int64_t nextWaitUs = 0;  // how long before it the one before was due
  std::int64_t lastLongPauseUs = -2 * std::int64_t{kLongestWaitMs} * 1000;  // when one ended
  std::int64_t reserveUs = kPassReserveUs;  // the replay's time that passes may still cost
  std::uint64_t passesPlayed = 0;
  std::uint64_t framesDrawn = 0;
};

}  // namespace torvelkan::replay
