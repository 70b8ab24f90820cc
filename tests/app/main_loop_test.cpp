// The loop runs one pass per 2 ms of game time, each with its own tick, and
// wakes only for frames and input: a scripted clock stands in for real time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <vector>

#include "app/main_loop.h"
#include "common/keys.h"
#include "console/memory_device.h"
#include "support/same_cells.h"

namespace torvelkan {
namespace {

using testing::SameCells;

// A key that reaches the program at a time on the scripted clock.
struct TimedKey {
  std::int64_t atUs;
  std::uint16_t code;
  bool down;
};

// The memory device, noting the pass's tick and the clock at every frame and
// every event read.
class NotingDevice final : public ConsoleDevice {
 public:
  struct Frame {
    std::uint32_t tick;
    std::int64_t atUs;
    CellGrid cells;
  };
  struct Read {
    std::uint32_t tick;
    std::int64_t atUs;
  };

  NotingDevice(const PassSchedule& schedule, const std::int64_t& nowUs)
      : schedule(schedule), nowUs(nowUs) {}

  void Present(const CellGrid& cells) override {
    frames.push_back({schedule.Tick(), nowUs, cells});
  }
  bool HasInput() override { return memory.HasInput(); }
  void ReadInput(InputRecord& record) override {
    reads.push_back({schedule.Tick(), nowUs});
    memory.ReadInput(record);
  }
  void SetTitle(const char* text) override { memory.SetTitle(text); }
  bool QuitRequested() override { return memory.QuitRequested(); }

  MemoryDevice memory;
  std::vector<Frame> frames;
  std::vector<Read> reads;

 private:
  const PassSchedule& schedule;
  const std::int64_t& nowUs;
};

// The real App and loop on the scripted clock; the keys arrive at their times
// and each wait runs the clock to its deadline or to the next key.
struct LoopRun {
  static constexpr std::int64_t kStartUs = 7'000'000;
  static constexpr std::uint32_t kStartTick = 1000;

  explicit LoopRun(const std::vector<TimedKey>& keys) : keys(keys.begin(), keys.end()) {}

  void Run() {
    LoopClock clock;
    clock.now = [this] { return nowUs; };
    clock.waitUntil = [this](std::int64_t deadline) {
      ++waits;
      if (!keys.empty() && keys.front().atUs < deadline) {
        nowUs = std::max(nowUs, keys.front().atUs);
        device.memory.Push(MakeKeyRecord(keys.front().code, keys.front().down));
        keys.pop_front();
      } else {
        nowUs = std::max(nowUs, deadline);
      }
    };
    RunMainLoop(screen, app, schedule, clock);
  }

