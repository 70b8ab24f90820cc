// The terminal device's queue of key events, bounded.
//
// A paste or a stuck key can send far more keys than the game takes (one per
// pass). Once the queue is full, what a game can lose is dropped: events that
// change nothing (a press of a key already down, a release of one already up)
// and new presses, whose releases then go too. A release the game needs and
// an Esc press always get in: room is made for them by removing events that
// change nothing, or a press and release of one key (a tap the game never
// saw), so the queue exceeds its capacity by at most one event per key.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <deque>

namespace torvelkan {

struct QueuedKey {
  std::uint16_t code = 0;
  bool down = false;
  friend bool operator==(const QueuedKey&, const QueuedKey&) = default;
};

class KeyEventQueue {
 public:
  // The loop takes one event a pass (2 ms): a full queue is gone in about 0.13 s.
  static constexpr std::size_t kCapacity = 64;

  void Push(std::uint16_t code, bool down);
  bool Empty() const { return entries.empty(); }
  std::size_t Size() const { return entries.size(); }
  QueuedKey Pop();

 private:
  struct Entry {
    QueuedKey key;
    bool changesNothing = false;
  };
  void Append(std::uint16_t code, bool down);
  bool RemoveSomethingLosable(std::uint16_t incoming, bool incomingDown);

  std::deque<Entry> entries;
  std::bitset<256> downAtEnd;  // each key as the game will see it after the last entry
  std::bitset<256> swallowed;  // a press dropped for want of room: its release goes too
};

}  // namespace torvelkan
