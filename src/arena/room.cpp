// One room of the arena: a game with both seats taken over the network.
#include "arena/room.h"

#include <algorithm>
#include <utility>

#include "app/main_loop.h"
#include "net/host_device.h"

namespace torvelkan::arena {

namespace {

constexpr std::int64_t kFramePeriodMicroseconds =
    PassSchedule::kPassMicroseconds * PassSchedule::kPassesPerFrame;

// The red key a player's key drives: arrows as they are, W, A, S, D as arrows.
std::uint16_t RedKeyFor(std::uint16_t key) {
  const std::optional<FighterKey> found = FindFighterKey(key);
  return found.has_value() ? KeyFor(Side::kRed, found->action) : 0;
}

}  // namespace

Room::Room(Codes given, std::string madeBy, bool quickMatch, std::uint32_t nowMs,
           std::uint32_t wait)
    : codes(std::move(given)),
      creator(std::move(madeBy)),
      quick(quickMatch),
      createdAt(nowMs),
      waitMs(wait) {}

void Room::Promise(const std::string& address, std::uint32_t nowMs) {
  promises.push_back(Kept{address, nowMs});
}

void Room::ForgetOldPromises(std::uint32_t nowMs) {
  while (!promises.empty() && nowMs - promises.front().since > kPromiseMs) {
    promises.pop_front();
  }
}

bool Room::PromisedTo(const std::string& address, std::uint32_t nowMs) {
  ForgetOldPromises(nowMs);
  return std::any_of(promises.begin(), promises.end(),
                     [&](const Kept& kept) { return kept.address == address; });
}

int Room::FreeSeats(std::uint32_t nowMs) {
  ForgetOldPromises(nowMs);
  const int free = 2 - Players() - static_cast<int>(promises.size());
  return free > 0 ? free : 0;
}

std::optional<Side> Room::Seat(std::int64_t nowUs, std::uint32_t tick, const std::string& address) {
  if (redTaken && blueTaken) {
    return std::nullopt;
  }
  const auto kept = std::find_if(promises.begin(), promises.end(),
                                 [&](const Kept& promise) { return promise.address == address; });
  if (kept != promises.end()) {
    promises.erase(kept);
  } else if (!promises.empty()) {
    promises.pop_front();
  }
  if (!app) {
    const UseGenerator use(generator);
    schedule.emplace(tick, nowUs - nowUs % kFramePeriodMicroseconds);
    app = std::make_unique<App>(screen, [this] { return schedule->Tick(); });
    app->SkipToFight();
    device.Attach(RemoteInputTo(*app));
  }
  if (!redTaken) {
    redTaken = true;
    return Side::kRed;
  }
  blueTaken = true;
  device.SeatBlue(true);
  return Side::kBlue;
}

void Room::Leave(Side side) {
  if (side == Side::kRed && redTaken) {
    redTaken = false;
    device.LetGoOfRed();
  } else if (side == Side::kBlue && blueTaken) {
    blueTaken = false;
    device.SeatBlue(false);
  }
}

void Room::Key(Side side, const net::KeyEvent& key) {
  if (!Taken(side)) {
    return;
  }
  if (side == Side::kRed) {
    const std::uint16_t code = RedKeyFor(key.code);
    if (code != 0) {
      device.QueueRed(MakeKeyRecord(code, key.down));
    }
    return;
  }
  const std::uint16_t code = net::BlueKeyFor(key.code);
  if (code != 0) {
    device.QueueBlue(
        RemoteInput{key.down ? RemoteInput::Kind::kKeyDown : RemoteInput::Kind::kKeyUp, code});
  }
}

void Room::Advance(std::int64_t nowUs) {
  if (!app || gameEnded) {
    return;
  }
  const UseGenerator use(generator);
  gameEnded = RunPassesDue(screen, *app, *schedule, nowUs);
}

std::optional<std::int64_t> Room::NextWake() const {
  if (!app || gameEnded) {
    return std::nullopt;
  }
  return device.Waiting() ? schedule->NextPassAt() : schedule->NextFrameAt();
}

bool Room::Ended(std::uint32_t nowMs) const {
  if (!app) {
    return nowMs - createdAt > waitMs;
  }
  return gameEnded || Players() == 0;
}

}  // namespace torvelkan::arena
