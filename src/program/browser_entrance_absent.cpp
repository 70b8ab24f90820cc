// The arena server's door for browsers, in a build without it.
#include <stdexcept>

#include "program/browser_entrance.h"

namespace torvelkan {

struct BrowserEntrance::Impl {};

BrowserEntrance::BrowserEntrance(const WebOptions& options, const arena::ArenaSettings& /*arena*/) {
  if (options.on) {
    throw std::runtime_error(
        "this build cannot let browsers in: it was made without Boost's headers "
        "(libboost-dev); install them and build again");
  }
}

BrowserEntrance::~BrowserEntrance() = default;

// NOLINTNEXTLINE(readability-convert-member-functions-to-static): the door's own, declared once
std::uint16_t BrowserEntrance::Port() const { return 0; }

const std::vector<net::PollEntry>& BrowserEntrance::Waits() { return waits; }

void BrowserEntrance::Serve(arena::ArenaServer& /*server*/, arena::ServerLog& /*log*/) {}

void BrowserEntrance::Close(arena::ServerLog& /*log*/) {}

}  // namespace torvelkan
