// Reading a recording from a file and checking all of it before it plays.
#include "replay/recording.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <utility>

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
    if (item.kind == ReplayItem::Kind::kEvent && ticks < 2) {
      fault = "damaged: an input event before the game began at byte " + std::to_string(itemAt);
      return false;
    }
    itemAt = reader.Offset();
    if (item.kind == ReplayItem::Kind::kEvent) {
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

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

std::runtime_error FileFault(const std::string& path, const std::string& what) {
  return std::runtime_error(path + ": " + what);
}

std::runtime_error TooLarge(const std::string& path) {
  return FileFault(
      path, "too large for a recording (over " + std::to_string(kMaxFileBytes >> 20) + " MiB)");
}

}  // namespace

Recording LoadRecording(const std::string& path) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) {
    throw FileFault(path, "a directory, not a recording");
  }
  // A big regular file is refused unread; anything else is read up to the limit.
  if (std::filesystem::is_regular_file(path, error) &&
      std::filesystem::file_size(path, error) > kMaxFileBytes && !error) {
    throw TooLarge(path);
  }
  const std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    throw FileFault(path, std::string("cannot open: ") + std::strerror(errno));
  }
  std::vector<std::uint8_t> bytes;
  std::array<std::uint8_t, 1 << 16> buffer{};
  for (;;) {
    const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), file.get());
    bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(got));
    if (bytes.size() > kMaxFileBytes) {
      throw TooLarge(path);
    }
    if (got < buffer.size()) {
      break;
    }
  }
  if (std::ferror(file.get()) != 0) {
    throw FileFault(path, std::string("cannot read: ") + std::strerror(errno));
  }
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

std::string CutShortNotice(const std::string& path, const Recording& recording) {
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%.1f", static_cast<double>(recording.durationMs) / 1000);
  return path + ": cut short at byte " + std::to_string(recording.itemsEnd) + " of " +
         std::to_string(recording.bytes.size()) + ", " + seconds +
         " s into the game; the replay ended there";
}

}  // namespace torvelkan::replay
