// The client's side of the lobby's connection: the greeting, the requests,
// and the server's answers, with heartbeats both ways.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "net/lobby_messages.h"
#include "net/message_stream.h"
#include "net/messages.h"
#include "net/socket.h"

namespace torvelkan::online {

// Connects within connectMs and greets the lobby; on failure none, and what
// to tell the player in error.
net::Socket ConnectToLobby(const std::string& host, std::uint16_t port, std::uint32_t connectMs,
                           std::string& error);

// Connects within connectMs and greets a room by its code, as a player
// (net::Role::kGuest) or a spectator; on failure none, and what to tell the
// player in error.
net::Socket ConnectToRoom(const std::string& host, std::uint16_t port, std::uint32_t connectMs,
                          const std::string& code, net::Role role, std::string& error);

// A guest session's closing words as the arena's player reads them: the
// other end is a server, not a host.
std::string ServerWords(const std::string& text);

// What the server said, in our own words.
struct LobbyAnswer {
  enum class Kind { kRoomReady, kRooms, kRefused, kEnded };
  Kind kind = Kind::kEnded;
  std::string code;  // kRoomReady: the room to play in
  net::RoomList rooms;
  std::string text;       // kRefused, kEnded
  bool stopping = false;  // kEnded: the server is stopping
};

class LobbyConnection {
 public:
  static constexpr std::uint32_t kSilenceMs = 3000;  // a server heard from no longer is gone
  static constexpr std::uint32_t kHeartbeatMs = 500;

  LobbyConnection(net::Socket given, std::uint32_t now);

  net::SocketHandle Handle() const { return socket.Get(); }
  bool WantsToWrite() const { return outputSent < output.size(); }

  void Ask(net::LobbyRequest request, std::uint32_t now);
  // Reads what has come (when the socket is readable), sends heartbeats and
  // what waits to go. Answers are kept in order; after kEnded nothing more.
  void Service(bool readable, std::uint32_t now);
  bool HasAnswer() const { return !answers.empty(); }
  LobbyAnswer TakeAnswer();

  // Says goodbye as far as the socket takes it at once, and closes.
  void Leave();

 private:
  void Handle(const net::Message& message);
  void End(const std::string& text, bool stopping = false);
  void Flush();

  net::Socket socket;
  net::MessageReader reader;
  std::vector<std::uint8_t> output;
  std::size_t outputSent = 0;
  std::uint32_t lastHeard;
  std::uint32_t lastQueued;
  std::deque<LobbyAnswer> answers;
  bool ended = false;
};

}  // namespace torvelkan::online