  std::int64_t nowUs = kStartUs;
  std::deque<TimedKey> keys;
  int waits = 0;
  std::vector<std::uint32_t> stepTicks;
  std::vector<std::int64_t> stepTimes;  // on the clock, as each step began
  std::int64_t stepCostUs = 0;          // what each step takes on the clock
  PassSchedule schedule{kStartTick, kStartUs};
  NotingDevice device{schedule, nowUs};
  ConsoleScreen screen{device};
  App app{screen, [this] {
            stepTicks.push_back(schedule.Tick());
            stepTimes.push_back(nowUs);
            nowUs += stepCostUs;
            return schedule.Tick();
          }};
};

// Through the notice, the logo, the menu, a fight of walking, jumping and
// biting, and out by Esc twice: the keys at odd times between frames.
std::vector<TimedKey> WholeGameKeys() {
  constexpr std::int64_t s = LoopRun::kStartUs;
  std::vector<TimedKey> keys = {
      {s + 3'600'123, vk::kEnter, true}, {s + 3'650'777, vk::kEnter, false},
      {s + 4'001'001, vk::kDown, true},  {s + 4'003'500, vk::kDown, false},
      {s + 4'400'250, vk::kUp, true},    {s + 4'400'251, vk::kUp, false},
      {s + 4'700'000, vk::kEnter, true}, {s + 4'760'000, vk::kEnter, false},
  };
  std::int64_t at = s + 8'000'000;  // after the fight's countdown
  const std::uint16_t moves[] = {vk::kLeft, vk::kUp, vk::kLeft, vk::kDown, vk::kRight, vk::kDown};
  for (int k = 0; k < 24; ++k) {
    const std::uint16_t code = moves[k % 6];
    keys.push_back({at + 1'313, code, true});
    keys.push_back({at + 1'313 + 180'000 + std::int64_t{7'777} * (k % 5), code, false});
    at += 250'000;
  }
  keys.push_back({at + 500'000, vk::kEscape, true});
  keys.push_back({at + 500'500, vk::kEscape, false});
  keys.push_back({at + 900'000, vk::kEscape, true});
  return keys;
}

TEST(MainLoop, TheSameGameAsAPassEvery2MsWithFarFewerWakeUps) {
  LoopRun run(WholeGameKeys());
  run.Run();
  ASSERT_TRUE(run.keys.empty()) << "the game ended before its last key";
  const std::int64_t ranUs = run.nowUs - LoopRun::kStartUs;
  ASSERT_GT(ranUs, 14'000'000);

  // One tick per pass, each 2 ms after the one before (the App reads the
  // clock twice at its start).
  ASSERT_GT(run.stepTicks.size(), 7000u);
  for (std::size_t k = 3; k < run.stepTicks.size(); ++k) {
    ASSERT_EQ(run.stepTicks[k] - run.stepTicks[k - 1], 2u) << "pass " << k;
  }
  // A wake for each frame and one or two for each key, no more.
  const std::int64_t frames = ranUs / 10'000;
  EXPECT_LE(run.waits, frames + 2 * static_cast<std::int64_t>(WholeGameKeys().size()) + 2);
  EXPECT_GE(run.device.frames.size(), static_cast<std::size_t>(frames));

  // Every key is read the moment it arrives, and its frame shown at once;
  // only a key hard on the heels of another waits for the next pass.
  const std::vector<TimedKey> keys = WholeGameKeys();
  ASSERT_EQ(run.device.reads.size(), keys.size());
  for (std::size_t k = 0; k < keys.size(); ++k) {
    const bool hard = k > 0 && keys[k].atUs - keys[k - 1].atUs < kPassPeriodMicroseconds;
    if (!hard) {
      EXPECT_EQ(run.device.reads[k].atUs, keys[k].atUs) << "key " << k;
    } else {
      EXPECT_LE(run.device.reads[k].atUs, keys[k].atUs + 2 * kPassPeriodMicroseconds)
          << "key " << k;
    }
  }
  std::size_t shownAtOnce = 0;
  for (const TimedKey& key : keys) {
    for (const NotingDevice::Frame& frame : run.device.frames) {
      shownAtOnce += frame.atUs == key.atUs ? 1 : 0;
    }
  }
  EXPECT_GE(shownAtOnce, keys.size() - 2);

  // The same game pass by pass, as a loop that waits 2 ms for each pass would
  // run it: every event into the pass that read it above, and each frame
  // shown compared with that pass's frame.
  std::uint32_t now = LoopRun::kStartTick;
  MemoryDevice device;
  ConsoleScreen screen(device);
  App app(screen, [&now] { return now; });
  std::size_t read = 0;
  std::size_t frame = 0;
  bool ended = false;
  while (!ended) {
    now += 2;
    if (read < keys.size() && run.device.reads[read].tick == now) {
      device.Push(MakeKeyRecord(keys[read].code, keys[read].down));
      ++read;
    }
    ended = RunPass(screen, app);
    while (!ended && frame < run.device.frames.size() && run.device.frames[frame].tick == now) {
      ASSERT_TRUE(SameCells(run.device.frames[frame].cells, device.LastFrame())) << "tick " << now;
      ++frame;
    }
  }
  EXPECT_EQ(now, run.stepTicks.back() + 2);  // the pass that read Esc ended before its step
  EXPECT_EQ(frame, run.device.frames.size());
}

TEST(MainLoop, AfterALongStopThePassesMissedAreSkipped) {
  LoopRun run({});
  int passes = 0;
  LoopClock clock;
  clock.now = [&run] { return run.nowUs; };
  clock.waitUntil = [&](std::int64_t deadline) {
    ++run.waits;
    // Stopped for five seconds after half a second, past the notice; then
    // Esc from the logo to the menu, and Esc again to leave.
    run.nowUs = run.waits == 50 ? run.nowUs + 5'000'000 : std::max(run.nowUs, deadline);
    if (run.waits == 60) {
      passes = static_cast<int>(run.stepTicks.size());
    }
    if (run.waits == 70 || run.waits == 80) {
      run.device.memory.PushKey(vk::kEscape);
    }
    run.device.memory.quitRequested = run.waits > 1000;  // should it not end
  };
  RunMainLoop(run.screen, run.app, run.schedule, clock);
  // No 2500 passes back to back: the time missed goes into one step.
  int jumps = 0;
  for (std::size_t k = 3; k < run.stepTicks.size(); ++k) {
    const std::uint32_t elapsed = run.stepTicks[k] - run.stepTicks[k - 1];
    if (elapsed != 2) {
      ++jumps;
      EXPECT_GE(elapsed, 4900u);
      EXPECT_LE(elapsed, 5002u);
    }
  }
  EXPECT_EQ(jumps, 1);
  EXPECT_LT(passes, 60 * 5 + 60);
  EXPECT_LT(run.waits, 100);
}

// A machine that needs 3 ms for a pass runs fewer passes, and the time they
// miss goes into the next pass's elapsed time, as a clock read would give it:
// the game keeps real time, a frame's worth ahead or behind at most.
TEST(MainLoop, OnAMachineTooSlowForAPassIn2MsTheGameKeepsRealTime) {
  LoopRun run({});
  run.stepCostUs = 3000;
  LoopClock clock;
  clock.now = [&run] { return run.nowUs; };
  clock.waitUntil = [&run](std::int64_t deadline) {
    run.nowUs = std::max(run.nowUs, deadline);
    run.device.memory.quitRequested = run.nowUs > LoopRun::kStartUs + 2'000'000;
  };
  RunMainLoop(run.screen, run.app, run.schedule, clock);
  ASSERT_GT(run.stepTicks.size(), 550u);
  EXPECT_LT(run.stepTicks.size(), 700u) << "no more passes than the machine can run";
  for (std::size_t k = 2; k < run.stepTicks.size(); ++k) {
    const std::int64_t gameMs = run.stepTicks[k] - LoopRun::kStartTick;
    const std::int64_t realMs = (run.stepTimes[k] - LoopRun::kStartUs) / 1000;
    ASSERT_LE(std::abs(gameMs - realMs), 14) << "pass " << k;
    ASSERT_LE(run.stepTicks[k] - run.stepTicks[k - 1], 16u) << "pass " << k;
  }
}

// Choosing "Gra" at any moment within a frame, the new match is drawn once
// before its first update, as every pass's frame would show it.
TEST(MainLoop, ANewScreenIsDrawnBeforeItsFirstUpdate) {
  constexpr std::int64_t s = LoopRun::kStartUs;
  for (std::int64_t moment = 0; moment < 10'000; moment += 250) {
    const std::vector<TimedKey> keys = {
        {s + 3'600'123, vk::kEnter, true},          {s + 3'650'777, vk::kEnter, false},
        {s + 4'000'000 + moment, vk::kEnter, true}, {s + 4'300'000, vk::kEscape, true},
        {s + 4'400'000, vk::kEscape, true},
    };
    LoopRun run(keys);
    run.Run();
    ASSERT_EQ(run.device.reads.size(), keys.size());
    // The same game pass by pass, each event into the pass that read it in
    // the loop: the match is made in the pass after which it is there.
    std::uint32_t now = LoopRun::kStartTick;
    MemoryDevice device;
    ConsoleScreen screen(device);
    App app(screen, [&now] { return now; });
    std::size_t read = 0;
    while (app.CurrentMatch() == nullptr) {
      now += 2;
      if (read < keys.size() && run.device.reads[read].tick == now) {
        device.Push(MakeKeyRecord(keys[read].code, keys[read].down));
        ++read;
      }
      ASSERT_FALSE(RunPass(screen, app));
    }
    const auto shown =
        std::find_if(run.device.frames.begin(), run.device.frames.end(),
                     [now](const NotingDevice::Frame& frame) { return frame.tick == now; });
    ASSERT_NE(shown, run.device.frames.end()) << "Enter " << moment << " us into a frame";
    EXPECT_TRUE(SameCells(shown->cells, device.LastFrame()));
  }
}

TEST(MainLoop, PassByPassRunsUntilEscInTheNotice) {
  MemoryDevice device;
  ConsoleScreen screen(device);
  std::uint32_t now = 5000;
  App app(screen, [&now] { return now; });
  int passes = 0;
  RunMainLoop(screen, app, [&] {
    now += 2;
    if (++passes == 10) {
      device.PushKey(vk::kEscape);
    }
  });
  EXPECT_EQ(passes, 10);
  EXPECT_EQ(device.FrameCount(), 2u);    // after the fifth and tenth; the one that read Esc ended
  EXPECT_EQ(device.PendingInput(), 1u);  // its key-up was never read
}

TEST(MainLoop, TakesOneEventPerPass) {
  MemoryDevice device;
  ConsoleScreen screen(device);
  std::uint32_t now = 5000;
  App app(screen, [&now] { return now; });
  for (int i = 0; i < 5; ++i) {
    device.PushKey(vk::kA);
  }
  for (int i = 0; i < 4; ++i) {
    EXPECT_FALSE(RunPass(screen, app));
    EXPECT_EQ(device.PendingInput(), 9u - static_cast<unsigned>(i));
  }
}

TEST(MainLoop, EndsWhenAskedFromOutside) {
  LoopRun run({});
  LoopClock clock;
  clock.now = [&run] { return run.nowUs; };
  clock.waitUntil = [&run](std::int64_t deadline) {
    run.nowUs = deadline;
    if (++run.waits == 3) {
      run.device.memory.quitRequested = true;
    }
  };
  RunMainLoop(run.screen, run.app, run.schedule, clock);
  EXPECT_EQ(run.waits, 3);
  EXPECT_EQ(run.stepTicks.size(), 2u + 10u);  // two reads at the start, two frames of 5 passes
}

}  // namespace
}  // namespace torvelkan
