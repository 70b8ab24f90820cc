// The cap on a server's unfinished connections (handshakes and goodbyes): the
// oldest makes room, so a flood of idle connections cannot keep a player out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace torvelkan::net {

// The connection (each with a PeerLink named link) to drop for one more:
// the one unfinished longest, once cap or more are unfinished; else null.
template <class Connection>
Connection* UnfinishedToDrop(const std::vector<std::unique_ptr<Connection>>& connections,
                             std::uint32_t now, std::size_t cap) {
  std::size_t unfinished = 0;
  Connection* oldest = nullptr;
  for (const auto& connection : connections) {
    if (connection->link.Unfinished()) {
      ++unfinished;
      if (oldest == nullptr ||
          connection->link.UnfinishedFor(now) > oldest->link.UnfinishedFor(now)) {
        oldest = connection.get();
      }
    }
  }
  return unfinished >= cap ? oldest : nullptr;
}

}  // namespace torvelkan::net
