// The reading half of the recording format (doc/replay-format.md).
#include "replay/replay_reader.h"

#include <algorithm>
#include <cstdio>

#include "replay/replay_format.h"

namespace torvelkan::replay {

ReadStatus ReplayReader::Damaged(std::size_t at, const std::string& what) {
  fault = "damaged: " + what + " at byte " + std::to_string(at);
  return ReadStatus::kDamaged;
}

ReadStatus ReplayReader::Varint(std::size_t& at, std::uint32_t& value) {
  value = 0;
  const std::size_t start = at;
  for (std::uint32_t i = 0; i < kMaxVarintBytes; ++i) {
    if (at >= bytes.size()) {
      return ReadStatus::kCutShort;
    }
    const std::uint8_t byte = bytes[at++];
    // The fifth byte holds the top 4 bits of 32; anything more is too big.
    if (i == kMaxVarintBytes - 1 && byte > 0x0F) {
      return Damaged(start, "a number over 32 bits");
    }
    value |= static_cast<std::uint32_t>(byte & 0x7F) << (7 * i);
    if ((byte & 0x80) == 0) {
      return ReadStatus::kOk;
    }
  }
  return Damaged(start, "a number over 32 bits");  // not reached: the fifth byte stops above
}

ReadStatus ReplayReader::ReadHeader(ReplayHeader& header) {
  offset = 0;
  const std::size_t shown = std::min(bytes.size(), kMagic.size());
  if (!std::equal(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(shown),
                  kMagic.begin())) {
    fault = "not a recording of this game";
    return ReadStatus::kDamaged;
  }
  if (bytes.size() < kMagic.size()) {
    return ReadStatus::kCutShort;
  }
  std::size_t at = kMagic.size();
  ReadStatus status = Varint(at, header.version);
  if (status != ReadStatus::kOk) {
    return status;
  }
  if (header.version != kFormatVersion) {
    fault = "a recording in format " + std::to_string(header.version) +
            "; this program plays format " + std::to_string(kFormatVersion);
    return ReadStatus::kDamaged;
  }
  std::uint32_t length = 0;
  const std::size_t lengthAt = at;
  status = Varint(at, length);
  if (status != ReadStatus::kOk) {
    return status;
  }
  if (length > kMaxProgramVersionLength) {
    return Damaged(lengthAt, "a program version of " + std::to_string(length) + " bytes");
  }
  if (bytes.size() - at < length) {
    return ReadStatus::kCutShort;
  }
  header.programVersion.clear();
  for (std::uint32_t i = 0; i < length; ++i) {
    const std::uint8_t c = bytes[at + i];
    if (c < 0x20 || c > 0x7E) {
      return Damaged(at + i, "a program version that is not plain text");
    }
    header.programVersion.push_back(static_cast<char>(c));
  }
  offset = at + length;
  return ReadStatus::kOk;
}

ReadStatus ReplayReader::Next(ReplayItem& item) {
  std::size_t at = offset;
  if (at >= bytes.size()) {
    return ReadStatus::kCutShort;  // the session's end was never written
  }
  const std::uint8_t tag = bytes[at++];
  std::uint32_t first = 0;
  std::uint32_t second = 0;
  ReadStatus status = ReadStatus::kOk;
  item = ReplayItem{};
  if (tag <= kLastShortTick) {
    item.kind = ReplayItem::Kind::kTicks;
    item.delta = tag;
    item.count = 1;
  } else if (tag == kTagTick) {
    status = Varint(at, first);
    item.kind = ReplayItem::Kind::kTicks;
    item.delta = first;
    item.count = 1;
  } else if (tag == kTagTickRun) {
    status = Varint(at, first);
    if (status == ReadStatus::kOk) {
      status = Varint(at, second);
    }
    if (status == ReadStatus::kOk && (first == 0 || first > kMaxRunLength)) {
      return Damaged(offset, "a run of " + std::to_string(first) + " passes");
    }
    item.kind = ReplayItem::Kind::kTicks;
    item.count = first;
    item.delta = second;
  } else if (tag == kTagKeyUp || tag == kTagKeyDown) {
    status = Varint(at, first);
    if (status == ReadStatus::kOk && first > 0xFFFF) {
      return Damaged(offset, "a key code of " + std::to_string(first));
    }
    item.kind = ReplayItem::Kind::kEvent;
    item.event = MakeKeyRecord(static_cast<std::uint16_t>(first), tag == kTagKeyDown);
  } else if (tag == kTagOtherEvent) {
    status = Varint(at, first);
    if (status == ReadStatus::kOk && (first > 0xFFFF || first == kKeyEventType)) {
      return Damaged(offset, "an event of type " + std::to_string(first));
    }
    item.kind = ReplayItem::Kind::kEvent;
    item.event = MakeOtherRecord(static_cast<std::uint16_t>(first));
  } else if (tag == kTagEnd) {
    if (at != bytes.size()) {
      return Damaged(at, "bytes after the end of the session");
    }
    item.kind = ReplayItem::Kind::kEnd;
  } else {
    char shown[8];
    std::snprintf(shown, sizeof shown, "0x%02x", static_cast<unsigned>(tag));
    return Damaged(offset, std::string("an unknown item ") + shown);
  }
  if (status != ReadStatus::kOk) {
    return status;  // cut short inside the item, or damaged: offset stays at its start
  }
  offset = at;
  return ReadStatus::kOk;
}

}  // namespace torvelkan::replay
