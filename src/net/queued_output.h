// A client's bytes queued for its server, sent as far as the socket takes
// them without waiting, with a bound on what may be left behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "net/socket.h"

namespace torvelkan::net {

enum class Flushed {
  kAsFarAsTaken,  // all of it, or what the socket would not take yet
  kClosed,        // the peer closed the connection (or it failed)
  kBacklogged,    // more than the bound still waits: the peer stopped reading
};

// Sends output from outputSent on; once all of it has gone, empties it.
Flushed SendQueued(SocketHandle socket, std::vector<std::uint8_t>& output, std::size_t& outputSent,
                   std::size_t maxUnsentBytes);

}  // namespace torvelkan::net
