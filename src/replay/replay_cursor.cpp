// Walking a recording pass by pass.
#include "replay/replay_cursor.h"

namespace torvelkan::replay {

ReplayCursor::ReplayCursor(const Recording& recording)
    : reader(std::span<const std::uint8_t>(recording.bytes).first(recording.itemsEnd)) {
  ReplayHeader header;
  reader.ReadHeader(header);  // checked before: this only moves past it
  Load();
}

void ReplayCursor::Load() {
  // Within the checked part every item reads; its end is the end of play.
  if (reader.Next(item) != ReadStatus::kOk) {
    item = ReplayItem{};
  }
  left = item.kind == ReplayItem::Kind::kTicks ? item.count : 0;
}

InputRecord ReplayCursor::TakeEvent() {
  const InputRecord event = item.event;
  if (AtEvent()) {
    Load();
  }
  return event;
}

std::uint32_t ReplayCursor::TakeTick() {
  if (AtTick()) {
    tick += item.delta;
    if (--left == 0) {
      Load();
    }
  }
  return tick;
}

std::optional<std::uint32_t> ReplayCursor::NextTickDelta() const {
  ReplayCursor ahead = *this;
  while (ahead.AtEvent()) {
    ahead.Load();
  }
  if (!ahead.AtTick()) {
    return std::nullopt;
  }
  return ahead.item.delta;
}

}  // namespace torvelkan::replay
