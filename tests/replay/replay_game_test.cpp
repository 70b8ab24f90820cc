// A recorded game played again gives the very frames the live game drew: the
// real App on the memory device, recorded through the same wrappers the
// program uses, with an uneven clock that wraps, two players and the AI.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/main_loop.h"
#include "common/keys.h"
#include "console/memory_device.h"
#include "replay/frame_hashes.h"
#include "replay/recorder.h"
#include "replay/recording.h"
#include "replay/recording_device.h"
#include "replay/replay_player.h"

namespace torvelkan::replay {
namespace {

using testing::FrameHashes;

struct TimedKey {
  std::uint32_t atMs;  // from the start of the fight's countdown
  std::uint16_t code;
  bool down;
};

// Blue is handed to a person, both walk in, jump, shoot and bite; then the AI
// takes blue back and red keeps fighting it.
std::vector<TimedKey> FightScript() {
  std::vector<TimedKey> script = {{5, vk::kSpace, true}, {30, vk::kSpace, false}};
  auto hold = [&script](std::uint32_t from, std::uint32_t to, std::uint16_t code) {
    script.push_back({from, code, true});
    script.push_back({to, code, false});
  };
  hold(3100, 3700, vk::kRight);  // red backs off and shoots
  hold(3100, 3700, vk::kA);      // blue backs off and shoots
  hold(3300, 3360, vk::kDown);
  hold(3400, 3460, vk::kS);
  hold(3800, 4300, vk::kLeft);
  hold(3800, 4300, vk::kD);
  hold(4000, 6000, vk::kUp);
  hold(4000, 6000, vk::kW);
  for (std::uint32_t k = 0; k < 6; ++k) {
    hold(4400 + 250 * k, 4460 + 250 * k, vk::kDown);
    hold(4500 + 300 * k, 4560 + 300 * k, vk::kS);
  }
  hold(6500, 6530, vk::kSpace);  // the AI again
  for (std::uint32_t k = 0; k < 8; ++k) {
    hold(6600 + 400 * k, 6800 + 400 * k, k % 2 == 0 ? vk::kLeft : vk::kRight);
    hold(6700 + 400 * k, 6760 + 400 * k, vk::kDown);
  }
  std::stable_sort(script.begin(), script.end(),
                   [](const TimedKey& a, const TimedKey& b) { return a.atMs < b.atMs; });
  return script;
}

class RecordedGame : public ::testing::Test {
 public:
  RecordedGame(const RecordedGame&) = delete;
  RecordedGame& operator=(const RecordedGame&) = delete;

 protected:
  RecordedGame()
      : path((std::filesystem::temp_directory_path() /
              ("torvelkan-replay-game-" +
               std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".tvr"))
                 .string()) {}
  ~RecordedGame() override { std::filesystem::remove(path); }

  // Plays the game live, recorded; the frames it drew are in live.hashes.
  void PlayLive() {
    Recorder recorder(path, "test");
    MemoryDevice memory;
    FrameHashes hashing(memory);
    RecordingDevice recorded(hashing, &recorder);
    ConsoleScreen screen(recorded);
    std::uint32_t now = 0xFFFFF000u;  // the tick counter wraps in the fight
    std::minstd_rand jitter(7);       // passes of 1 to 3 ms, as a loaded machine runs them
    App app(screen, RecordingTicks(&recorder, [&now] { return now; }));
    auto pass = [&] {
      now += 1 + static_cast<std::uint32_t>(jitter() % 3);
      return RunPass(screen, app);
    };
    auto passUntil = [&](auto reached) {
      for (int i = 0; i < 20000 && !reached(); ++i) {
        ASSERT_FALSE(pass());
      }
      ASSERT_TRUE(reached());
    };

    passUntil([&] { return app.CurrentIntro() != nullptr; });
    memory.PushKey(vk::kEnter);
    passUntil([&] { return app.CurrentMenu() != nullptr; });
    memory.PushKey(vk::kEnter);
    passUntil([&] { return app.CurrentMatch() != nullptr; });
    const std::uint32_t fightStart = now;
    const std::vector<TimedKey> script = FightScript();
    std::size_t next = 0;
    while (now - fightStart < 10500) {
      while (next < script.size() && script[next].atMs <= now - fightStart) {
        memory.Push(MakeKeyRecord(script[next].code, script[next].down));
        ++next;
      }
      ASSERT_FALSE(pass());
      if (now - fightStart > 9000 && now - fightStart < 9010) {
        now += 4000;  // the game was stopped for a while
      }
    }
    ASSERT_NE(app.CurrentMatch(), nullptr);
    aiMemory = app.CurrentMatch()->Ai().MemorySize();
    memory.PushKey(vk::kEscape);  // to the menu, then out through "Wyjscie"
    memory.PushKey(vk::kUp);
    memory.PushKey(vk::kEnter);
    bool ended = false;
    for (int i = 0; i < 100 && !ended; ++i) {
      ended = pass();
    }
    ASSERT_TRUE(ended);
    EXPECT_TRUE(recorder.Finish()) << recorder.Fault();
    live = hashing.hashes;
  }

  std::string path;
  std::vector<std::uint64_t> live;
  std::size_t aiMemory = 0;
};

TEST_F(RecordedGame, PlaysBackFrameForFrameAtAnySpeed) {
  ASSERT_NO_FATAL_FAILURE(PlayLive());
  EXPECT_GT(aiMemory, 20u) << "the AI saw red fight";
  const Recording recording = LoadRecording(path);
  EXPECT_FALSE(recording.cutShort);
  EXPECT_LT(recording.bytes.size(), recording.passes) << "under a byte a pass";

  // Pass by pass.
  {
    MemoryDevice memory;
    FrameHashes hashing(memory);
    ReplayPlayer player(recording, hashing);
    std::uint64_t passes = 0;
    while (player.Pass()) {
      ++passes;
    }
    EXPECT_EQ(hashing.hashes, live);
    EXPECT_EQ(player.PassesPlayed(), recording.passes);
    EXPECT_EQ(memory.Title(), "Torvelkan (replay, ended)");
  }

  // At the viewer's pace: faster, slower, paused for a while; frames are only
  // repeated while paused, and the last one stays when the replay is over.
  MemoryDevice memory;
  FrameHashes hashing(memory);
  ReplayPlayer player(recording, hashing);
  EXPECT_EQ(memory.Title(), "Torvelkan (replay)");
  const std::vector<std::uint16_t> keys = {vk::kLeft,  vk::kLeft,  vk::kLeft,  vk::kSpace,
                                           vk::kSpace, vk::kRight, vk::kRight, vk::kRight,
                                           vk::kRight, vk::kRight, vk::kRight, vk::kLeft};
  std::size_t nextKey = 0;
  for (int round = 0; round < 200000 && !player.Over(); ++round) {
    if (round % 200 == 0 && nextKey < keys.size()) {
      memory.PushKey(keys[nextKey++]);
    }
    ASSERT_TRUE(player.Advance(round % 7 == 0 ? 5000 : 2000));
  }
  ASSERT_TRUE(player.Over());
  EXPECT_EQ(nextKey, keys.size());
  FrameHashes liveDistinct(memory);
  liveDistinct.hashes = live;
  EXPECT_EQ(hashing.Distinct(), liveDistinct.Distinct());
  EXPECT_EQ(memory.Title(), "Torvelkan (replay, ended)");
  memory.PushKey(vk::kEscape);
  EXPECT_FALSE(player.Advance(2000)) << "Esc ends the replay";
}

}  // namespace
}  // namespace torvelkan::replay
