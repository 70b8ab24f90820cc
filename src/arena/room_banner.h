// The line a room's players and spectators see above the fight: which
// fighter is theirs, and how a free seat gets filled.
#pragma once

#include <optional>
#include <string>

#include "arena/room.h"
#include "console/console_types.h"

namespace torvelkan::arena {

// For the player in seat, or a spectator (no seat).
std::string SeatBanner(const Room& room, std::optional<Side> seat);

// The banner stays for the whole room, so it goes on the one free row of a
// fight: the counters and scores are on row 0, the health bars and their
// numbers on row 1, the arena's pattern starts on row 3.
inline constexpr int kSeatBannerRow = 2;

// The room's frame as wire cells, with the banner over row kSeatBannerRow.
void PutSeatBanner(CellGrid& wire, const Room& room, std::optional<Side> seat);

}  // namespace torvelkan::arena
