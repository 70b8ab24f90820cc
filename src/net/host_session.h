// The host's side of the network: the listening socket, the guest and the
// spectators, served without ever waiting.
//
// Service and Broadcast are called from the game's own paced loop and return
// at once: every socket is non-blocking and one poll with no timeout says which
// are ready. Each connection is bounded in what it can make the host hold and
// how long it may take: a handshake has a few seconds, a silent peer is
// dropped, a peer that stops reading has frames skipped and is then dropped.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "console/console_types.h"
#include "net/messages.h"
#include "net/peer_link.h"
#include "net/socket.h"
#include "net/wrong_code_backoff.h"
#include "net/wrong_code_budget.h"

namespace torvelkan::net {

struct HostSettings : LinkSettings {
  std::string address;  // empty: every address of this machine
  std::uint16_t port = 0;
  std::string code;
  std::size_t maxSpectators = 8;
  std::size_t maxHandshakes = 32;  // past this the oldest unfinished one makes room
};

class HostSession {
 public:
  using Clock = std::function<std::uint32_t()>;

  // Listens at once; throws std::runtime_error with a one-line reason.
  HostSession(HostSettings given, Clock clockSource);
  // Says goodbye to everyone (as far as their sockets take it at once).
  ~HostSession();
  HostSession(const HostSession&) = delete;
  HostSession& operator=(const HostSession&) = delete;

  // Accepts, reads, answers and writes what is ready; drops what ran out of time.
  void Service();

  // Queues the grid for every joined peer whose frame is due, and writes;
  // with where its lines of text begin (kRows: none) for the peers that
  // show them.
  void Broadcast(const CellGrid& cells, int textFrom = kRows);

  bool GuestConnected() const;
  // The guest's key events since the last call, oldest first.
  std::vector<KeyEvent> TakeGuestKeys();

  std::uint16_t Port() const { return port; }
  const std::string& Code() const { return settings.code; }
  std::size_t Connections() const { return connections.size(); }
  std::size_t Spectators() const;
  std::uint64_t BytesSentToGuest() const { return bytesToGuest; }
  // One line per connection that ended or was refused, newest last (bounded).
  const std::deque<std::string>& Log() const { return log; }

 private:
  struct Connection {
    PeerLink link;
    Role role = Role::kGuest;                  // once joined
    std::uint16_t version = kProtocolVersion;  // as welcomed
    bool Is(Role asked) const {
      return link.GetStage() == PeerLink::Stage::kJoined && role == asked;
    }
  };

  void AcceptWaiting(std::uint32_t now);
  void Read(Connection& connection, std::uint32_t now);
  void Leave(Connection& connection, std::uint32_t now);
  void Handle(Connection& connection, const Message& message, std::uint32_t now);
  void Greet(Connection& connection, const Hello& hello, std::uint32_t now);
  void Refuse(Connection& connection, RefuseReason reason, const std::string& why);
  void Close(Connection& connection, ByeReason reason, const std::string& why);
  void Write(Connection& connection);
  void CheckTimes(Connection& connection, std::uint32_t now);
  void RemoveDead();
  void Note(const std::string& line);

  HostSettings settings;
  Clock clock;
  Socket listener;
  std::uint16_t port = 0;
  std::vector<std::unique_ptr<Connection>> connections;
  std::vector<PollEntry> polled;
  WrongCodeBackoff backoff;
  WrongCodeBudget budget;
  std::vector<KeyEvent> guestKeys;
  std::deque<std::string> log;
  std::uint64_t bytesToGuest = 0;
};

}  // namespace torvelkan::net
