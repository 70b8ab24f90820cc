// The messages of the game's network protocol and their validated parsing.
//
// A client opens with Hello (the magic, the protocol version, the role it asks
// for and the join code); the host answers Welcome or Refuse. From then on the
// host sends frames (grid differences) and the guest sends key events; both
// send heartbeats while they have nothing else to say, and Bye on the way out.
// Texts never travel: reasons are numbers each side words for itself, so no
// byte from the network is ever shown as it came.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace torvelkan::net {

// Version 1 is what every side speaks. Version 2 is version 1 with one more
// message from the server, TextRows: a client greets with 2 when it shows
// rows of text at full height, and a server that welcomes it with 2 sends
// them. A client of version 1 would take that message for a fault, so it
// never gets one: a server welcomes it with 1 as ever (the browser's page
// speaks 1). A server that knows only 1 refuses 2, naming 1, and the client
// greets it again with 1.
inline constexpr std::uint16_t kProtocolVersion = 1;
inline constexpr std::uint16_t kTextRowsVersion = 2;
inline constexpr std::array<std::uint8_t, 4> kMagic = {'T', 'V', 'K', 'N'};
inline constexpr std::size_t kMaxCodeLength = 16;

enum class MessageType : std::uint8_t {
  kHello = 1,
  kWelcome = 2,
  kRefuse = 3,
  kFrame = 4,
  kKey = 5,
  kHeartbeat = 6,
  kBye = 7,
  // The arena server's own (net/lobby_messages.h); a host takes them as out
  // of place.
  kLobbyHello = 8,
  kLobbyWelcome = 9,
  kLobbyRequest = 10,
  kRoomReady = 11,
  kRoomList = 12,
  kLobbyRefuse = 13,
  kServerBye = 14,
  // Version 2's: the first grid row of text from the frame that follows on.
  kTextRows = 15,
};

enum class Role : std::uint8_t { kGuest = 1, kSpectator = 2 };

enum class RefuseReason : std::uint8_t {
  kVersion = 1,       // the protocol versions differ
  kWrongCode = 2,     // the join code is not the host's
  kTooManyTries = 3,  // too many wrong codes (from this address, or in all): wait
  kGuestTaken = 4,    // a guest is already playing
  kFull = 5,          // every spectator place is taken
};

enum class ByeReason : std::uint8_t {
  kLeft = 1,      // the player chose to leave (Esc)
  kGameOver = 2,  // the host's game has ended
  kTimeout = 3,   // the other side fell silent
  kProtocol = 4,  // the other side sent something malformed
  kTooSlow = 5,   // the other side stopped reading
};

struct Hello {
  std::uint16_t version = kProtocolVersion;
  Role role = Role::kGuest;
  std::string code;
};

struct Refuse {
  RefuseReason reason = RefuseReason::kWrongCode;
  std::uint16_t hostVersion = kProtocolVersion;
};

struct KeyEvent {
  std::uint16_t code = 0;
  bool down = false;
};

// Whether a server of this game welcomes a client greeting with version.
bool Welcomed(std::uint16_t version);
// The keys a guest may send: the fighters' keys, the arrows and W, A, S, D.
bool IsGuestKey(std::uint16_t code);
// A join code's characters: digits and lower-case letters.
bool IsCodeCharacter(char c);

// Each appends one whole message to out.
void AppendHello(const Hello& hello, std::vector<std::uint8_t>& out);
// A welcome names the version the connection speaks from then on: the one
// the client greeted with.
void AppendWelcome(Role role, std::vector<std::uint8_t>& out,
                   std::uint16_t version = kProtocolVersion);
void AppendRefuse(const Refuse& refuse, std::vector<std::uint8_t>& out);
void AppendKey(const KeyEvent& key, std::vector<std::uint8_t>& out);
void AppendHeartbeat(std::vector<std::uint8_t>& out);
void AppendBye(ByeReason reason, std::vector<std::uint8_t>& out);
// The frames from now on hold lines of text from grid row firstRow down (the
// grid's row count: none), which a console too short for the grid shows at
// full height rather than halved.
void AppendTextRows(int firstRow, std::vector<std::uint8_t>& out);

// Each fills its result from a message's payload and returns an empty string,
// or returns why the payload is malformed. A Hello of another version parses
// as far as its version, so that the host can say which version it speaks.
std::string ParseHello(std::span<const std::uint8_t> payload, Hello& hello);
// A welcome to a greeting of version 1.
std::string ParseWelcome(std::span<const std::uint8_t> payload, Role& role);
// A welcome of either version this game speaks, and which.
std::string ParseWelcome(std::span<const std::uint8_t> payload, Role& role, std::uint16_t& version);
std::string ParseRefuse(std::span<const std::uint8_t> payload, Refuse& refuse);
std::string ParseKey(std::span<const std::uint8_t> payload, KeyEvent& key);
// The same for a sender who plays with the keys `allowed` says (a browser
// that is the game's own keyboard).
std::string ParseKey(std::span<const std::uint8_t> payload, KeyEvent& key,
                     bool (*allowed)(std::uint16_t));
std::string ParseBye(std::span<const std::uint8_t> payload, ByeReason& reason);
std::string ParseEmpty(std::span<const std::uint8_t> payload);
// One byte, a row of the grid or the grid's row count.
std::string ParseTextRows(std::span<const std::uint8_t> payload, int& firstRow);

// The player's own words for what the other side said.
std::string RefuseText(const Refuse& refuse);
std::string ByeText(ByeReason reason, bool fromHost);

}  // namespace torvelkan::net
