// The viewer's keys during a replay, and the replay's clock: the recorded
// pace at the chosen speed, long stops shortened, the game's keys ignored.
#include "replay/replay_player.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/keys.h"
#include "console/memory_device.h"
#include "replay/recording.h"
#include "replay/replay_encoder.h"

namespace torvelkan::replay {
namespace {

// The App's two start-up reads, then passes of 2 ms; one stop of 60 s after
// the first 500 passes.
Recording TwoMsPasses(int passes) {
  ReplayEncoder encoder("t");
  std::uint32_t tick = 1000;
  encoder.Tick(tick);
  encoder.Tick(tick);
  for (int i = 0; i < passes; ++i) {
    tick += i == 500 ? 60000 : 2;
    encoder.Tick(tick);
  }
  encoder.End();
  const std::string bytes = encoder.Take();
  Recording recording;
  std::string fault;
  EXPECT_TRUE(ParseRecording({bytes.begin(), bytes.end()}, recording, fault)) << fault;
  return recording;
}

TEST(ReplayPlayer, KeysSteerTheSpeedAndTheTitleSaysIt) {
  const Recording recording = TwoMsPasses(3000);
  MemoryDevice console;
  ReplayPlayer player(recording, console);
  struct Step {
    std::uint16_t key;  // 0: none
    std::int64_t realUs;
    std::uint64_t passesAfter;
    const char* title;
  };
  const std::vector<Step> steps = {
      {0, 20000, 10, "Torvelkan (replay)"},
      {vk::kRight, 20000, 30, "Torvelkan (replay, 2x)"},
      {vk::kRight, 20000, 70, "Torvelkan (replay, 4x)"},
      {vk::kRight, 20000, 150, "Torvelkan (replay, 8x)"},
      {vk::kRight, 20000, 230, "Torvelkan (replay, 8x)"},  // no faster than 8x
      {vk::kSpace, 20000, 230, "Torvelkan (replay, paused)"},
      {vk::kLeft, 20000, 230, "Torvelkan (replay, paused)"},  // 4x, still paused
      {vk::kSpace, 20000, 270, "Torvelkan (replay, 4x)"},
      {vk::kLeft, 20000, 290, "Torvelkan (replay, 2x)"},
      {vk::kLeft, 20000, 300, "Torvelkan (replay)"},
      {vk::kLeft, 40000, 310, "Torvelkan (replay, 1/2x)"},
      {vk::kLeft, 80000, 320, "Torvelkan (replay, 1/4x)"},
      {vk::kLeft, 80000, 330, "Torvelkan (replay, 1/4x)"},  // no slower than 1/4x
      // The game's keys do nothing; a held-up viewer makes up 100 ms at most.
      {vk::kEnter, 5000000, 342, "Torvelkan (replay, 1/4x)"},
      {vk::kA, 0, 342, "Torvelkan (replay, 1/4x)"},
  };
  for (const Step& step : steps) {
    if (step.key != 0) {
      console.PushKey(step.key);
    }
    ASSERT_TRUE(player.Advance(step.realUs));
    EXPECT_EQ(player.PassesPlayed(), step.passesAfter) << step.title;
    EXPECT_EQ(console.Title(), step.title);
  }
  EXPECT_EQ(player.CurrentApp().CurrentMenu(), nullptr) << "Enter reached no menu";

  // The stop of 60 s in the recording plays as one second.
  for (int i = 0; i < 5; ++i) {
    console.PushKey(vk::kRight);  // from 1/4x to 8x
  }
  ASSERT_TRUE(player.Advance(2000));
  for (int i = 0; player.PassesPlayed() < 500; ++i) {
    ASSERT_LT(i, 1000);
    ASSERT_TRUE(player.Advance(2000));
  }
  int rounds = 0;
  while (player.PassesPlayed() < 501) {
    ASSERT_TRUE(player.Advance(2000));
    ++rounds;
  }
  EXPECT_NEAR(rounds, 1000.0 / 16, 2) << "1 s at 8x in 2 ms rounds";

  console.PushKey(vk::kEscape);
  EXPECT_FALSE(player.Advance(2000));
}

TEST(ReplayPlayer, TheEndHoldsTheLastFrameUntilEscOrASignal) {
  const Recording recording = TwoMsPasses(20);
  for (const bool bySignal : {false, true}) {
    MemoryDevice console;
    ReplayPlayer player(recording, console);
    for (int i = 0; i < 100; ++i) {
      ASSERT_TRUE(player.Advance(2000));
    }
    EXPECT_TRUE(player.Over());
    EXPECT_EQ(player.PassesPlayed(), 20u);
    EXPECT_EQ(console.Title(), "Torvelkan (replay, ended)");
    const std::size_t frames = console.FrameCount();
    ASSERT_TRUE(player.Advance(2000));
    EXPECT_EQ(console.FrameCount(), frames + 1) << "the last frame again, for a redrawn terminal";
    if (bySignal) {
      // cppcheck-suppress unreadVariable ; the player reads it through its device
      console.quitRequested = true;
    } else {
      console.PushKey(vk::kEscape);
    }
    EXPECT_FALSE(player.Advance(2000));
  }
}

// A crafted recording: count passes in runs, each delta ms after the one
// before (the App's two start-up reads among them), and no end.
Recording Crafted(std::uint32_t delta, std::uint32_t count) {
  ReplayEncoder encoder("t");
  std::uint32_t tick = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    tick += delta;
    encoder.Tick(tick);
  }
  encoder.Seal();
  const std::string bytes = encoder.Take();
  Recording recording;
  std::string fault;
  EXPECT_TRUE(ParseRecording({bytes.begin(), bytes.end()}, recording, fault)) << fault;
  return recording;
}

// However a recording was made, its passes play no faster than the live game
// ran them (one every 2 ms at 1x, after a burst of 50), the screen is shown
// at every wake, and Esc ends the replay at once.
TEST(ReplayPlayer, CraftedRecordingsPlayNoFasterThanLiveAndARunOfPausesAsOne) {
  struct Case {
    const char* what;
    std::uint32_t delta;
    std::uint32_t passes;
    int speed;  // Right presses
    std::int64_t endsByUs;
  };
  const Case cases[] = {
      // 38 bytes: at one second a pause, 18 hours; now one second, then the
      // passes at the live pace.
      {"a run of long pauses", 0xFFFFFFFFu, 65535, 0, 1'000'000 + 65533 * 2000},
      {"long pauses at 8x", 0xFFFFFFFFu, 65535, 3, 125'000 + 65533 * 2000 / 8},
      {"passes at one tick", 0, 3 * 65535, 0, 0},
      {"passes at one tick at 8x", 0, 3 * 65535, 3, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Recording recording = Crafted(c.delta, c.passes);
    EXPECT_LT(recording.bytes.size(), 40u);
    MemoryDevice console;
    ReplayPlayer player(recording, console);
    for (int i = 0; i < c.speed; ++i) {
      console.PushKey(vk::kRight);
    }
    const std::int64_t pace = 2000 >> c.speed;  // real time per pass at this speed
    std::int64_t realUs = 0;
    while (!player.Over() && realUs < 150'000'000) {
      const std::size_t frames = console.FrameCount();
      ASSERT_TRUE(player.Advance(2000));
      realUs += 2000;
      ASSERT_EQ(console.FrameCount(), frames + 1) << "one frame shown at every wake";
      ASSERT_LE(player.PassesPlayed(), static_cast<std::uint64_t>(realUs / pace + 51));
      if (c.endsByUs == 0 && realUs == 2'000'000) {
        EXPECT_GE(player.PassesPlayed(), static_cast<std::uint64_t>(realUs / pace));
        console.PushKey(vk::kEscape);
        EXPECT_FALSE(player.Advance(2000));
        break;
      }
    }
    if (c.endsByUs != 0) {
      EXPECT_TRUE(player.Over());
      EXPECT_EQ(player.PassesPlayed(), c.passes - 2u);
      EXPECT_LE(realUs, c.endsByUs + 2000);
    }
  }
}

}  // namespace
}  // namespace torvelkan::replay
