// The arena server's messages and their validated parsing.
#include "net/lobby_messages.h"

#include <algorithm>

#include "net/message_stream.h"
#include "net/messages.h"

namespace torvelkan::net {

namespace {

constexpr std::uint8_t kMostPlayers = 2;

// Writes one message: the type, then whatever fill appends.
template <typename Fill>
void AppendMessage(MessageType type, std::vector<std::uint8_t>& out, const Fill& fill) {
  std::size_t start = 0;
  BeginMessage(static_cast<std::uint8_t>(type), out, start);
  fill();
  EndMessage(out, start);  // every message here is far below the bound
}

void Append16(std::uint16_t value, std::vector<std::uint8_t>& out) {
  out.push_back(static_cast<std::uint8_t>(value >> 8));
  out.push_back(static_cast<std::uint8_t>(value & 0xFFu));
}

std::uint16_t Read16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>((bytes[at] << 8) | bytes[at + 1]);
}

void AppendCode(const std::string& code, std::vector<std::uint8_t>& out) {
  const std::size_t length = std::min(code.size(), kMaxCodeLength);
  out.push_back(static_cast<std::uint8_t>(length));
  out.insert(out.end(), code.begin(), code.begin() + static_cast<std::ptrdiff_t>(length));
}

// Reads a code at `at` and moves past it; why not, if it is malformed.
std::string ReadCode(std::span<const std::uint8_t> payload, std::size_t& at, std::string& code) {
  if (at >= payload.size()) {
    return "a room code cut short";
  }
  const std::size_t length = payload[at];
  if (length == 0 || length > kMaxCodeLength || payload.size() - at - 1 < length) {
    return "a room code of the wrong length";
  }
  code.clear();
  for (std::size_t i = 0; i < length; ++i) {
    const char c = static_cast<char>(payload[at + 1 + i]);
    if (!IsCodeCharacter(c)) {
      return "a room code with a character no code has";
    }
    code.push_back(c);
  }
  at += 1 + length;
  return {};
}

std::string OneByte(std::span<const std::uint8_t> payload, std::uint8_t most, const char* what,
                    std::uint8_t& value) {
  if (payload.size() != 1) {
    return std::string("a ") + what + " of the wrong length";
  }
  if (payload[0] < 1 || payload[0] > most) {
    return std::string("a ") + what + " of an unknown kind";
  }
  value = payload[0];
  return {};
}

}  // namespace

void AppendLobbyHello(std::vector<std::uint8_t>& out) {
  AppendMessage(MessageType::kLobbyHello, out, [&] {
    out.insert(out.end(), kMagic.begin(), kMagic.end());
    Append16(kProtocolVersion, out);
  });
}

void AppendLobbyWelcome(std::vector<std::uint8_t>& out) {
  AppendMessage(MessageType::kLobbyWelcome, out, [&] { Append16(kProtocolVersion, out); });
}

void AppendLobbyRequest(LobbyRequest request, std::vector<std::uint8_t>& out) {
  AppendMessage(MessageType::kLobbyRequest, out,
                [&] { out.push_back(static_cast<std::uint8_t>(request)); });
}

void AppendRoomReady(const std::string& code, std::vector<std::uint8_t>& out) {
  AppendMessage(MessageType::kRoomReady, out, [&] { AppendCode(code, out); });
}

void AppendRoomList(const RoomList& list, std::vector<std::uint8_t>& out) {
  AppendMessage(MessageType::kRoomList, out, [&] {
    Append16(list.total, out);
    const std::size_t count = std::min(list.rooms.size(), kMaxListedRooms);
    out.push_back(static_cast<std::uint8_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
      AppendCode(list.rooms[i].watchCode, out);
      out.push_back(std::min(list.rooms[i].players, kMostPlayers));
      out.push_back(list.rooms[i].spectators);
    }
  });
}

void AppendLobbyRefuse(LobbyRefusal refusal, std::vector<std::uint8_t>& out) {
  AppendMessage(MessageType::kLobbyRefuse, out,
                [&] { out.push_back(static_cast<std::uint8_t>(refusal)); });
}

void AppendServerBye(ServerByeReason reason, std::vector<std::uint8_t>& out) {
  AppendMessage(MessageType::kServerBye, out,
                [&] { out.push_back(static_cast<std::uint8_t>(reason)); });
}

