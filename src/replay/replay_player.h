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
  // plays as this long.
  static constexpr std::uint32_t kLongestWaitMs = 1000;
  // The most real time one call of Advance makes up for, so that the replay
  // never races to catch up after it was held up.
  static constexpr std::int64_t kLongestStepUs = 100000;

  // The recording must outlive the player; console is the real one, whose
  // keys steer the replay. The App starts here, reading its two first ticks.
  ReplayPlayer(const Recording& recording, ConsoleDevice& console);

  // One recorded pass: its input events, its step and its frame. False when
  // the recording has no pass left or the App ended.
  bool Pass();

  // The viewer's keys, then every pass due once realUs more microseconds have
  // gone by. False once the viewer ended the replay (Esc, or a signal).
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
  bool HandleKey(std::uint16_t code);
  void ShowStatus();
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
  std::uint64_t passesPlayed = 0;
};

}  // namespace torvelkan::replay
