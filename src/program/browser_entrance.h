// The arena server's door for browsers as the server's loop sees it, where
// the build has one (it needs Boost's headers): opened when --web asks,
// waited for with the arena's own sockets, and served after each turn.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "arena/arena_server.h"
#include "arena/server_log.h"
#include "net/socket.h"
#include "program/web_options.h"

namespace torvelkan {

class BrowserEntrance {
 public:
  // Opens the door when options.on; throws std::runtime_error with one line
  // when it cannot listen, or when this build has no door.
  BrowserEntrance(const WebOptions& options, const arena::ArenaSettings& arena);
  ~BrowserEntrance();
  BrowserEntrance(const BrowserEntrance&) = delete;
  BrowserEntrance& operator=(const BrowserEntrance&) = delete;

  bool Open() const { return impl != nullptr; }
  std::uint16_t Port() const;

  // The door's sockets for the arena's next turn to wait on as well.
  const std::vector<net::PollEntry>& Waits();
  // Serves the browsers, hands each new WebSocket to the server as a peer,
  // and writes the door's notes to the log.
  void Serve(arena::ArenaServer& server, arena::ServerLog& log);
  // Once the server has said goodbye to everyone: lets the browsers' last
  // words leave, then closes.
  void Close(arena::ServerLog& log);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl;
  std::vector<net::PollEntry> waits;
};

}  // namespace torvelkan
