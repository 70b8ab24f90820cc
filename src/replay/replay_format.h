// The recording format's fixed numbers: the magic, the version, the item tags
// and the limits a reader holds every file to (doc/replay-format.md).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace torvelkan::replay {

// "TVKREPLY": a recording starts with these eight bytes.
inline constexpr std::array<std::uint8_t, 8> kMagic = {'T', 'V', 'K', 'R', 'E', 'P', 'L', 'Y'};
inline constexpr std::uint32_t kFormatVersion = 1;

// A pass whose tick moved on by less than 64 ms is one byte: the delta itself.
inline constexpr std::uint8_t kLastShortTick = 0x3F;
inline constexpr std::uint8_t kTagTick = 0x40;        // delta
inline constexpr std::uint8_t kTagTickRun = 0x41;     // count, delta
inline constexpr std::uint8_t kTagKeyUp = 0x42;       // virtual key code
inline constexpr std::uint8_t kTagKeyDown = 0x43;     // virtual key code
inline constexpr std::uint8_t kTagOtherEvent = 0x44;  // event type
inline constexpr std::uint8_t kTagEnd = 0x7F;         // the session ended; nothing follows

// Limits: anything beyond them is a damaged file, never an allocation.
inline constexpr std::size_t kMaxProgramVersionLength = 32;
inline constexpr std::uint32_t kMaxRunLength = 65535;
inline constexpr std::uint32_t kMaxVarintBytes = 5;  // a 32-bit value
inline constexpr std::uint64_t kMaxFileBytes = 64ull << 20;

}  // namespace torvelkan::replay
