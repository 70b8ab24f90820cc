// The arena server: one event loop on one thread serving the listening
// socket, the lobby's connections and every room.
//
// One thread is enough and the simplest: a room's game takes a small share
// of a core (README.md has the figures), so one core holds a few hundred;
// nothing is shared between threads, so nothing is locked, and rooms share
// nothing but the loop. Every socket is non-blocking and every connection
// bounded in what it can make the server hold and how long it may take. A
// fault in handling one client's bytes ends that connection only; one in a
// room's game ends that room only.
//
// Each turn waits for the sockets until the next room's frame is due, then
// reads and answers what came, runs each room's passes due (a room with a key
// waiting at once, as the game's own loop does) and sends each room's frame
// to its players and spectators. Rooms draw their frames at the same moments,
// every 10 ms, so the server wakes about 100 times a second however many
// rooms it holds.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "arena/arena_settings.h"
#include "arena/lobby.h"
#include "arena/server_log.h"
#include "net/messages.h"
#include "net/peer_link.h"
#include "net/socket.h"

namespace torvelkan::arena {

class ArenaServer {
 public:
  using Clock = std::function<std::int64_t()>;  // microseconds, monotonic

  // Listens at once; throws std::runtime_error with a one-line reason. The
  // codes come from the system's secure random source unless given.
  ArenaServer(ArenaSettings given, ServerLog& serverLog, Lobby::CodeSource codes = {},
              Clock clockSource = {});
  ArenaServer(const ArenaServer&) = delete;
  ArenaServer& operator=(const ArenaServer&) = delete;

  std::uint16_t Port() const { return port; }

  // Waits at most longestWaitMs (less when a room's frame is due sooner) for
  // the sockets, and for those of alsoWaitFor (another door's, served by its
  // own code after the turn), then serves what is ready and runs the rooms
  // that are due.
  void Turn(int longestWaitMs, std::span<const net::PollEntry> alsoWaitFor = {});

  // A peer that came in by another door (a browser's WebSocket at the web
  // server), carried by pipe: held to the limits of those the listener
  // accepts, or told that the server is full and let go.
  void Adopt(std::shared_ptr<net::MessagePipe> pipe, const std::string& address);

  // Tells every client that the server is stopping and gives their sockets
  // a moment to take it; accepts nothing more.
  void Stop();

  struct Figures {
    std::size_t connections = 0;
    std::size_t lobby = 0;
    std::size_t players = 0;
    std::size_t spectators = 0;
    std::size_t rooms = 0;
    std::uint32_t slowestRoom = 0;  // the lowest pass rate of a running room
    std::uint64_t bytesSent = 0;    // since the start
  };
  Figures Count() const;
  const Lobby& Rooms() const { return lobby; }

 private:
  enum class Place { kHandshake, kLobby, kPlayer, kSpectator };
  struct Connection {
    net::PeerLink link;
    Place place = Place::kHandshake;
    Room* room = nullptr;
    Side side = Side::kRed;
    std::uint32_t lastRequest = 0;  // in the lobby: how long it has been idle
    std::uint32_t requestTokens = 0;
    std::uint32_t tokensAt = 0;
  };

  std::uint32_t NowMs() const { return static_cast<std::uint32_t>(clock() / 1000); }
  int WaitFor(int longestWaitMs) const;
  void Accept(std::uint32_t nowMs);
  // A new connection from either door, within the caps (false: refused and
  // told so).
  bool Take(net::PeerLink link, std::uint32_t nowMs);
  // Past the cap on unfinished connections, the oldest makes room.
  void MakeRoomForAGreeting(std::uint32_t nowMs);
  void Read(Connection& connection);
  void Write(Connection& connection);
  void Handle(Connection& connection, const net::Message& message);
  void Greet(Connection& connection, const net::Message& message);
  void Request(Connection& connection, const net::Message& message, std::uint32_t nowMs);
  void RunRooms();
  void SendFrames(const std::unordered_map<const Room*, const CellGrid*>& frames,
                  std::uint32_t nowMs);
  void CheckTimes(std::uint32_t nowMs);
  void RemoveGone();
  // Ends a connection with its last message already queued.
  void Close(Connection& connection, const std::string& why);
  void CloseWithBye(Connection& connection, net::ByeReason reason, const std::string& why);
  // Leaves its room's seat or spectator place, if it holds one.
  void Detach(Connection& connection);
  void Note(const Connection& connection, const std::string& what);

  ArenaSettings settings;
  ServerLog& log;
  Clock clock;
  Lobby lobby;
  net::Socket listener;
  std::uint16_t port = 0;
  std::size_t connectionCap;
  std::vector<std::unique_ptr<Connection>> connections;
  std::unordered_map<std::string, std::size_t> perAddress;
  std::vector<net::PollEntry> polled;
  std::uint32_t lastCheck = 0;
  std::uint32_t lastStatus = 0;
  std::uint64_t bytesSent = 0;
};

}  // namespace torvelkan::arena
