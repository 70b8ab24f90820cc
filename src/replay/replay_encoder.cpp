// The writing half of the recording format (doc/replay-format.md).
#include "replay/replay_encoder.h"

#include <utility>

#include "replay/replay_format.h"

namespace torvelkan::replay {

ReplayEncoder::ReplayEncoder(std::string_view programVersion) {
  bytes.append(kMagic.begin(), kMagic.end());
  PutVarint(kFormatVersion);
  const std::string_view name = programVersion.substr(0, kMaxProgramVersionLength);
  PutVarint(static_cast<std::uint32_t>(name.size()));
  bytes.append(name);
}

void ReplayEncoder::Tick(std::uint32_t tick) {
  const std::uint32_t delta = tick - lastTick;  // wraps with the counter
  lastTick = tick;
  if (runCount > 0 && (delta != runDelta || runCount == kMaxRunLength)) {
    Seal();
  }
  runDelta = delta;
  ++runCount;
}

void ReplayEncoder::Event(const InputRecord& record) {
  Seal();
  if (IsKeyEvent(record)) {
    bytes.push_back(static_cast<char>(IsKeyDown(record) ? kTagKeyDown : kTagKeyUp));
    PutVarint(KeyCode(record));
  } else {
    bytes.push_back(static_cast<char>(kTagOtherEvent));
    PutVarint(static_cast<std::uint16_t>(record.EventType));
  }
}

void ReplayEncoder::End() {
  Seal();
  bytes.push_back(static_cast<char>(kTagEnd));
}

void ReplayEncoder::Seal() {
  if (runCount > 0) {
    PutTicks(runDelta, runCount);
    runCount = 0;
  }
}

std::string ReplayEncoder::Take() { return std::exchange(bytes, {}); }

void ReplayEncoder::PutVarint(std::uint32_t value) {
  while (value >= 0x80) {
    bytes.push_back(static_cast<char>((value & 0x7F) | 0x80));
    value >>= 7;
  }
  bytes.push_back(static_cast<char>(value));
}

void ReplayEncoder::PutTicks(std::uint32_t delta, std::uint32_t count) {
  // A run costs a tag and two numbers; short runs of short deltas are cheaper
  // one byte a pass.
  const std::uint32_t single = delta <= kLastShortTick ? 1 : 2;
  if (count * single <= 3) {
    for (std::uint32_t i = 0; i < count; ++i) {
      if (delta <= kLastShortTick) {
        bytes.push_back(static_cast<char>(delta));
      } else {
        bytes.push_back(static_cast<char>(kTagTick));
        PutVarint(delta);
      }
    }
    return;
  }
  bytes.push_back(static_cast<char>(kTagTickRun));
  PutVarint(count);
  PutVarint(delta);
}

}  // namespace torvelkan::replay
