// Reading a recording from a file and checking all of it before it plays.
#include "replay/recording.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "replay/file_fault.h"
#include "replay/recording_file.h"
#include "replay/replay_format.h"
#include "replay/replay_reader.h"

namespace torvelkan::replay {

bool ParseRecording(std::vector<std::uint8_t> bytes, Recording& recording, std::string& fault) {
  recording = Recording{};
  recording.bytes = std::move(bytes);
  ReplayReader reader(recording.bytes);
  ReplayHeader header;
  ReadStatus status = reader.ReadHeader(header);
  if (status == ReadStatus::kDamaged) {
    fault = reader.Fault();
    return false;
  }
  if (status == ReadStatus::kCutShort) {
    fault = "holds no game: it stops inside its header";
    return false;
  }
  recording.programVersion = header.programVersion;
  recording.itemsBegin = reader.Offset();
  // The App reads the tick twice when it starts (the seed, then the first
  // frame's time) before it reads any input.
  std::uint64_t ticks = 0;
  ReplayItem item;
  std::size_t itemAt = reader.Offset();
  while ((status = reader.Next(item)) == ReadStatus::kOk && item.kind != ReplayItem::Kind::kEnd) {
    if (item.kind != ReplayItem::Kind::kTicks && ticks < 2) {
      fault = "damaged: an input event before the game began at byte " + std::to_string(itemAt);
      return false;
    }
    itemAt = reader.Offset();
    if (item.kind != ReplayItem::Kind::kTicks) {
      continue;
    }
    const std::uint64_t startReads = ticks < 2 ? std::min<std::uint64_t>(2 - ticks, item.count) : 0;
    recording.durationMs += (item.count - startReads) * item.delta;
    ticks += item.count;
  }
  if (status == ReadStatus::kDamaged) {
    fault = reader.Fault();
    return false;
  }
  recording.itemsEnd = reader.Offset();
  recording.cutShort = status == ReadStatus::kCutShort;
  if (ticks < 2) {
    fault = "holds no game: it stops at byte " + std::to_string(reader.Offset());
    return false;
  }
  recording.passes = ticks - 2;
  return true;
}

Recording LoadRecording(const std::string& path) {
  std::vector<std::uint8_t> bytes = ReadRecordingFile(path, kMaxFileBytes);
  if (bytes.empty()) {
    throw FileFault(path, "an empty file, not a recording");
  }
  Recording recording;
  std::string fault;
  if (!ParseRecording(std::move(bytes), recording, fault)) {
    throw FileFault(path, fault);
  }
  return recording;
}

std::string CutShortNotice(const std::string& shownName, const Recording& recording) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.1f", static_cast<double>(recording.durationMs) / 1000);
  return shownName + ": cut short at byte " + std::to_string(recording.itemsEnd) + " of " +
         std::to_string(recording.bytes.size()) + ", " + seconds +
         " s into the game; the replay ended there";
}

}  // namespace torvelkan::replay
