// Fuzzes what comes off a network socket: the message stream, every message's
// parser (the host's and the arena's) and the frame decoder.
//
// The input's first byte gives the size of the pieces the stream arrives in
// (1 to 256 bytes); the rest is the stream. Whatever it holds, the reader
// never holds more than one message, every parsed value is one the game
// accepts, and a frame either applies whole or leaves the grid untouched.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <vector>

#include "net/grid_diff.h"
#include "net/lobby_messages.h"
#include "net/message_stream.h"
#include "net/messages.h"

namespace torvelkan::net {
namespace {

void Require(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "net messages: %s\n", what);
    std::abort();
  }
}

bool Same(const CellGrid& a, const CellGrid& b) {
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (CellChar(a[i]) != CellChar(b[i]) || CellAttribute(a[i]) != CellAttribute(b[i])) {
      return false;
    }
  }
  return true;
}

void RequireCode(const std::string& code) {
  Require(!code.empty() && code.size() <= kMaxCodeLength, "a room code of no length");
  for (const char c : code) {
    Require(IsCodeCharacter(c), "a room code character no code has");
  }
}

// The arena's messages: every value parsed is one the lobby knows, and what
// parses goes out again as the same bytes.
void CheckLobby(const Message& message) {
  std::uint16_t version = 0;
  (void)ParseLobbyHello(message.payload, version);
  (void)ParseLobbyWelcome(message.payload);
  LobbyRequest request{};
  if (ParseLobbyRequest(message.payload, request).empty()) {
    Require(request >= LobbyRequest::kCreateRoom && request <= LobbyRequest::kListRooms,
            "a request no lobby makes");
  }
  std::string code;
  if (ParseRoomReady(message.payload, code).empty()) {
    RequireCode(code);
  }
  RoomList list;
  if (ParseRoomList(message.payload, list).empty()) {
    Require(list.rooms.size() <= kMaxListedRooms && list.rooms.size() <= list.total,
            "a list past its bound");
    for (const RoomEntry& room : list.rooms) {
      RequireCode(room.watchCode);
      Require(room.players <= 2, "a room with three players");
    }
    std::vector<std::uint8_t> again;
    AppendRoomList(list, again);
    Require(again.size() == message.payload.size() + 3 &&
                std::equal(message.payload.begin(), message.payload.end(), again.begin() + 3),
            "a list that does not go out as it came");
  }
  LobbyRefusal refusal{};
  if (ParseLobbyRefuse(message.payload, refusal).empty()) {
    Require(!LobbyRefusalText(refusal).empty(), "a refusal without words");
  }
  ServerByeReason reason{};
  if (ParseServerBye(message.payload, reason).empty()) {
    Require(!ServerByeText(reason).empty(), "a farewell without words");
  }
}

void Check(const Message& message, CellGrid& grid) {
  Require(message.payload.size() < kMaxMessageBytes, "a message past the bound");
  Hello hello;
  if (ParseHello(message.payload, hello).empty() && Welcomed(hello.version)) {
    Require(!hello.code.empty() && hello.code.size() <= kMaxCodeLength, "a code of no length");
    for (const char c : hello.code) {
      Require(IsCodeCharacter(c), "a code character no code has");
    }
  }
  KeyEvent key;
  if (ParseKey(message.payload, key).empty()) {
    Require(IsGuestKey(key.code), "a key the guest has not");
  }
  ByeReason bye{};
  if (ParseBye(message.payload, bye).empty()) {
    Require(!ByeText(bye, true).empty(), "a farewell without words");
  }
  Refuse refuse;
  if (ParseRefuse(message.payload, refuse).empty()) {
    Require(!RefuseText(refuse).empty(), "a refusal without words");
  }
  Role role{};
  (void)ParseWelcome(message.payload, role);
  std::uint16_t version = 0;
  if (ParseWelcome(message.payload, role, version).empty()) {
    Require(Welcomed(version), "a welcome of a version this game does not speak");
  }
  // The mark of text rows: a row of the grid or none, going out as it came.
  int textFrom = -1;
  if (ParseTextRows(message.payload, textFrom).empty()) {
    Require(textFrom >= 0 && textFrom <= kRows, "text rows off the grid");
    std::vector<std::uint8_t> again;
    AppendTextRows(textFrom, again);
    Require(again.size() == 4 && again[3] == message.payload[0], "a mark that goes out otherwise");
  }
  CheckLobby(message);
  const CellGrid before = grid;
  if (!ApplyFrame(message.payload, grid).empty()) {
    Require(Same(before, grid), "a bad frame changed the grid");
  } else {
    for (const Cell& cell : grid) {
      Require(
          CellAttribute(cell) <= 0xFF && static_cast<std::uint16_t>(cell.Char.UnicodeChar) <= 0xFF,
          "a cell the grid does not hold");
    }
    // What came in goes out again as a frame that rebuilds it.
    std::vector<std::uint8_t> again;
    AppendFrame(before, grid, again);
    Require(again.size() <= 2 + kMaxMessageBytes, "a frame past the bound");
    CellGrid rebuilt = before;
    if (!again.empty()) {
      Require(ApplyFrame(std::span<const std::uint8_t>(again).subspan(3), rebuilt).empty(),
              "our own frame does not decode");
    }
    Require(Same(rebuilt, grid), "our own frame rebuilds another grid");
  }
}

}  // namespace
}  // namespace torvelkan::net

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace torvelkan::net;
  if (size == 0) {
    return 0;
  }
  const std::size_t piece = static_cast<std::size_t>(data[0]) + 1;
  const std::span<const std::uint8_t> stream(data + 1, size - 1);
  MessageReader reader;
  torvelkan::CellGrid grid{};
  for (std::size_t at = 0; at < stream.size(); at += piece) {
    reader.Feed(stream.subspan(at, std::min(piece, stream.size() - at)));
    Message message;
    for (auto result = reader.Next(message); result == MessageReader::Result::kMessage;
         result = reader.Next(message)) {
      Check(message, grid);
    }
    Require(reader.Held() <= 2 + kMaxMessageBytes + piece, "the reader holds too much");
  }
  return 0;
}
