// The arena's lobby without sockets: opening rooms within the limits, quick
// matches, the list, and greetings let into rooms by their codes.
#include <gtest/gtest.h>

#include <string>

#include "arena/lobby.h"

namespace torvelkan::arena {
namespace {

using net::RefuseReason;

// Codes a test can tell apart: aaaaaaaa, bbbbbbbb, ...
Lobby::CodeSource Letters() {
  return [n = 0]() mutable { return std::string(8, static_cast<char>('a' + n++ % 26)); };
}

net::Hello Greeting(net::Role role, const std::string& code) {
  return net::Hello{net::kProtocolVersion, role, code};
}

TEST(Lobby, OpensRoomsWithinTheLimitsPerAddressAndInAll) {
  ArenaSettings settings;
  settings.maxRooms = 4;
  settings.maxRoomsPerAddress = 2;
  Lobby lobby(settings, Letters());
  net::LobbyRefusal refusal{};
  const struct {
    const char* address;
    bool opens;
    net::LobbyRefusal refusal;
  } steps[] = {
      {"192.0.2.1", true, {}},
      {"192.0.2.1", true, {}},
      {"192.0.2.1", false, net::LobbyRefusal::kTooManyRooms},
      {"127.0.0.1", true, {}},  // the ssh front door's players come from here
      {"127.0.0.1", true, {}},
      {"127.0.0.1", false, net::LobbyRefusal::kServerFull},
      {"192.0.2.2", false, net::LobbyRefusal::kServerFull},
  };
  int row = 0;
  for (const auto& step : steps) {
    Room* room = lobby.Open(step.address, false, 0, refusal);
    EXPECT_EQ(room != nullptr, step.opens) << "row " << row;
    if (!step.opens) {
      EXPECT_EQ(refusal, step.refusal) << "row " << row;
    }
    ++row;
  }
  // Play and watch codes are fresh and never the same.
  EXPECT_EQ(lobby.Rooms()[0]->Code(), "aaaaaaaa");
  EXPECT_EQ(lobby.Rooms()[0]->WatchCode(), "bbbbbbbb");
  EXPECT_EQ(lobby.Rooms()[1]->Code(), "cccccccc");
  // A room no one entered closes after its wait, making room for another.
  lobby.RemoveEnded(settings.roomWaitMs + 1, [](Room&) {});
  EXPECT_TRUE(lobby.Rooms().empty());
  EXPECT_NE(lobby.Open("192.0.2.1", false, 0, refusal), nullptr);
}

TEST(Lobby, AQuickMatchPairsEachPlayerWithTheNextAndPrefersOneWhoWaits) {
  ArenaSettings settings;
  Lobby lobby(settings, Letters());
  net::LobbyRefusal refusal{};
  Room* first = lobby.QuickMatch("192.0.2.1", 0, refusal);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(lobby.QuickMatch("192.0.2.2", 10, refusal), first) << "sent to the same room";
  Room* second = lobby.QuickMatch("192.0.2.3", 20, refusal);
  EXPECT_NE(second, first) << "both seats of the first are promised";
  // The first room's two players come; the second's never does: its
  // promise runs out, and a player seated meanwhile in a private room is no
  // quick match.
  ASSERT_EQ(lobby.Admit(Greeting(net::Role::kGuest, first->Code()), "192.0.2.1", 30'000, 1).seat,
            Side::kRed);
  ASSERT_EQ(lobby.Admit(Greeting(net::Role::kGuest, first->Code()), "192.0.2.2", 40'000, 1).seat,
            Side::kBlue);
  Room* own = lobby.Open("192.0.2.9", false, 50, refusal);
  ASSERT_EQ(lobby.Admit(Greeting(net::Role::kGuest, own->Code()), "192.0.2.9", 60'000, 1).seat,
            Side::kRed);
  const std::uint32_t later = Room::kPromiseMs + 100;
  // One who waits alone in a quick room is found first.
  first->Leave(Side::kBlue);
  EXPECT_EQ(lobby.QuickMatch("192.0.2.4", later, refusal), first);
  EXPECT_EQ(lobby.QuickMatch("192.0.2.5", later, refusal), second) << "its promise ran out";
}

TEST(Lobby, LetsPlayersInByThePlayCodeAndSpectatorsByEitherAndRefusesTheRest) {
  ArenaSettings settings;
  settings.maxSpectatorsPerRoom = 1;
  Lobby lobby(settings, Letters());
  net::LobbyRefusal refusal{};
  Room* room = lobby.Open("192.0.2.1", false, 0, refusal);
  const std::string play = room->Code();
  const std::string watch = room->WatchCode();
  const auto admit = [&](net::Role role, const std::string& code, const std::string& address,
                         std::uint16_t version = net::kProtocolVersion) {
    net::Hello hello = Greeting(role, code);
    hello.version = version;
    const Admission admission = lobby.Admit(hello, address, 1'000'000, 1);
    return admission.refusal;
  };
  using R = std::optional<RefuseReason>;
  EXPECT_EQ(admit(net::Role::kGuest, watch, "192.0.2.1"), R(RefuseReason::kWrongCode))
      << "a watch code takes no seat";
  EXPECT_EQ(admit(net::Role::kGuest, play, "192.0.2.2"), R());
  EXPECT_EQ(admit(net::Role::kGuest, play, "192.0.2.3"), R());
  EXPECT_EQ(admit(net::Role::kGuest, play, "192.0.2.4"), R(RefuseReason::kGuestTaken));
  EXPECT_EQ(admit(net::Role::kSpectator, watch, "192.0.2.5"), R());
  EXPECT_EQ(admit(net::Role::kSpectator, play, "192.0.2.6"), R(RefuseReason::kFull));
  EXPECT_EQ(admit(net::Role::kGuest, play, "192.0.2.7", 9), R(RefuseReason::kVersion));
  EXPECT_EQ(room->Players(), 2);
  EXPECT_EQ(room->Spectators(), 1u);

  // The list names the rooms being played by their watch codes only.
  const net::RoomList list = lobby.List();
  ASSERT_EQ(list.rooms.size(), 1u);
  EXPECT_EQ(list.rooms[0].watchCode, watch);
  EXPECT_EQ(list.rooms[0].players, 2);
  EXPECT_EQ(list.rooms[0].spectators, 1);
}

TEST(Lobby, WrongCodesMakeTheirAddressWaitAndTooManyFromAllMakeEveryoneWait) {
  ArenaSettings settings;
  settings.wrongCodesPerSecond = 5;
  Lobby lobby(settings, Letters());
  net::LobbyRefusal refusal{};
  const std::string code = lobby.Open("192.0.2.1", false, 0, refusal)->Code();
  const auto refusal_at = [&](const std::string& address, const std::string& tried,
                              std::int64_t ms) {
    return lobby.Admit(Greeting(net::Role::kSpectator, tried), address, ms * 1000, 1).refusal;
  };
  using R = std::optional<RefuseReason>;
  // One address: the first slip is free, the next makes it wait a second.
  EXPECT_EQ(refusal_at("198.51.100.1", "zzzzzzzz", 10'000), R(RefuseReason::kWrongCode));
  EXPECT_EQ(refusal_at("198.51.100.1", "zzzzzzzy", 10'100), R(RefuseReason::kWrongCode));
  EXPECT_EQ(refusal_at("198.51.100.1", code, 10'200), R(RefuseReason::kTooManyTries));
  EXPECT_EQ(refusal_at("198.51.100.2", code, 10'300), R()) << "another address is let in";
  EXPECT_EQ(refusal_at("198.51.100.1", code, 11'200), R()) << "once its wait is over";
  // Many addresses, one wrong code each: past the second's budget every code
  // waits, the right one too, so guessing from many addresses learns nothing.
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(refusal_at("203.0.113." + std::to_string(i), "yyyyyyyy", 20'000 + i),
              R(RefuseReason::kWrongCode));
  }
  EXPECT_EQ(refusal_at("198.51.100.3", code, 20'010), R(RefuseReason::kTooManyTries));
  EXPECT_EQ(refusal_at("127.0.0.1", code, 20'020), R(RefuseReason::kTooManyTries));
  // A player the lobby has just sent to a room is no guesser: it comes in.
  const std::string quick = lobby.QuickMatch("198.51.100.4", 20'030, refusal)->Code();
  const auto player_at = [&](const std::string& address, std::int64_t ms) {
    return lobby.Admit(Greeting(net::Role::kGuest, quick), address, ms * 1000, 1).refusal;
  };
  EXPECT_EQ(player_at("198.51.100.5", 20'040), R(RefuseReason::kTooManyTries));
  EXPECT_EQ(player_at("198.51.100.4", 20'050), R());
  EXPECT_EQ(refusal_at("198.51.100.3", code, 21'010), R()) << "the next second";
}

// Every ssh player comes from the loopback address: its wrong codes never make
// it wait, but they spend the budget in all as any address's do.
TEST(Lobby, TheLoopbackAddressNeverWaitsForItsOwnWrongCodesButSpendsTheBudgetInAll) {
  ArenaSettings settings;
  Lobby lobby(settings, Letters());
  net::LobbyRefusal refusal{};
  const std::string code = lobby.Open("192.0.2.1", false, 0, refusal)->Code();
  const auto refusal_at = [&](const std::string& address, const std::string& tried,
                              std::int64_t ms) {
    return lobby.Admit(Greeting(net::Role::kSpectator, tried), address, ms * 1000, 1).refusal;
  };
  using R = std::optional<RefuseReason>;
  for (int n = 0; n < 4; ++n) {  // slips 300 ms apart, within the budget
    EXPECT_EQ(refusal_at("127.0.0.1", "zzzzzzzz", 10'000 + n * 300), R(RefuseReason::kWrongCode));
    EXPECT_EQ(refusal_at("198.51.100.1", "zzzzzzzz", 10'000 + n * 300),
              n < 2 ? R(RefuseReason::kWrongCode) : R(RefuseReason::kTooManyTries))
        << n;
  }
  EXPECT_EQ(refusal_at("127.0.0.1", code, 13'500), R());
  // Five wrong codes at once from it alone spend the budget: then even its
  // right code waits, as everyone's does.
  for (int n = 0; n < 5; ++n) {
    EXPECT_EQ(refusal_at("127.0.0.1", "yyyyyyyy", 30'000), R(RefuseReason::kWrongCode)) << n;
  }
  EXPECT_EQ(refusal_at("127.0.0.1", code, 30'000), R(RefuseReason::kTooManyTries));
  EXPECT_EQ(refusal_at("127.0.0.1", code, 30'200), R()) << "one code's worth back after 200 ms";
}

}  // namespace
}  // namespace torvelkan::arena
