// Playing on an arena server: the lobby, then a room as a guest sees a host's
// game, then the lobby again, until the player leaves or the server goes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "console/console_device.h"
#include "net/guest_client.h"
#include "net/socket.h"

namespace torvelkan::online {

struct OnlineSettings {
  std::string host;
  std::uint16_t port = 0;
  std::uint32_t connectMs = 5000;
};

// Runs the client on device from the connection made before it was taken:
// a lobby's (ConnectToLobby) or, when the player named a room's code, that
// room's (net::ConnectToHost). Ends when the player leaves the lobby with Esc
// (status 0, no message) or the server goes (status 1 and why). The clock
// gives milliseconds.
net::JoinOutcome RunOnline(ConsoleDevice& device, const OnlineSettings& settings, net::Socket lobby,
                           net::Socket room, const std::function<std::uint32_t()>& clock);

}  // namespace torvelkan::online
