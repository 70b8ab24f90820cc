// What an arena server allows: every limit a named setting with a safe default.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "net/peer_link.h"
#include "net/wrong_code_budget.h"

namespace torvelkan::arena {

// Unprivileged and unassigned; one above the host's own.
inline constexpr std::uint16_t kDefaultArenaPort = 41961;

struct ArenaSettings {
  std::string address;  // empty: every address of this machine
  std::uint16_t port = kDefaultArenaPort;

  // Connections: lobby, players and spectators alike. The total is also kept
  // below what the process may hold open.
  std::size_t maxConnections = 1000;
  std::size_t maxConnectionsPerAddress = 8;
  // Connections not yet greeted (or saying goodbye): past this the oldest
  // makes room, so a crowd of idle ones cannot keep a player out.
  std::size_t maxHandshakes = 64;

  std::size_t maxRooms = 400;
  std::size_t maxRoomsPerAddress = 4;  // open at once, made by one address
  std::size_t maxSpectatorsPerRoom = 8;

  // A lobby left without a request this long is closed.
  std::uint32_t lobbyIdleMs = 600000;
  // Lobby requests: a burst of this many, then one per requestEveryMs.
  std::uint32_t requestBurst = 5;
  std::uint32_t requestEveryMs = 200;
  // A room's code handed out and not used this long is forgotten; a room no
  // one ever entered closes.
  std::uint32_t roomWaitMs = 15000;

  // Wrong room codes judged across all addresses, as the host judges them
  // (net::WrongCodeBudget): this many a second and no more at once. While
  // they are spent every code waits, right or wrong, so guessing from many
  // addresses gains nothing; a code the lobby has just handed to the address
  // bringing it is let through all the same. Only a second's worth at once,
  // where the host stores two: a guess here may hit any room's code. Each
  // address also waits longer and longer after its own wrong codes.
  std::uint32_t wrongCodesPerSecond = net::WrongCodeBudget::kPerSecond;

  // Addresses the per-address limits leave alone: the ssh front door's
  // players all come from the loopback address, and sshd limits them itself
  // (MaxStartups, MaxSessions). The budget of wrong codes in all holds for
  // them too.
  std::vector<std::string> unlimitedAddresses = {"127.0.0.1", "::1"};

  // Each connection's times and how far behind it may fall, as the host's.
  // Frames leave with every room's frame (every 10 ms); 8 ms apart at most
  // also lets a key's frame through at once without a second one just after.
  net::LinkSettings link = [] {
    net::LinkSettings settings;
    settings.framePeriodMs = 8;
    return settings;
  }();

  // At most this many log lines a second; the rest are counted in one line.
  std::uint32_t logLinesPerSecond = 50;
};

}  // namespace torvelkan::arena
