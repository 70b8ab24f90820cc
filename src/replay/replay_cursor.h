// Walks the checked items of a recording one pass at a time: the input events
// the App received, then the tick its step read.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "replay/recording.h"
#include "replay/replay_reader.h"

namespace torvelkan::replay {

// A small value: copying it looks ahead without moving.
class ReplayCursor {
 public:
  explicit ReplayCursor(const Recording& recording);

  bool AtEvent() const { return item.kind == ReplayItem::Kind::kEvent; }
  bool AtTick() const { return item.kind == ReplayItem::Kind::kTicks; }

  InputRecord TakeEvent();
  // The next tick as the App read it; past the end, the last one again.
  std::uint32_t TakeTick();
  // How far the tick moves at the next tick read, past any events before it.
  std::optional<std::uint32_t> NextTickDelta() const;

 private:
  void Load();

  ReplayReader reader;
  ReplayItem item;
  std::uint32_t left = 0;  // passes left in the current run
  std::uint32_t tick = 0;
};

}  // namespace torvelkan::replay
