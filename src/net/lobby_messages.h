// The arena server's messages: the lobby's greeting, requests and answers,
// and the server's own farewell.
//
// They come beside the host's protocol and leave it as it is. A room of the
// arena is reached with the host's own Hello (its code the room's), answered
// with Welcome or Refuse, and played with its frames, keys and heartbeats, so
// a plain --join reaches a room too. A lobby connection opens with LobbyHello
// instead; the server answers LobbyWelcome, then each LobbyRequest with
// RoomReady (the code of the room to go to), RoomList or LobbyRefuse. The
// lobby and the rooms also hear ServerBye, why the server ends a connection
// of its own accord. As ever, texts never travel: reasons are numbers, and
// codes are checked character by character.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace torvelkan::net {

enum class LobbyRequest : std::uint8_t {
  kCreateRoom = 1,  // a room of one's own, its code to give a friend
  kQuickMatch = 2,  // a seat beside whoever is waiting, or a room of one's own
  kListRooms = 3,   // the rooms running, to watch one
};

enum class LobbyRefusal : std::uint8_t {
  kServerFull = 1,    // no room can be opened now
  kTooManyRooms = 2,  // this address has as many rooms open as it may
};

enum class ServerByeReason : std::uint8_t {
  kStopping = 1,    // the server is stopping
  kFull = 2,        // the server holds as many connections as it may
  kIdle = 3,        // the lobby was left idle too long
  kRoomClosed = 4,  // both players have left the room being watched
};

// A room as the lobby lists it: the code that watches it (never the one that
// plays in it) and who is in.
struct RoomEntry {
  std::string watchCode;
  std::uint8_t players = 0;  // 0 to 2
  std::uint8_t spectators = 0;
};

struct RoomList {
  std::uint16_t total = 0;  // rooms running, listed or not
  std::vector<RoomEntry> rooms;
};

// A list names at most this many rooms: all a lobby screen shows.
inline constexpr std::size_t kMaxListedRooms = 10;

void AppendLobbyHello(std::vector<std::uint8_t>& out);
void AppendLobbyWelcome(std::vector<std::uint8_t>& out);
void AppendLobbyRequest(LobbyRequest request, std::vector<std::uint8_t>& out);
void AppendRoomReady(const std::string& code, std::vector<std::uint8_t>& out);
// Names the first kMaxListedRooms rooms only.
void AppendRoomList(const RoomList& list, std::vector<std::uint8_t>& out);
void AppendLobbyRefuse(LobbyRefusal refusal, std::vector<std::uint8_t>& out);
void AppendServerBye(ServerByeReason reason, std::vector<std::uint8_t>& out);

// Each fills its result from a message's payload and returns an empty string,
// or why the payload is malformed. A LobbyHello of another version parses as
// far as its version, so that the server can say which version it speaks.
std::string ParseLobbyHello(std::span<const std::uint8_t> payload, std::uint16_t& version);
std::string ParseLobbyWelcome(std::span<const std::uint8_t> payload);
std::string ParseLobbyRequest(std::span<const std::uint8_t> payload, LobbyRequest& request);
std::string ParseRoomReady(std::span<const std::uint8_t> payload, std::string& code);
std::string ParseRoomList(std::span<const std::uint8_t> payload, RoomList& list);
std::string ParseLobbyRefuse(std::span<const std::uint8_t> payload, LobbyRefusal& refusal);
std::string ParseServerBye(std::span<const std::uint8_t> payload, ServerByeReason& reason);

// The player's own words for what the server said.
std::string LobbyRefusalText(LobbyRefusal refusal);
std::string ServerByeText(ServerByeReason reason);

}  // namespace torvelkan::net