std::string ParseLobbyHello(std::span<const std::uint8_t> payload, std::uint16_t& version) {
  if (payload.size() < kMagic.size() + 2 ||
      !std::equal(kMagic.begin(), kMagic.end(), payload.begin())) {
    return "not a Torvelkan greeting";
  }
  version = Read16(payload, kMagic.size());
  if (version == kProtocolVersion && payload.size() != kMagic.size() + 2) {
    return "a lobby greeting of the wrong length";
  }
  return {};
}

std::string ParseLobbyWelcome(std::span<const std::uint8_t> payload) {
  if (payload.size() != 2) {
    return "a lobby welcome of the wrong length";
  }
  return Read16(payload, 0) == kProtocolVersion ? std::string()
                                                : "a lobby welcome of another protocol version";
}

std::string ParseLobbyRequest(std::span<const std::uint8_t> payload, LobbyRequest& request) {
  std::uint8_t value = 0;
  std::string fault =
      OneByte(payload, static_cast<std::uint8_t>(LobbyRequest::kListRooms), "lobby request", value);
  if (fault.empty()) {
    request = static_cast<LobbyRequest>(value);
  }
  return fault;
}

std::string ParseRoomReady(std::span<const std::uint8_t> payload, std::string& code) {
  std::size_t at = 0;
  std::string read;
  if (std::string fault = ReadCode(payload, at, read); !fault.empty()) {
    return fault;
  }
  if (at != payload.size()) {
    return "a room's code with bytes after it";
  }
  code = std::move(read);
  return {};
}

std::string ParseRoomList(std::span<const std::uint8_t> payload, RoomList& list) {
  if (payload.size() < 3) {
    return "a room list cut short";
  }
  RoomList read;
  read.total = Read16(payload, 0);
  const std::size_t count = payload[2];
  if (count > kMaxListedRooms || count > read.total) {
    return "a room list naming more rooms than it may";
  }
  std::size_t at = 3;
  for (std::size_t i = 0; i < count; ++i) {
    RoomEntry entry;
    if (std::string fault = ReadCode(payload, at, entry.watchCode); !fault.empty()) {
      return fault;
    }
    if (payload.size() - at < 2) {
      return "a room list cut short";
    }
    entry.players = payload[at];
    entry.spectators = payload[at + 1];
    if (entry.players > kMostPlayers) {
      return "a room with more than two players";
    }
    at += 2;
    read.rooms.push_back(std::move(entry));
  }
  if (at != payload.size()) {
    return "a room list with bytes after it";
  }
  list = std::move(read);
  return {};
}

std::string ParseLobbyRefuse(std::span<const std::uint8_t> payload, LobbyRefusal& refusal) {
  std::uint8_t value = 0;
  std::string fault = OneByte(payload, static_cast<std::uint8_t>(LobbyRefusal::kTooManyRooms),
                              "lobby refusal", value);
  if (fault.empty()) {
    refusal = static_cast<LobbyRefusal>(value);
  }
  return fault;
}

std::string ParseServerBye(std::span<const std::uint8_t> payload, ServerByeReason& reason) {
  std::uint8_t value = 0;
  std::string fault = OneByte(payload, static_cast<std::uint8_t>(ServerByeReason::kRoomClosed),
                              "server farewell", value);
  if (fault.empty()) {
    reason = static_cast<ServerByeReason>(value);
  }
  return fault;
}

std::string LobbyRefusalText(LobbyRefusal refusal) {
  switch (refusal) {
    case LobbyRefusal::kServerFull: return "the server has no room left: try again later";
    case LobbyRefusal::kTooManyRooms:
      return "this address has as many rooms open as it may: close one first";
  }
  return "the server refused";
}

std::string ServerByeText(ServerByeReason reason) {
  switch (reason) {
    case ServerByeReason::kStopping: return "the server is stopping";
    case ServerByeReason::kFull: return "the server is full: try again later";
    case ServerByeReason::kIdle: return "the lobby was idle too long";
    case ServerByeReason::kRoomClosed: return "the room has closed: both players left";
  }
  return "the server ended the connection";
}

}  // namespace torvelkan::net
