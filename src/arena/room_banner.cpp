// The line a room's players and spectators see above the fight.
#include "arena/room_banner.h"

#include "net/host_device.h"

namespace torvelkan::arena {

std::string SeatBanner(const Room& room, std::optional<Side> seat) {
  const bool redFree = !room.Taken(Side::kRed);
  const bool blueFree = !room.Taken(Side::kBlue);
  // A private room's code is shown only to its players: they give it out.
  const std::string invite =
      room.Quick() ? "another player comes" : "a friend joins with code " + room.Code();
  if (!seat.has_value()) {
    return redFree || blueFree ? "Watching: a seat is free" : "Watching";
  }
  if (*seat == Side::kRed) {
    return blueFree ? "You are red; blue is the AI until " + invite : "You are red";
  }
  return redFree ? "You are blue; red stands still until " + invite : "You are blue";
}

void PutSeatBanner(CellGrid& wire, const Room& room, std::optional<Side> seat) {
  net::PutBannerLine(wire, kSeatBannerRow, SeatBanner(room, seat));
}

}  // namespace torvelkan::arena
