// The key queue stays bounded under any flood, and what it drops never leaves
// a key down or loses an Esc.
#include "console/terminal/key_event_queue.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <vector>

#include "common/keys.h"

namespace torvelkan {
namespace {

constexpr std::size_t kBound = KeyEventQueue::kCapacity + 256 + 2;

// The keys as the game sees them, event by event.
struct Player {
  std::array<bool, 256> down{};
  std::vector<QueuedKey> seen;

  void Take(KeyEventQueue& queue) {
    while (!queue.Empty()) {
      const QueuedKey key = queue.Pop();
      down[key.code & 0xFFu] = key.down;
      seen.push_back(key);
    }
  }
};

TEST(KeyEventQueue, UnderItsCapacityEverythingPassesInOrder) {
  KeyEventQueue queue;
  const std::vector<QueuedKey> keys = {{vk::kLeft, true},  {vk::kLeft, true}, {vk::kD, true},
                                       {vk::kLeft, false}, {vk::kD, false},   {vk::kD, false},
                                       {vk::kEscape, true}};
  for (const QueuedKey& key : keys) {
    queue.Push(key.code, key.down);
  }
  Player player;
  player.Take(queue);
  EXPECT_EQ(player.seen, keys) << "repeats and stray releases too, as before";
}

TEST(KeyEventQueue, RepeatsMakeRoomForAReleaseAndEsc) {
  KeyEventQueue queue;
  queue.Push(vk::kLeft, true);
  for (int i = 0; i < 5000; ++i) {
    queue.Push(vk::kLeft, true);
    queue.Push(vk::kA, i % 2 == 0);  // taps of A, once the queue is full swallowed whole
  }
  EXPECT_EQ(queue.Size(), KeyEventQueue::kCapacity);
  queue.Push(vk::kLeft, false);
  queue.Push(vk::kEscape, true);
  queue.Push(vk::kEscape, false);
  EXPECT_LE(queue.Size(), KeyEventQueue::kCapacity + 2);
  Player player;
  player.Take(queue);
  ASSERT_GE(player.seen.size(), 3u);
  const std::vector<QueuedKey> last(player.seen.end() - 3, player.seen.end());
  EXPECT_EQ(last, (std::vector<QueuedKey>{
                      {vk::kLeft, false}, {vk::kEscape, true}, {vk::kEscape, false}}));
  EXPECT_FALSE(player.down[vk::kLeft]);
  EXPECT_FALSE(player.down[vk::kA]);
}

// Floods of every kind, taken slowly or not at all: the queue never grows past
// its bound, a key that is up at the end is up for the game too, and an Esc
// pressed last is the last thing the game sees.
TEST(KeyEventQueue, FloodsStayBoundedAndConsistent) {
  std::mt19937 random(13);
  for (int round = 0; round < 40; ++round) {
    KeyEventQueue queue;
    Player player;
    std::array<bool, 256> down{};
    const int keys = 1 + round % 30;  // from one key hammered to thirty at once
    const int takeEvery = round % 4 == 0 ? 0 : 5 + round;
    for (int i = 0; i < 20000; ++i) {
      const auto code =
          random() % 50 == 0 ? vk::kEscape : static_cast<std::uint16_t>(vk::kA + random() % keys);
      const bool press = random() % 3 != 0;
      queue.Push(code, press);
      down[code] = press;
      ASSERT_LE(queue.Size(), kBound);
      if (takeEvery != 0 && i % takeEvery == 0 && !queue.Empty()) {
        const QueuedKey key = queue.Pop();
        player.down[key.code & 0xFFu] = key.down;
      }
    }
    for (std::size_t code = 0; code < down.size(); ++code) {
      if (down[code]) {
        queue.Push(static_cast<std::uint16_t>(code), false);  // every key let go
      }
    }
    queue.Push(vk::kEscape, true);
    ASSERT_LE(queue.Size(), kBound);
    player.Take(queue);
    for (std::size_t code = 0; code < down.size(); ++code) {
      if (code != vk::kEscape) {
        EXPECT_FALSE(player.down[code]) << "key " << code << " stuck, round " << round;
      }
    }
    EXPECT_EQ(player.seen.back(), (QueuedKey{vk::kEscape, true})) << round;
  }
}

}  // namespace
}  // namespace torvelkan
