// One browser's side of the protocol and what the browsers share: who gets
// in, which keys reach the game, what a browser that leaves lets go of, and
// the host's bounds on time and on what is waiting to be sent.
#include "web/browser_link.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "common/keys.h"
#include "net/grid_diff.h"
#include "net/message_stream.h"
#include "support/same_cells.h"
#include "web/browser_room.h"

namespace torvelkan::web {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr char kCode[] = "k7m2q9xp";

Bytes Hello(net::Role role, const std::string& code = kCode,
            std::uint16_t version = net::kProtocolVersion) {
  Bytes bytes;
  net::AppendHello(net::Hello{version, role, code}, bytes);
  return bytes;
}

Bytes Key(std::uint16_t code, bool down) {
  Bytes bytes;
  net::AppendKey(net::KeyEvent{code, down}, bytes);
  return bytes;
}

// What a browser got: each outgoing message's type, and a Refuse's or Bye's reason.
struct Got {
  std::vector<net::MessageType> types;
  int reason = 0;
  CellGrid grid{};
};

void Collect(BrowserLink& link, Got& got) {
  for (const Bytes& message : link.TakeOutgoing()) {
    net::MessageReader reader;
    reader.Feed(message);
    net::Message parsed;
    ASSERT_EQ(reader.Next(parsed), net::MessageReader::Result::kMessage);
    ASSERT_EQ(reader.Held(), 0u) << "one message per WebSocket message";
    const auto type = static_cast<net::MessageType>(parsed.type);
    got.types.push_back(type);
    if (type == net::MessageType::kRefuse || type == net::MessageType::kBye) {
      got.reason = parsed.payload[0];
    }
    if (type == net::MessageType::kFrame) {
      ASSERT_EQ(net::ApplyFrame(parsed.payload, got.grid), "");
    }
  }
}

Got Say(BrowserLink& link, const Bytes& message, std::uint32_t now = 0) {
  link.Receive(message, now);
  Got got;
  Collect(link, got);
  return got;
}

TEST(BrowserLink, OnePlayerAFewSpectatorsAndTheRightCodeGetIn) {
  BrowserRoom room(kCode);
  LinkTimes times;
  BrowserLink player(room, "127.0.0.1", times, 0);
  EXPECT_EQ(Say(player, Hello(net::Role::kGuest)).types, std::vector{net::MessageType::kWelcome});
  EXPECT_EQ(player.CurrentState(), BrowserLink::State::kPlayer);

  BrowserLink second(room, "127.0.0.1", times, 0);
  const Got taken = Say(second, Hello(net::Role::kGuest));
  EXPECT_EQ(taken.types, std::vector{net::MessageType::kRefuse});
  EXPECT_EQ(taken.reason, static_cast<int>(net::RefuseReason::kGuestTaken));
  EXPECT_TRUE(second.Closing());

  std::vector<std::unique_ptr<BrowserLink>> watchers;
  for (std::size_t i = 0; i <= BrowserRoom::kMaxSpectators; ++i) {
    watchers.push_back(std::make_unique<BrowserLink>(room, "127.0.0.1", times, 0));
    const Got got = Say(*watchers.back(), Hello(net::Role::kSpectator));
    if (i < BrowserRoom::kMaxSpectators) {
      EXPECT_EQ(got.types, std::vector{net::MessageType::kWelcome}) << i;
    } else {
      EXPECT_EQ(got.reason, static_cast<int>(net::RefuseReason::kFull));
    }
  }
  watchers.front().reset();  // a place comes free
  BrowserLink late(room, "127.0.0.1", times, 0);
  EXPECT_EQ(Say(late, Hello(net::Role::kSpectator)).types, std::vector{net::MessageType::kWelcome});

  // Another version is told which one this game speaks; wrong codes from one
  // address soon have to wait, and then even the right one does.
  BrowserLink old(room, "10.0.0.2", times, 0);
  EXPECT_EQ(Say(old, Hello(net::Role::kGuest, kCode, 2)).reason,
            static_cast<int>(net::RefuseReason::kVersion));
  std::vector<int> reasons;
  for (const char* code : {"aaaaaaaa", "bbbbbbbb", kCode}) {
    BrowserLink guess(room, "10.0.0.3", times, 100);
    reasons.push_back(Say(guess, Hello(net::Role::kSpectator, code), 100).reason);
  }
  EXPECT_EQ(reasons, (std::vector<int>{2, 2, 3}));
}

TEST(BrowserLink, ThePlayersKeysReachTheGameAndAreLetGoWhenThePlayerGoes) {
  BrowserRoom room(kCode);
  auto player = std::make_unique<BrowserLink>(room, "127.0.0.1", LinkTimes{}, 0);
  Say(*player, Hello(net::Role::kGuest));
  for (const std::uint16_t code : {vk::kLeft, vk::kD, vk::kEscape, vk::kEnter, vk::kSpace}) {
    EXPECT_TRUE(Say(*player, Key(code, true)).types.empty()) << code;
  }
  Say(*player, Key(vk::kEscape, false));
  const std::vector<net::KeyEvent> keys = room.TakeKeys();
  ASSERT_EQ(keys.size(), 6u);
  EXPECT_EQ(keys[0].code, vk::kLeft);
  EXPECT_TRUE(keys[0].down);
  EXPECT_EQ(keys[5].code, vk::kEscape);
  EXPECT_FALSE(keys[5].down);

  // The tab closed with Left, D, Enter and Space still down: all let go, and
  // the seat is free for the page opened again.
  player->Lost("connection closed");
  const std::vector<net::KeyEvent> released = room.TakeKeys();
  EXPECT_EQ(released.size(), 4u);
  for (const net::KeyEvent& key : released) {
    EXPECT_FALSE(key.down) << key.code;
  }
  player.reset();
  {
    BrowserLink again(room, "127.0.0.1", LinkTimes{}, 0);
    EXPECT_EQ(Say(again, Hello(net::Role::kGuest)).types, std::vector{net::MessageType::kWelcome});
  }

  // Any other key, a spectator's key, a key before the greeting, a message
  // that is not exactly one and a text of the wrong shape close the link.
  const auto closes = [&room](net::Role role, const Bytes& message) {
    BrowserLink link(room, "127.0.0.2", LinkTimes{}, 0);
    if (role == net::Role::kSpectator) {
      Say(link, Hello(role));
    }
    const Got got = Say(link, message);
    return link.Closing() && got.types == std::vector{net::MessageType::kBye} &&
           got.reason == static_cast<int>(net::ByeReason::kProtocol);
  };
  Bytes twoKeys = Key(vk::kLeft, true);
  const Bytes up = Key(vk::kLeft, false);
  twoKeys.insert(twoKeys.end(), up.begin(), up.end());
  Bytes cut = Key(vk::kLeft, true);
  cut.pop_back();
  const net::Role guest = net::Role::kGuest;
  EXPECT_TRUE(closes(guest, Key(vk::kLeft, true)));  // no greeting first
  EXPECT_TRUE(closes(net::Role::kSpectator, Key(vk::kLeft, true)));
  EXPECT_TRUE(closes(net::Role::kSpectator, twoKeys));
  EXPECT_TRUE(closes(net::Role::kSpectator, cut));
  EXPECT_TRUE(closes(net::Role::kSpectator, Bytes{}));
  EXPECT_TRUE(closes(guest, Bytes{0, 3, 1, 'T', 'V'}));
  BrowserLink typing(room, "127.0.0.1", LinkTimes{}, 0);
  Say(typing, Hello(guest));
  const Got got = Say(typing, Key('Q', true));
  EXPECT_EQ(got.reason, static_cast<int>(net::ByeReason::kProtocol));
  EXPECT_TRUE(room.TakeKeys().empty());
}

TEST(BrowserLink, FramesHeartbeatsAndTimeLimits) {
  BrowserRoom room(kCode);
  const LinkTimes times;
  // No greeting within the handshake's time.
  BrowserLink silent(room, "127.0.0.1", times, 0);
  silent.Check(0, times.handshakeMs);
  EXPECT_FALSE(silent.Closing());
  silent.Check(0, times.handshakeMs + 1);
  EXPECT_TRUE(silent.Closing());

  BrowserLink link(room, "127.0.0.1", times, 0);
  Got got = Say(link, Hello(net::Role::kSpectator));
  CellGrid one{};
  one[0].Char.UnicodeChar = 'A';
  one[0].Attributes = 0x1F;
  CellGrid two = one;
  two[3999].Char.UnicodeChar = 'Z';
  two[3999].Attributes = 0xC0;
  // The first frame is the whole grid; a grid unchanged sends nothing.
  link.Frame(one, 0, 10);
  link.Frame(one, 0, 20);
  Collect(link, got);
  EXPECT_EQ(got.types.size(), 2u);
  EXPECT_TRUE(testing::SameCells(one, got.grid));
  // Behind the bound, frames are skipped; the next one carries everything.
  link.Frame(two, times.frameSkipBytes + 1, 30);
  link.Frame(one, times.frameSkipBytes + 1, 40);
  link.Frame(two, 0, 50);
  Collect(link, got);
  EXPECT_EQ(got.types.size(), 3u);
  EXPECT_TRUE(testing::SameCells(two, got.grid));

  // A heartbeat once nothing went for a while; one heard keeps the link.
  link.Check(0, 50 + times.heartbeatMs - 1);
  link.Check(0, 50 + times.heartbeatMs);
  Collect(link, got);
  EXPECT_EQ(got.types.back(), net::MessageType::kHeartbeat);
  EXPECT_EQ(got.types.size(), 4u);
  Bytes heartbeat;
  net::AppendHeartbeat(heartbeat);
  Say(link, heartbeat, 2000);
  link.Check(0, 2000 + times.silenceMs);
  EXPECT_FALSE(link.Closing());
  link.Check(0, 2000 + times.silenceMs + 1);
  EXPECT_TRUE(link.Closing());
  Collect(link, got);
  EXPECT_EQ(got.types.back(), net::MessageType::kBye);
  EXPECT_EQ(got.reason, static_cast<int>(net::ByeReason::kTimeout));

  // A browser that stays behind past the stall time is told why and closed.
  BrowserLink slow(room, "127.0.0.1", times, 0);
  Say(slow, Hello(net::Role::kSpectator));
  Say(slow, heartbeat, 100);
  slow.Check(times.frameSkipBytes + 1, 100);
  Say(slow, heartbeat, 100 + times.stallMs);  // it still talks, but does not read
  slow.Check(times.frameSkipBytes + 1, 100 + times.stallMs);
  EXPECT_FALSE(slow.Closing());
  slow.Check(times.frameSkipBytes + 1, 100 + times.stallMs + 1);
  got = Got{};
  Collect(slow, got);
  EXPECT_EQ(got.reason, static_cast<int>(net::ByeReason::kTooSlow));
}

}  // namespace
}  // namespace torvelkan::web
