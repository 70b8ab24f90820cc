// The arena's rooms and what the lobby does with them: opening one within the
// limits, a quick match, the list to watch from, and letting a greeting into
// a room by its code. No sockets: the server does the talking.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "arena/arena_settings.h"
#include "arena/code_guard.h"
#include "arena/room.h"
#include "net/lobby_messages.h"
#include "net/messages.h"

namespace torvelkan::arena {

// What became of a greeting: a room and a place in it, or a refusal and why.
struct Admission {
  Room* room = nullptr;
  std::optional<Side> seat;  // none for a spectator
  std::optional<net::RefuseReason> refusal;
  std::string why;  // for the log
};

class Lobby {
 public:
  // A fresh code from the system's secure random source (a test's own
  // sequence in tests).
  using CodeSource = std::function<std::string()>;

  Lobby(const ArenaSettings& given, CodeSource source);

  // A new room made by address, with a seat promised to its maker; none,
  // with why, when a limit stands in the way.
  Room* Open(const std::string& address, bool quick, std::uint32_t nowMs,
             net::LobbyRefusal& refusal);
  // A seat in a quick-match room, with a promise: where a player waits
  // longest, else one just made whose seat is free, else a new room.
  Room* QuickMatch(const std::string& address, std::uint32_t nowMs, net::LobbyRefusal& refusal);
  // The rooms with a player in, the fullest first.
  net::RoomList List() const;

  // A Hello of the host's protocol: a player's by a room's play code, a
  // spectator's by its play or watch code, each code judged by the guard but
  // a player's the lobby has just handed to its address.
  // A player admitted is seated (the first starts the room's game at
  // nowUs, its first tick `tick`); a spectator admitted is counted.
  Admission Admit(const net::Hello& hello, const std::string& address, std::int64_t nowUs,
                  std::uint32_t tick);

  // Removes the rooms that have ended, each handed to closing first.
  void RemoveEnded(std::uint32_t nowMs, const std::function<void(Room&)>& closing);

  const std::vector<std::unique_ptr<Room>>& Rooms() const { return rooms; }

 private:
  bool Limited(const std::string& address) const;
  Room::Codes FreshCodes() const;
  Room* Find(const std::string& code, bool watchCodeToo) const;

  const ArenaSettings& settings;
  CodeSource newCode;
  CodeGuard guard;
  std::vector<std::unique_ptr<Room>> rooms;
};

}  // namespace torvelkan::arena
