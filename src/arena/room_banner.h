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

// The room's frame as wire cells, with the banner over its top row.
void PutSeatBanner(CellGrid& wire, const Room& room, std::optional<Side> seat);

}  // namespace torvelkan::arena
