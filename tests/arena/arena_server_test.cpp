// The arena server on loopback: clients that meet in rooms, watch, leave and
// misbehave, and a server that says goodbye to everyone when it stops.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "arena/running_server.h"
#include "net/lobby_messages.h"
#include "net/messages.h"

namespace torvelkan::arena {
namespace {

using namespace testing;
using namespace std::chrono_literals;

TEST(ArenaServer, PlayersMeetByARoomsCodeOneWatchesAndEveryoneHearsTheServerStop) {
  Running running;
  const std::uint16_t port = running.Port();
  std::unique_ptr<online::LobbyConnection> lobby = EnterLobby(port);
  const online::LobbyAnswer ready = Ask(*lobby, net::LobbyRequest::kCreateRoom);
  ASSERT_EQ(ready.kind, online::LobbyAnswer::Kind::kRoomReady) << ready.text;
  const std::string code = ready.code;
  std::unique_ptr<Client> red = Enter(port, code, net::Role::kGuest);
  ASSERT_TRUE(red);
  // The banner stays all the room long: it must leave the health numbers
  // (columns 37 to 42 of row 1) in view.
  ASSERT_TRUE(ReadUntil(
      {red.get()},
      [&] {
        return red->Shows(2,
                          "You are red; blue is the AI until a friend joins with code " + code) &&
               red->Row(1).substr(37, 6) == "100100";
      }))
      << red->Row(1) << "\n"
      << red->Row(2);
  std::unique_ptr<Client> blue = Enter(port, code, net::Role::kGuest);
  ASSERT_TRUE(blue);
  std::string refusal;
  EXPECT_EQ(Enter(port, code, net::Role::kGuest, &refusal), nullptr);
  EXPECT_EQ(refusal, "both seats are taken: watch the room instead");

  const online::LobbyAnswer list = Ask(*lobby, net::LobbyRequest::kListRooms);
  ASSERT_EQ(list.rooms.rooms.size(), 1u);
  const std::string watch = list.rooms.rooms[0].watchCode;
  EXPECT_NE(watch, code) << "the list never shows a code that plays";
  EXPECT_EQ(Enter(port, watch, net::Role::kGuest, &refusal), nullptr);
  EXPECT_EQ(refusal, "no room has that code");
  std::unique_ptr<Client> watcher = Enter(port, watch, net::Role::kSpectator);
  ASSERT_TRUE(watcher);
  std::vector<Client*> all = {red.get(), blue.get(), watcher.get()};
  EXPECT_TRUE(ReadUntil(all,
                        [&] {
                          return red->Shows(2, "You are red ") && blue->Shows(2, "You are blue ") &&
                                 watcher->Shows(2, "Watching ") && SameArena(*red, *watcher) &&
                                 SameArena(*red, *blue);
                        }))
      << red->Row(2) << "\n"
      << blue->Row(2) << "\n"
      << watcher->Row(2);

  // A lobby that sends nonsense is dropped; the room plays on.
  lobby->Leave();
  std::unique_ptr<online::LobbyConnection> rude = EnterLobby(port);
  net::SendSome(rude->Handle(), Bytes{0, 3, 99, 1, 2});
  EXPECT_TRUE(ReadUntil({}, [&] { return running.Logged("closed: a message out of place"); }));

  // Blue's player gone without a word: the AI takes blue at once.
  blue.reset();
  EXPECT_TRUE(ReadUntil({red.get(), watcher.get()}, [&] {
    return red->Shows(2, "You are red; blue is the AI until a friend joins with code " + code) &&
           watcher->Shows(2, "Watching: a seat is free");
  })) << red->Row(2);
  EXPECT_TRUE(ReadUntil({red.get(), watcher.get()}, [&] { return red->PassRate() >= 450; }))
      << "the room plays at its pace: " << red->Row(0);

  running.Stop();
  const int stopping = static_cast<int>(net::ServerByeReason::kStopping);
  EXPECT_TRUE(
      ReadUntil({red.get(), watcher.get()}, [&] { return red->closed && watcher->closed; }));
  EXPECT_EQ(red->farewell, stopping);
  EXPECT_EQ(watcher->farewell, stopping);
}

TEST(ArenaServer, ARoomEndsWhenBothPlayersHaveLeftAndItsWatchersAreTold) {
  Running running;
  std::unique_ptr<online::LobbyConnection> lobby = EnterLobby(running.Port());
  const std::string code = Ask(*lobby, net::LobbyRequest::kQuickMatch).code;
  std::unique_ptr<Client> red = Enter(running.Port(), code, net::Role::kGuest);
  std::unique_ptr<Client> watcher = Enter(running.Port(), code, net::Role::kSpectator);
  ASSERT_TRUE(red && watcher);
  ASSERT_TRUE(ReadUntil({red.get(), watcher.get()}, [&] {
    return red->Shows(2, "blue is the AI until another player comes");
  }));
  red->Send([](Bytes& out) { net::AppendBye(net::ByeReason::kLeft, out); });
  EXPECT_TRUE(ReadUntil({watcher.get()}, [&] { return watcher->closed; }));
  EXPECT_EQ(watcher->farewell, static_cast<int>(net::ServerByeReason::kRoomClosed));
  EXPECT_EQ(Ask(*lobby, net::LobbyRequest::kListRooms).rooms.total, 0);
}

}  // namespace
}  // namespace torvelkan::arena
