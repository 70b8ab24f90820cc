// Reads the bytes of a recording item by item, holding every number to the
// format's limits. Pure and bounded: it is what any file from outside meets
// first, and it is fuzzed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "console/console_types.h"

namespace torvelkan::replay {

enum class ReadStatus {
  kOk,        // an item (or the header) was read
  kCutShort,  // the bytes end before the item does, or without the session's end
  kDamaged,   // bytes no recording holds; Fault() says which
};

struct ReplayHeader {
  std::uint32_t version = 0;
  std::string programVersion;
};

struct ReplayItem {
  enum class Kind { kTicks, kEvent, kEnd };
  Kind kind = Kind::kEnd;
  std::uint32_t delta = 0;  // kTicks: how far the tick moved at each pass
  std::uint32_t count = 0;  // kTicks: how many passes in a row
  InputRecord event{};      // kEvent
};

class ReplayReader {
 public:
  explicit ReplayReader(std::span<const std::uint8_t> bytes) : bytes(bytes) {}

  ReadStatus ReadHeader(ReplayHeader& header);
  // The next item; the end item is read only as the very last byte.
  ReadStatus Next(ReplayItem& item);

  // Where the next item starts; after a failure, where the failed one started.
  std::size_t Offset() const { return offset; }
  // What was wrong, for a message: "an unknown item 0x9c at byte 14".
  const std::string& Fault() const { return fault; }

 private:
  ReadStatus Varint(std::size_t& at, std::uint32_t& value);
  ReadStatus Damaged(std::size_t at, const std::string& what);

  std::span<const std::uint8_t> bytes;
  std::size_t offset = 0;
  std::string fault;
};

}  // namespace torvelkan::replay
