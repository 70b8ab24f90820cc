// The arena server under attack on loopback, on the real clock: floods of
// connections, half-open greetings, a slow sender, garbage, a burst of
// requests and room codes guessed from many addresses, while four rooms play.
#include <sys/socket.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "arena/running_server.h"
#include "common/keys.h"
#include "net/lobby_messages.h"
#include "net/messages.h"

namespace torvelkan::arena {
namespace {

using namespace testing;
using namespace std::chrono_literals;

void SendAll(const net::Socket& socket, const Bytes& bytes) {
  if (!bytes.empty()) {
    (void)::send(socket.Get(), bytes.data(), bytes.size(), MSG_NOSIGNAL);
  }
}

// Everything at once, then a greeting a byte every 100 ms until stopped.
void Attack(std::uint16_t port, const std::atomic<bool>& stop, std::atomic<bool>& crowdIn) {
  std::vector<net::Socket> crowd;
  const Bytes kinds[] = {
      {}, {0, 40, 1, 'T', 'V', 'K'}, {0xFF, 0xFF, 1, 2, 3}, Bytes(300, 0x5A), {0, 1, 99}};
  for (int n = 0; n < 100 && !stop; ++n) {
    crowd.push_back(ConnectFrom("127.0.0.1", port));
    SendAll(crowd.back(), kinds[n % 5]);
  }
  // Room codes guessed from forty addresses, three tries each.
  for (int n = 0; n < 120 && !stop; ++n) {
    net::Socket guess = ConnectFrom("127.0.0." + std::to_string(10 + n % 40), port);
    Bytes hello;
    net::AppendHello(
        net::Hello{net::kProtocolVersion, net::Role::kGuest, "zz" + std::to_string(100000 + n)},
        hello);
    SendAll(guess, hello);
    crowd.push_back(std::move(guess));
  }
  // One address past its share of connections; a lobby asking far too often.
  for (int n = 0; n < 12 && !stop; ++n) {
    crowd.push_back(ConnectFrom("127.0.0.9", port));
  }
  net::Socket asker = ConnectFrom("127.0.0.8", port);
  Bytes requests;
  net::AppendLobbyHello(requests);
  for (int n = 0; n < 50; ++n) {
    net::AppendLobbyRequest(net::LobbyRequest::kListRooms, requests);
  }
  SendAll(asker, requests);
  crowdIn = true;
  const net::Socket trickle = ConnectFrom("127.0.0.7", port);
  Bytes hello;
  net::AppendLobbyHello(hello);
  for (std::size_t i = 0; i < hello.size() && !stop; ++i) {
    SendAll(trickle, Bytes{hello[i]});
    for (int t = 0; t < 10 && !stop; ++t) {
      std::this_thread::sleep_for(10ms);
    }
  }
}

// A room and its two players, through the lobby.
std::vector<std::unique_ptr<Client>> OpenRoom(std::uint16_t port) {
  std::unique_ptr<online::LobbyConnection> lobby = EnterLobby(port);
  const std::string code = Ask(*lobby, net::LobbyRequest::kCreateRoom).code;
  lobby->Leave();
  std::vector<std::unique_ptr<Client>> players;
  players.push_back(Enter(port, code, net::Role::kGuest));
  players.push_back(Enter(port, code, net::Role::kGuest));
  return players;
}

TEST(ArenaServer, UnderAttackEveryRoomKeepsItsPaceAndARealPlayerGetsIn) {
  if (!ConnectFrom("127.0.0.2", 9).IsOpen() && errno == EADDRNOTAVAIL) {
    GTEST_SKIP() << "this system gives no loopback address but 127.0.0.1";
  }
  Running running;
  const std::uint16_t port = running.Port();
  std::vector<std::unique_ptr<Client>> players;
  for (int room = 0; room < 4; ++room) {
    for (auto& player : OpenRoom(port)) {
      ASSERT_TRUE(player);
      players.push_back(std::move(player));
    }
  }
  std::vector<Client*> reading;
  reading.reserve(players.size());
  for (const auto& player : players) {
    reading.push_back(player.get());
  }
  // Every room's pace, read off its frame counter, the lowest in a while.
  const auto lowestRate = [&](std::chrono::milliseconds span) {
    int lowest = 1000;
    const auto end = SteadyClock::now() + span;
    while (SteadyClock::now() < end) {
      ReadUntil(
          reading, [] { return false; }, 100ms);
      for (std::size_t i = 0; i < players.size(); i += 2) {
        players[i]->Send([i](Bytes& out) {  // red walks to and fro
          net::AppendKey(net::KeyEvent{vk::kLeft, (i / 2) % 2 == 0}, out);
        });
        lowest = std::min(lowest, players[i]->PassRate());
      }
    }
    return lowest;
  };
  ASSERT_TRUE(ReadUntil(reading, [&] { return players[6]->PassRate() > 0; }));
  const int alone = lowestRate(std::chrono::seconds(1));

  std::atomic<bool> stop{false};
  std::atomic<bool> crowdIn{false};
  std::thread attacker([port, &stop, &crowdIn] { Attack(port, stop, crowdIn); });
  bool joined = false;
  std::thread newcomer([port, &crowdIn, &joined] {
    while (!crowdIn) {
      std::this_thread::sleep_for(1ms);
    }
    // Guessers from elsewhere make everyone's codes wait, but not a code the
    // lobby has just handed to this player.
    std::unique_ptr<online::LobbyConnection> lobby = EnterLobby(port);
    const std::unique_ptr<Client> player =
        Enter(port, Ask(*lobby, net::LobbyRequest::kCreateRoom).code, net::Role::kGuest);
    joined = player && ReadUntil({player.get()}, [&] { return player->Shows(2, "You are red"); });
  });
  const int attacked = lowestRate(std::chrono::seconds(4));
  stop = true;
  attacker.join();
  newcomer.join();
  std::printf("the lowest pass rate of the four rooms: %d alone, %d under attack\n", alone,
              attacked);
  // As the host's own test: held to 450 only where the rooms alone kept close
  // to 500 (CI machines are often loaded).
  if (alone >= 490) {
    EXPECT_GE(attacked, 450);
  }
  EXPECT_TRUE(joined) << "a real player got in";
  for (const auto& player : players) {
    EXPECT_FALSE(player->closed) << "no player of the four rooms was cut off";
  }
  EXPECT_TRUE(running.Logged("too many wrong codes"));
  EXPECT_TRUE(running.Logged("127.0.0.9: refused: too many connections from there"));
  EXPECT_TRUE(running.Logged("127.0.0.8: closed: too many requests"));
}

}  // namespace
}  // namespace torvelkan::arena
