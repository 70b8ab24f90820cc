// One room of the arena: a game run exactly as the host runs it (its own App,
// pass schedule and generator; a fresh match after each), with both fighters'
// seats taken by players over the network.
//
// The first player to come is red and the second blue; while blue's seat is
// empty the AI plays blue, as on a host whose guest has left. The game's AI
// plays blue only, so a red seat left empty stands still, its keys let go,
// until the next player takes it. The game starts with the first player and
// the room ends once both players have gone.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "app/app.h"
#include "app/pass_schedule.h"
#include "arena/room_device.h"
#include "common/random.h"
#include "console/console_screen.h"
#include "match/fighter_keys.h"
#include "net/messages.h"

namespace torvelkan::arena {

class Room {
 public:
  struct Codes {
    std::string play;   // takes a seat (or watches)
    std::string watch;  // watches only: the code the lobby lists
  };

  // A place promised to a player sent here from the lobby is kept this long.
  static constexpr std::uint32_t kPromiseMs = 5000;

  // quick: a room the lobby's quick match fills. No one is in it yet; it
  // ends if no one comes within waitMs of nowMs.
  Room(Codes given, std::string madeBy, bool quickMatch, std::uint32_t nowMs, std::uint32_t wait);
  Room(const Room&) = delete;
  Room& operator=(const Room&) = delete;

  const std::string& Code() const { return codes.play; }
  const std::string& WatchCode() const { return codes.watch; }
  const std::string& Creator() const { return creator; }
  bool Quick() const { return quick; }

  // Keeps a seat for a player the lobby sends here from address.
  void Promise(const std::string& address, std::uint32_t nowMs);
  // A seat is kept for a player from address: it was handed this room's code.
  bool PromisedTo(const std::string& address, std::uint32_t nowMs);
  // Seats neither taken nor promised.
  int FreeSeats(std::uint32_t nowMs);
  int Players() const { return (redTaken ? 1 : 0) + (blueTaken ? 1 : 0); }
  bool Taken(Side side) const { return side == Side::kRed ? redTaken : blueTaken; }
  bool Started() const { return app != nullptr; }

  // Seats a player (from address: a seat kept for it is used), red if free,
  // else blue; none when both are taken. The
  // first starts the game, its first tick `tick` (the tick counter's now)
  // and its passes on the frame grid of the clock of nowUs, so that all
  // rooms draw their frames at the same moments and the server wakes once
  // for them all.
  std::optional<Side> Seat(std::int64_t nowUs, std::uint32_t tick, const std::string& address = {});
  void Leave(Side side);
  // A key of the player in side's seat: arrows and W, A, S, D alike drive
  // that side's fighter.
  void Key(Side side, const net::KeyEvent& key);

  void Watch() { ++spectators; }
  void Unwatch() { spectators -= spectators > 0 ? 1 : 0; }
  std::size_t Spectators() const { return spectators; }

  // Runs the passes due at nowUs (one early for a waiting key) and draws the
  // frame when one is due, with this room's generator.
  void Advance(std::int64_t nowUs);
  // A player's key waits for a pass: Advance runs one at once.
  bool InputWaiting() const { return device.Waiting(); }
  // The room's game failed: the room ends.
  void Fail() { gameEnded = true; }
  // When Advance next has something to do; none before the game starts.
  std::optional<std::int64_t> NextWake() const;
  // The frame drawn by the last Advance, if it drew one.
  const CellGrid* TakeFrame() { return device.TakeFrame(); }

  // Both players gone after one came, or no one in time, or the game ended.
  bool Ended(std::uint32_t nowMs) const;
  // Passes run in the last whole second of the game's time: 500 at its pace.
  std::uint32_t PassRate() const { return app ? app->FramesPerSecond() : 0; }
  const App* Game() const { return app.get(); }

 private:
  Codes codes;
  std::string creator;
  bool quick;
  std::uint32_t createdAt;
  std::uint32_t waitMs;
  struct Kept {
    std::string address;
    std::uint32_t since;
  };
  void ForgetOldPromises(std::uint32_t nowMs);

  std::deque<Kept> promises;  // oldest first
  bool redTaken = false;
  bool blueTaken = false;
  bool gameEnded = false;
  std::size_t spectators = 0;

  GeneratorState generator;
  RoomDevice device;
  ConsoleScreen screen{device};
  std::optional<PassSchedule> schedule;
  std::unique_ptr<App> app;
};

}  // namespace torvelkan::arena
