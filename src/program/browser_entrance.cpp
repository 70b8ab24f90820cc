// The arena server's door for browsers as the server's loop sees it.
#include "program/browser_entrance.h"

#include <string>
#include <utility>

#include "common/monotonic_clock.h"
#include "web/browser_door.h"

namespace torvelkan {

namespace {

// For the last words to the browsers, once the server is stopping.
constexpr std::uint32_t kCloseMs = 1000;

std::uint32_t NowMs() { return static_cast<std::uint32_t>(MonotonicMicroseconds() / 1000); }

}  // namespace

struct BrowserEntrance::Impl {
  web::BrowserDoor door;

  explicit Impl(web::DoorSettings settings) : door(std::move(settings), NowMs) {}
};

BrowserEntrance::BrowserEntrance(const WebOptions& options, const arena::ArenaSettings& arena) {
  if (!options.on) {
    return;
  }
  web::DoorSettings settings;
  settings.address = options.address;
  settings.port = options.port;
  // The arena's own limits, at its door too.
  settings.maxConnections = arena.maxConnections;
  settings.maxConnectionsPerAddress = arena.maxConnectionsPerAddress;
  settings.unlimitedAddresses = arena.unlimitedAddresses;
  settings.handshakeMs = arena.link.handshakeMs;
  impl = std::make_unique<Impl>(std::move(settings));
}

BrowserEntrance::~BrowserEntrance() = default;

std::uint16_t BrowserEntrance::Port() const { return impl ? impl->door.Port() : 0; }

const std::vector<net::PollEntry>& BrowserEntrance::Waits() {
  waits.clear();
  if (impl) {
    impl->door.AddWaits(waits);
  }
  return waits;
}

void BrowserEntrance::Serve(arena::ArenaServer& server, arena::ServerLog& log) {
  if (!impl) {
    return;
  }
  impl->door.Serve();
  for (web::BrowserDoor::Arrival& arrival : impl->door.TakeArrivals()) {
    server.Adopt(std::move(arrival.pipe), arrival.address);
  }
  for (const std::string& line : impl->door.TakeNotes()) {
    log.Line(line);
  }
}

void BrowserEntrance::Close(arena::ServerLog& log) {
  if (!impl) {
    return;
  }
  impl->door.Close(kCloseMs);
  for (const std::string& line : impl->door.TakeNotes()) {
    log.Line(line);
  }
}

}  // namespace torvelkan
