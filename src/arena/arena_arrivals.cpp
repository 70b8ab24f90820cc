// Who comes into the arena: connections from the listening socket and peers
// from another door (the browsers' WebSockets), within the same caps.
#include <algorithm>
#include <utility>

#include "arena/arena_server.h"
#include "net/lobby_messages.h"
#include "net/unfinished_cap.h"

namespace torvelkan::arena {

namespace {

constexpr std::size_t kAcceptsPerTurn = 32;  // the rest wait for the next turn

}  // namespace

void ArenaServer::Accept(std::uint32_t nowMs) {
  for (std::size_t n = 0; n < kAcceptsPerTurn; ++n) {
    std::string address;
    net::Socket socket = net::Accept(listener.Get(), address);
    if (!socket.IsOpen()) {
      return;
    }
    Take(net::PeerLink(std::move(socket), address, nowMs), nowMs);
  }
}

void ArenaServer::Adopt(std::shared_ptr<net::MessagePipe> pipe, const std::string& address) {
  const std::uint32_t nowMs = NowMs();
  Take(net::PeerLink(std::move(pipe), address, nowMs), nowMs);
}

bool ArenaServer::Take(net::PeerLink link, std::uint32_t nowMs) {
  const std::string& address = link.Address();
  const bool limited =
      std::find(settings.unlimitedAddresses.begin(), settings.unlimitedAddresses.end(), address) ==
      settings.unlimitedAddresses.end();
  std::size_t& fromHere = perAddress[address];
  if (connections.size() >= connectionCap ||
      (limited && fromHere >= settings.maxConnectionsPerAddress)) {
    // Told at once and closed: a full server holds nothing for it.
    net::AppendServerBye(net::ServerByeReason::kFull, link.Output());
    link.Write(settings.link);
    if (fromHere == 0) {
      perAddress.erase(address);
    }
    log.Line(address + ": refused: " +
             (connections.size() >= connectionCap ? "the server is full"
                                                  : "too many connections from there"));
    return false;
  }
  MakeRoomForAGreeting(nowMs);
  ++fromHere;
  connections.push_back(std::make_unique<Connection>(Connection{std::move(link)}));
  return true;
}

void ArenaServer::MakeRoomForAGreeting(std::uint32_t nowMs) {
  if (Connection* oldest = net::UnfinishedToDrop(connections, nowMs, settings.maxHandshakes)) {
    oldest->link.Drop();
    Note(*oldest, "dropped unfinished to make room");
  }
}

}  // namespace torvelkan::arena
