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
#include "net/message_stream.h"
#include "net/messages.h"
#include "net/socket.h"
#include "net/wrong_code_backoff.h"
#include "net/wrong_code_budget.h"

namespace torvelkan::net {

struct HostSettings {
  std::string address;  // empty: every address of this machine
  std::uint16_t port = 0;
  std::string code;
  std::size_t maxSpectators = 8;
  std::size_t maxHandshakes = 32;  // past this the oldest unfinished one makes room
  std::uint32_t handshakeMs = 5000;
  std::uint32_t silenceMs = 3000;
  std::uint32_t heartbeatMs = 500;
  std::uint32_t framePeriodMs = 10;    // at most 100 frames a second, as the terminal gets
  std::size_t frameSkipBytes = 4096;   // unsent bytes past which frames are skipped
  std::uint32_t stallMs = 3000;        // how long a peer may stay past it
  std::size_t maxUnsentBytes = 65536;  // never held for one peer
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

  // Queues the grid for every joined peer whose frame is due, and writes.
  void Broadcast(const CellGrid& cells);

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
  enum class State { kHandshake, kGuest, kSpectator, kClosing };
  struct Connection {
    Socket socket;
    std::string address;
    State state = State::kHandshake;
    std::uint32_t openedAt = 0;
    std::uint32_t closingSince = 0;  // when its refusal or farewell was queued
    std::uint32_t lastHeard = 0;
    std::uint32_t lastQueued = 0;
    std::uint32_t lastFrame = 0;
    std::uint32_t backedUpSince = 0;
    bool backedUp = false;
    bool dead = false;
    MessageReader reader;
    std::vector<std::uint8_t> output;
    std::size_t outputSent = 0;
    CellGrid shown{};  // what the peer's grid holds
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
  static std::size_t Pending(const Connection& connection) {
    return connection.output.size() - connection.outputSent;
  }

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
