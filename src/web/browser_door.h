// The arena server's door for browsers: the page (its lobby and rooms drawn
// as the terminal draws them) and, at /play, a WebSocket that the arena takes
// as one more peer, speaking the protocol a terminal client speaks, one
// message to each WebSocket message.
//
// The door holds no rules of the arena's: each WebSocket is handed over as a
// pipe of whole messages (net/message_pipe.h) that a PeerLink reads as it
// reads a socket, so a browser meets the arena's own greeting, lobby, rooms,
// codes, times and limits. The door's own are those of any careful web
// server: only the page's files and its WebSocket, the Host and the Origin,
// the size of a request's head and of a message, the time to send a request
// or to open a WebSocket, and connections per address and in all.
//
// Driven from the arena's loop without ever waiting: the loop waits for the
// door's sockets with its own (AddWaits), then Serve runs what is ready.
// Boost.Beast stays in the door's source files.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "net/message_pipe.h"
#include "net/socket.h"

namespace torvelkan::web {

// Unprivileged and unassigned; one above the arena's own.
inline constexpr std::uint16_t kDefaultDoorPort = 41962;

struct DoorSettings {
  std::string address;  // empty: every address of this machine
  std::uint16_t port = kDefaultDoorPort;
  // Page loads and WebSockets together; a WebSocket also counts among the
  // arena's connections. Past the total, the oldest page load makes room.
  std::size_t maxConnections = 1000;
  std::size_t maxConnectionsPerAddress = 8;
  // Left out of the limit per address: a proxy in front brings everyone from
  // there, and limits them itself.
  std::vector<std::string> unlimitedAddresses = {"127.0.0.1", "::1"};
  std::size_t maxHeaderBytes = 8192;
  std::size_t maxRequestsPerConnection = 100;
  std::uint32_t requestMs = 5000;    // to send a request's head, or between two
  std::uint32_t handshakeMs = 5000;  // to open a WebSocket, or to close one
  // A browser's messages not yet taken by the arena: reading stops past it.
  std::size_t maxArrivedBytes = 16384;
};

class BrowserDoor {
 public:
  using Clock = std::function<std::uint32_t()>;  // milliseconds, monotonic

  // A WebSocket opened: the arena's peer from now on.
  struct Arrival {
    std::shared_ptr<net::MessagePipe> pipe;
    std::string address;
  };

  // Listens at once; throws std::runtime_error with a one-line reason.
  BrowserDoor(DoorSettings settings, Clock clock);
  ~BrowserDoor();
  BrowserDoor(const BrowserDoor&) = delete;
  BrowserDoor& operator=(const BrowserDoor&) = delete;

  std::uint16_t Port() const;

  // The door's sockets, each with what it waits for, after those in waits.
  void AddWaits(std::vector<net::PollEntry>& waits) const;
  // Runs what the network has ready, a bounded number of handlers, and
  // returns at once: requests answered, WebSocket messages into their pipes,
  // the pipes' messages out, WebSockets closed whose peer the arena let go.
  void Serve();

  // The WebSockets opened since the last call, for the arena to adopt.
  std::vector<Arrival> TakeArrivals();
  // One line for the log per connection refused (bounded).
  std::vector<std::string> TakeNotes();

  // Accepts nothing more, gives what the pipes still hold (the arena's last
  // words) at most limitMs to leave, then closes everything.
  void Close(std::uint32_t limitMs);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};

}  // namespace torvelkan::web
