// A room on its own, no sockets: its seats, its players' keys, and its game,
// which runs as the App runs alone and draws from its own generator.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "app/app.h"
#include "app/main_loop.h"
#include "app/pass_schedule.h"
#include "arena/room.h"
#include "common/keys.h"
#include "common/random.h"
#include "console/console_screen.h"
#include "console/memory_device.h"
#include "match/match.h"
#include "replay/frame_hashes.h"

namespace torvelkan::arena {
namespace {

constexpr std::int64_t kPassUs = PassSchedule::kPassMicroseconds;

// Runs the room to untilUs, a pass period a step.
void RunTo(Room& room, std::int64_t& nowUs, std::int64_t untilUs) {
  for (; nowUs < untilUs; nowUs += kPassUs) {
    room.Advance(nowUs);
  }
}

Match& TheMatch(const Room& room) {
  EXPECT_NE(room.Game(), nullptr);
  EXPECT_NE(room.Game()->CurrentMatch(), nullptr);
  return *room.Game()->CurrentMatch();
}

TEST(Room, SeatsRedThenBlueGivesBlueToItsPlayerAndBackToTheAiAndLetsGoOfALeavingRedsKeys) {
  Room room({"play2222", "look3333"}, "192.0.2.1", false, 0, 15000);
  std::int64_t now = 0;
  EXPECT_EQ(room.Seat(now, 1000), Side::kRed);
  RunTo(room, now, std::int64_t{Match::kCountdownMs + 200} * 1000);
  ASSERT_TRUE(TheMatch(room).CountdownOver()) << "a room starts straight into a fight";
  EXPECT_TRUE(TheMatch(room).AiEnabled()) << "the AI plays blue while its seat is empty";

  EXPECT_EQ(room.Seat(now, 0), Side::kBlue);
  EXPECT_FALSE(room.Seat(now, 0).has_value()) << "two seats only";
  RunTo(room, now, now + kPassUs);
  EXPECT_TRUE(room.Game()->RemoteBlue());
  EXPECT_FALSE(TheMatch(room).AiEnabled());

  // Each player's arrows and W, A, S, D alike drive their own fighter only.
  const struct {
    Side side;
    std::uint16_t key;
    bool Fighter::*flag;
  } keys[] = {
      {Side::kBlue, vk::kRight, &Fighter::right},
      {Side::kBlue, vk::kW, &Fighter::jump},
      {Side::kRed, vk::kA, &Fighter::left},
      {Side::kRed, vk::kUp, &Fighter::jump},
  };
  for (const auto& k : keys) {
    room.Key(k.side, net::KeyEvent{k.key, true});
    RunTo(room, now, now + 2 * kPassUs);
    Match& match = TheMatch(room);
    Fighter& moved = k.side == Side::kRed ? match.Red() : match.Blue();
    EXPECT_TRUE(moved.*k.flag) << k.key;
  }
  Match& match = TheMatch(room);
  EXPECT_FALSE(match.Red().right) << "blue's Right is not red's";
  EXPECT_FALSE(match.Blue().left) << "red's A is not blue's";

  // Red's player goes: red stands still, its held keys let go.
  room.Leave(Side::kRed);
  RunTo(room, now, now + 4 * kPassUs);
  EXPECT_FALSE(TheMatch(room).Red().left);
  EXPECT_FALSE(TheMatch(room).Red().jump);
  EXPECT_TRUE(TheMatch(room).Blue().right) << "blue's player plays on";
  EXPECT_FALSE(room.Ended(static_cast<std::uint32_t>(now / 1000)));
  EXPECT_EQ(room.Seat(now, 0), Side::kRed) << "the next player takes the free seat";
  room.Leave(Side::kRed);

  // Blue's player goes: the AI takes blue back; with both seats empty the room ends.
  room.Leave(Side::kBlue);
  RunTo(room, now, now + kPassUs);
  EXPECT_FALSE(room.Game()->RemoteBlue());
  EXPECT_TRUE(TheMatch(room).AiEnabled());
  EXPECT_TRUE(room.Ended(static_cast<std::uint32_t>(now / 1000)));
}

TEST(Room, NoOneComingEndsARoomAfterItsWait) {
  Room room({"play2222", "look3333"}, "192.0.2.1", true, 100, 15000);
  EXPECT_FALSE(room.Ended(15100));
  EXPECT_TRUE(room.Ended(15101));
}

// Red's keys at given moments, as (microseconds, key, down).
struct TimedKey {
  std::int64_t at;
  std::uint16_t key;
  bool down;
};

// A minute of red walking, jumping and attacking against the AI: a digest of
// every frame the room draws, in order.
std::vector<std::uint64_t> RoomFrames(Room& room, const std::vector<TimedKey>& script,
                                      Room* other = nullptr) {
  MemoryDevice sink;
  replay::testing::FrameHashes frames(sink);
  std::size_t next = 0;
  for (std::int64_t now = 0; now < 60'000'000; now += 1000) {
    while (next < script.size() && script[next].at <= now) {
      room.Key(Side::kRed, net::KeyEvent{script[next].key, script[next].down});
      ++next;
    }
    room.Advance(now);
    if (const CellGrid* frame = room.TakeFrame(); frame != nullptr) {
      frames.Present(*frame);
    }
    if (other != nullptr) {  // another room's game between every step of this one
      other->Advance(now);
      other->TakeFrame();
    }
  }
  return frames.hashes;
}

std::vector<TimedKey> Script(int seed) {
  std::vector<TimedKey> script;
  const std::uint16_t keys[] = {vk::kLeft, vk::kUp, vk::kRight, vk::kDown};
  for (int step = 0; step < 200; ++step) {
    const std::int64_t at =
        3'300'000 + static_cast<std::int64_t>(step) * 280'000 + std::int64_t{seed} * 7000;
    const std::uint16_t key = keys[(step * 7 + seed) % 4];
    script.push_back({at, key, true});
    script.push_back({at + 120'000, key, false});
  }
  return script;
}

// The game of a room, frame by frame, is the App's own on a memory device
// with the same ticks and keys: the game is the same however it is served.
// And a room's game is the same whatever another room draws meanwhile.
TEST(Room, RunsTheGameAsTheAppRunsAloneAndDrawsFromItsOwnGenerator) {
  const std::vector<TimedKey> script = Script(0);
  srand(5);
  Room alone({"play2222", "look3333"}, "192.0.2.1", false, 0, 15000);
  ASSERT_EQ(alone.Seat(0, 777), Side::kRed);
  const std::vector<std::uint64_t> frames = RoomFrames(alone, script);
  EXPECT_EQ(rand(), 54) << "the program's own state was not drawn from (seed 5's first)";
  ASSERT_GT(frames.size(), 5000u);

  // The App on its own: the same first tick, the same moments of the clock.
  MemoryDevice device;
  replay::testing::FrameHashes hashes(device);
  ConsoleScreen screen(hashes);
  PassSchedule schedule(777, 0);
  GeneratorState state;
  {
    const UseGenerator use(state);
    App app(screen, [&schedule] { return schedule.Tick(); });
    app.SkipToFight();
    std::size_t next = 0;
    for (std::int64_t now = 0; now < 60'000'000; now += 1000) {
      while (next < script.size() && script[next].at <= now) {
        device.Push(MakeKeyRecord(script[next].key, script[next].down));
        ++next;
      }
      RunPassesDue(screen, app, schedule, now);
    }
  }
  EXPECT_TRUE(hashes.hashes == frames) << "the room's game is the App's own";

  Room again({"play2222", "look3333"}, "192.0.2.1", false, 0, 15000);
  Room busy({"play4444", "look5555"}, "192.0.2.2", false, 0, 15000);
  ASSERT_EQ(again.Seat(0, 777), Side::kRed);
  ASSERT_EQ(busy.Seat(0, 3141), Side::kRed);
  EXPECT_TRUE(RoomFrames(again, script, &busy) == frames) << "another room changed this one";
  // The AI's draws make the two rooms' fights differ: each drew from its own state.
  EXPECT_NE(busy.Game()->CurrentMatch()->Blue().x, again.Game()->CurrentMatch()->Blue().x);
}

}  // namespace
}  // namespace torvelkan::arena
