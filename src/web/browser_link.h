// One browser's side of the game's protocol over its WebSocket: the greeting,
// the player's keys, heartbeats both ways, frames as grid differences and the
// farewell, with the host's bounds on time.
//
// Pure: each WebSocket message in is one protocol message (length prefix
// included) and each one out likewise; the server carries them. A browser
// sends exactly what a terminal guest sends and is parsed by the same code.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "console/console_types.h"
#include "net/message_stream.h"
#include "net/messages.h"
#include "web/browser_room.h"

namespace torvelkan::web {

struct LinkTimes {
  std::uint32_t handshakeMs = 5000;
  std::uint32_t silenceMs = 3000;
  std::uint32_t heartbeatMs = 500;
  std::size_t frameSkipBytes = 16384;  // unsent bytes past which frames are skipped
  std::uint32_t stallMs = 3000;        // how long a browser may stay past it
};

class BrowserLink {
 public:
  enum class State : std::uint8_t { kHandshake, kPlayer, kSpectator, kClosing };

  // The room must outlive the link; address names the peer in notes.
  BrowserLink(BrowserRoom& sharedRoom, std::string peer, LinkTimes limits, std::uint32_t now);
  // Gives up its seat.
  ~BrowserLink();
  BrowserLink(const BrowserLink&) = delete;
  BrowserLink& operator=(const BrowserLink&) = delete;

  // One WebSocket message from the browser.
  void Receive(std::span<const std::uint8_t> message, std::uint32_t now);

  // Queues the differences from what the browser has to wire (a WireGrid),
  // unless unsent bytes are waiting past the bound: then the next frame
  // carries them all.
  void Frame(const CellGrid& wire, std::size_t unsentBytes, std::uint32_t now);

  // Time limits and heartbeats; unsentBytes is what the socket still holds.
  void Check(std::size_t unsentBytes, std::uint32_t now);

  // Says goodbye with reason and closes (nothing more is listened to).
  void Close(net::ByeReason reason, const std::string& why);
  // The connection is gone: noted unless the link was closing anyway.
  void Lost(const std::string& why);

  // The messages to send, oldest first, each one WebSocket message.
  std::vector<std::vector<std::uint8_t>> TakeOutgoing();

  State CurrentState() const { return state; }
  bool Joined() const { return state == State::kPlayer || state == State::kSpectator; }
  // Nothing more will be sent but what TakeOutgoing gives: close after it.
  bool Closing() const { return state == State::kClosing; }

 private:
  void Handle(const net::Message& message, std::uint32_t now);
  void Greet(const net::Hello& hello, std::uint32_t now);
  void Refuse(net::RefuseReason reason, const std::string& why);
  void Leave();
  void Queue(std::vector<std::uint8_t> message, std::uint32_t now);

  BrowserRoom& room;
  std::string address;
  LinkTimes times;
  State state = State::kHandshake;
  std::uint32_t openedAt;
  std::uint32_t lastHeard;
  std::uint32_t lastQueued;
  std::uint32_t backedUpSince = 0;
  bool backedUp = false;
  net::MessageReader reader;
  CellGrid shown{};  // what the browser's grid holds
  std::vector<std::vector<std::uint8_t>> outgoing;
};

}  // namespace torvelkan::web
