// The arena's messages on their own: every payload validated to the byte, and
// what goes out comes back the same.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "net/lobby_messages.h"
#include "net/message_stream.h"
#include "net/messages.h"

namespace torvelkan::net {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The payload of the one message in bytes.
Bytes Payload(const Bytes& bytes) {
  MessageReader reader;
  reader.Feed(bytes);
  Message message;
  EXPECT_EQ(reader.Next(message), MessageReader::Result::kMessage);
  return Bytes(message.payload.begin(), message.payload.end());
}

TEST(LobbyMessages, EveryPayloadIsValidatedToTheByte) {
  using P = std::string (*)(std::span<const std::uint8_t>);
  const P hello = [](std::span<const std::uint8_t> p) {
    std::uint16_t version = 0;
    return ParseLobbyHello(p, version);
  };
  const P welcome = [](std::span<const std::uint8_t> p) { return ParseLobbyWelcome(p); };
  const P request = [](std::span<const std::uint8_t> p) {
    LobbyRequest r{};
    return ParseLobbyRequest(p, r);
  };
  const P ready = [](std::span<const std::uint8_t> p) {
    std::string code;
    return ParseRoomReady(p, code);
  };
  const P list = [](std::span<const std::uint8_t> p) {
    RoomList l;
    return ParseRoomList(p, l);
  };
  const P refuse = [](std::span<const std::uint8_t> p) {
    LobbyRefusal r{};
    return ParseLobbyRefuse(p, r);
  };
  const P bye = [](std::span<const std::uint8_t> p) {
    ServerByeReason r{};
    return ParseServerBye(p, r);
  };
  const struct {
    P parse;
    Bytes payload;
    bool valid;
  } cases[] = {
      {hello, {'T', 'V', 'K', 'N', 0, 1}, true},
      {hello, {'T', 'V', 'K', 'N', 0, 7, 9, 9}, true},  // another version: read as far as that
      {hello, {'T', 'V', 'K', 'N', 0, 1, 0}, false},    // bytes after it
      {hello, {'T', 'V', 'K', 'X', 0, 1}, false},
      {welcome, {0, 1}, true},
      {welcome, {0, 2}, false},
      {welcome, {0, 1, 0}, false},
      {request, {1}, true},
      {request, {3}, true},
      {request, {0}, false},
      {request, {4}, false},
      {request, {1, 1}, false},
      {ready, {8, 'k', '7', 'm', '2', 'q', '9', 'x', 'p'}, true},
      {ready, {0}, false},             // no code
      {ready, {3, 'a', 'b'}, false},   // cut short
      {ready, {1, 'a', 'b'}, false},   // bytes after it
      {ready, {2, 'a', 0x1B}, false},  // never control bytes
      {ready, {2, 'a', 'B'}, false},   // never upper case
      {ready, Bytes(18, 'a'), false},  // longer than any code (17 after its length)
      {list, {0, 0, 0}, true},         // no room
      {list, {0, 5, 1, 2, 'a', 'b', 2, 7}, true},
      {list, {0, 0, 1, 2, 'a', 'b', 2, 7}, false},  // more named than there are
      {list, {0, 5, 1, 2, 'a', 'b', 3, 7}, false},  // three players
      {list, {0, 5, 1, 2, 'a', 'b', 2}, false},     // cut short
      {list, {0, 5, 1, 2, 'a', 'b', 2, 7, 0}, false},
      {list, {0, 50, 11}, false},  // more than a list names
      {list, {0, 5}, false},
      {refuse, {1}, true},
      {refuse, {2}, true},
      {refuse, {3}, false},
      {bye, {1}, true},
      {bye, {4}, true},
      {bye, {0}, false},
      {bye, {5}, false},
      {bye, {}, false},
  };
  int row = 0;
  for (const auto& c : cases) {
    const std::string fault = c.parse(c.payload);
    EXPECT_EQ(fault.empty(), c.valid) << "row " << row << ": " << fault;
    ++row;
  }
}

TEST(LobbyMessages, WhatGoesOutComesBackTheSame) {
  RoomList list;
  list.total = 12;
  for (int i = 0; i < 12; ++i) {
    list.rooms.push_back(RoomEntry{std::string(8, static_cast<char>('a' + i)),
                                   static_cast<std::uint8_t>(i % 3),
                                   static_cast<std::uint8_t>(i * 20)});
  }
  Bytes bytes;
  AppendRoomList(list, bytes);
  RoomList back;
  ASSERT_EQ(ParseRoomList(Payload(bytes), back), "");
  EXPECT_EQ(back.total, 12);
  ASSERT_EQ(back.rooms.size(), kMaxListedRooms) << "a list names no more than a screen shows";
  EXPECT_EQ(back.rooms[9].watchCode, "jjjjjjjj");
  EXPECT_EQ(back.rooms[9].players, 0);
  EXPECT_EQ(back.rooms[9].spectators, 180);

  Bytes ready;
  AppendRoomReady("k7m2q9xp", ready);
  std::string code;
  ASSERT_EQ(ParseRoomReady(Payload(ready), code), "");
  EXPECT_EQ(code, "k7m2q9xp");

  Bytes greeting;
  AppendLobbyHello(greeting);
  std::uint16_t version = 0;
  ASSERT_EQ(ParseLobbyHello(Payload(greeting), version), "");
  EXPECT_EQ(version, kProtocolVersion);
}

}  // namespace
}  // namespace torvelkan::net
