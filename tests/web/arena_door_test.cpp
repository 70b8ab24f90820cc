// The arena's door for browsers on loopback, on the real clock, with a
// browser's side of the WebSocket written out by hand: a browser is one more
// peer of the arena's (its lobby, a seat beside a terminal player, the
// server's goodbye), and whatever a browser sends that is malformed, too
// much, too slow or aimed at a file ends its own connection only, while the
// room keeps its pace and a real browser still gets in.
#include <poll.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "arena/running_server.h"
#include "common/keys.h"
#include "net/lobby_messages.h"
#include "net/messages.h"
#include "web/browser_door.h"
#include "web/browser_socket.h"

namespace torvelkan::web {
namespace {

using arena::testing::SteadyClock;
using testing::Browser;
using testing::Bytes;
using testing::Head;
using testing::ReadFor;
using testing::SendAll;
using namespace std::chrono_literals;

// The arena with its door, turning as the program turns them.
class Doors {
 public:
  Doors()
      : settings(arena::testing::OnLoopback()),
        log([this](const std::string& line) { kept.Keep(line); }, 10000),
        server(settings, log),
        door(DoorSettings{"127.0.0.1", 0}, arena::testing::NowMs),
        arenaPort(server.Port()),
        doorPort(door.Port()),
        turning([this](const std::atomic<bool>& stop) {
          std::vector<net::PollEntry> waits;
          while (!stop) {
            waits.clear();
            door.AddWaits(waits);
            server.Turn(10, waits);
            door.Serve();
            for (BrowserDoor::Arrival& arrival : door.TakeArrivals()) {
              server.Adopt(std::move(arrival.pipe), arrival.address);
            }
            for (const std::string& line : door.TakeNotes()) {
              log.Line(line);
            }
          }
          server.Stop();
          door.Close(1000);
        }) {}

  void Stop() { turning.Stop(); }
  bool Logged(const std::string& text) { return kept.Has(text); }

  arena::ArenaSettings settings;
  arena::ServerLog log;
  arena::ArenaServer server;
  BrowserDoor door;
  const std::uint16_t arenaPort;
  const std::uint16_t doorPort;

 private:
  arena::testing::KeptLines kept;
  arena::testing::Turning turning;
};

std::uint8_t kType(net::MessageType type) { return static_cast<std::uint8_t>(type); }

// Only the page's files, whatever the path says.
void ExpectNoFileServed(std::uint16_t port) {
  for (const char* target : {"/../../etc/passwd", "/%2e%2e/%2e%2e/etc/passwd",
                             "/page.js/../../../../etc/passwd", "//etc/passwd"}) {
    const net::Socket fetch = arena::testing::ConnectFrom("127.0.0.3", port);
    SendAll(fetch, Head(port, target, "Connection: close\r\n"));
    const std::string answer = ReadFor(fetch, 1s);
    EXPECT_TRUE(answer.starts_with("HTTP/1.1 404")) << target << "\n" << answer;
    EXPECT_EQ(answer.find("root:"), std::string::npos) << target;
  }
}

// A crowd of idle and half-sent requests, one address past its share, a
// head too big, a WebSocket for another site's page, malformed messages and
// frames, and a flood of messages, until stopped.
void Attack(std::uint16_t port, const std::atomic<bool>& stop) {
  std::vector<net::Socket> crowd;
  for (int n = 0; n < 60 && !stop; ++n) {
    crowd.push_back(arena::testing::ConnectFrom("127.0.0." + std::to_string(20 + n % 6), port));
    SendAll(crowd.back(), n % 2 == 0 ? "GET / HTTP/1.1\r\nHo" : "");
  }
  for (int n = 0; n < 12; ++n) {
    crowd.push_back(arena::testing::ConnectFrom("127.0.0.9", port));
  }
  SendAll(crowd.back(), Head(port, "/", "X-Big: " + std::string(20000, 'x') + "\r\n"));
  Browser foreign;
  EXPECT_EQ(foreign.Open(port, "127.0.0.4", "http://evil.example"), "HTTP/1.1 403 Forbidden");
  const Bytes garbage[] = {{0, 9, 1, 'T', 'V'}, {0xFF, 0xFF, 1}, {}, {0, 1}};
  for (const Bytes& bytes : garbage) {
    Browser wrong;
    wrong.Open(port, "127.0.0.5");
    wrong.Frame(2, bytes);
    auto [type, payload] = wrong.Next();
    EXPECT_EQ(type, kType(net::MessageType::kBye));
    EXPECT_EQ(payload, Bytes{static_cast<std::uint8_t>(net::ByeReason::kProtocol)});
  }
  for (int kind = 0; kind < 3; ++kind) {
    Browser wrong;
    wrong.Open(port, "127.0.0.6");
    if (kind == 0) {
      wrong.Frame(1, {'h', 'e', 'l', 'l', 'o'});  // text
    } else if (kind == 1) {
      wrong.Frame(2, {0, 3, 6, 0, 0}, false);  // unmasked
    } else {
      // A frame of 256 GiB, its mask after its length.
      SendAll(wrong.socket,
              std::string("\x82\xFF\x00\x00\x00\x40\x00\x00\x00\x00\x11\x22\x33\x44", 14));
    }
    EXPECT_TRUE(wrong.Ends()) << kind;
  }
  Browser flood;
  flood.Open(port, "127.0.0.7");
  flood.Send([](Bytes& out) { net::AppendLobbyHello(out); });
  for (int n = 0; n < 20000 && !stop; ++n) {
    flood.Send([](Bytes& out) { net::AppendHeartbeat(out); });
  }
  while (!stop) {
    std::this_thread::sleep_for(10ms);
  }
}

TEST(ArenaDoor, ABrowserIsOneMorePeerAndNothingItSendsHurtsAnyoneElse) {
  if (!arena::testing::ConnectFrom("127.0.0.2", 9).IsOpen() && errno == EADDRNOTAVAIL) {
    GTEST_SKIP() << "this system gives no loopback address but 127.0.0.1";
  }
  Doors doors;
  const std::uint16_t arenaPort = doors.arenaPort;
  const std::uint16_t port = doors.doorPort;

  // A terminal player opens a room through the arena's own lobby.
  std::unique_ptr<online::LobbyConnection> lobby = arena::testing::EnterLobby(arenaPort);
  const std::string code = arena::testing::Ask(*lobby, net::LobbyRequest::kCreateRoom).code;
  lobby->Leave();
  const std::unique_ptr<arena::testing::Client> red =
      arena::testing::Enter(arenaPort, code, net::Role::kGuest);
  ASSERT_TRUE(red);

  // A browser in the lobby sees that room, and takes blue's seat by its code.
  Browser looking;
  ASSERT_EQ(looking.Open(port), "HTTP/1.1 101 Switching Protocols");
  looking.Send([](Bytes& out) { net::AppendLobbyHello(out); });
  ASSERT_TRUE(looking.Await(kType(net::MessageType::kLobbyWelcome)));
  looking.Send([](Bytes& out) { net::AppendLobbyRequest(net::LobbyRequest::kListRooms, out); });
  Bytes listed;
  ASSERT_TRUE(looking.Await(kType(net::MessageType::kRoomList), &listed));
  net::RoomList list;
  ASSERT_EQ(net::ParseRoomList(listed, list), "");
  EXPECT_EQ(list.total, 1u);
  Browser blue;
  ASSERT_EQ(blue.Open(port), "HTTP/1.1 101 Switching Protocols");
  blue.Send([&](Bytes& out) {
    net::AppendHello({net::kProtocolVersion, net::Role::kGuest, code}, out);
  });
  ASSERT_TRUE(blue.Await(kType(net::MessageType::kWelcome)));
  ASSERT_TRUE(blue.Await(kType(net::MessageType::kFrame)));
  ASSERT_TRUE(arena::testing::ReadUntil({red.get()}, [&] {
    return red->Shows(2, "You are red") && !red->Shows(2, "the AI") && red->PassRate() > 0;
  }));
  // The room's pace read off its frame counter, the lowest in a while; and
  // every second something for blue (its frames, or heartbeats).
  bool blueHeard = true;
  // Seconds spelt out, not as 1s: cppcheck 2.10 stops on a chrono literal here.
  const auto lowestRate = [&](std::chrono::milliseconds span) {
    int lowest = 1000;
    int heard = 0;
    auto second = SteadyClock::now();
    const auto end = second + span;
    while (SteadyClock::now() < end) {
      arena::testing::ReadUntil(
          {red.get()}, [] { return false; }, 100ms);
      lowest = std::min(lowest, red->PassRate());
      blue.Send([](Bytes& out) { net::AppendHeartbeat(out); });
      heard += blue.Drain();
      if (SteadyClock::now() - second >= std::chrono::seconds(1)) {
        blueHeard = blueHeard && heard > 0 && !blue.ended;
        heard = 0;
        second = SteadyClock::now();
      }
    }
    return lowest;
  };
  const int alone = lowestRate(std::chrono::seconds(1));

  ExpectNoFileServed(port);

  // The attack, while the room plays: a crowd of idle and half-sent
  // requests, one address past its share, a head too big, a WebSocket for
  // another site's page, malformed messages and frames, and a flood.
  std::atomic<bool> stop{false};
  std::thread attacker([port, &stop] { Attack(port, stop); });
  const int attacked = lowestRate(std::chrono::seconds(3));
  stop = true;
  attacker.join();
  std::printf("the room's lowest pass rate: %d alone, %d under the browsers' attack\n", alone,
              attacked);
  // As the arena's own test: held to 450 only where the room alone kept
  // close to 500 (CI machines are often loaded).
  if (alone >= 490) {
    EXPECT_GE(attacked, 450);
  }
  EXPECT_TRUE(blueHeard) << "the browser in the room kept getting frames";
  EXPECT_FALSE(red->closed);

  // A real browser still gets in; the server's goodbye reaches every browser.
  Browser late;
  ASSERT_EQ(late.Open(port, "127.0.0.8"), "HTTP/1.1 101 Switching Protocols");
  late.Send([](Bytes& out) { net::AppendLobbyHello(out); });
  EXPECT_TRUE(late.Await(kType(net::MessageType::kLobbyWelcome)));
  doors.Stop();
  Bytes farewell;
  EXPECT_TRUE(blue.Await(kType(net::MessageType::kServerBye), &farewell));
  EXPECT_EQ(farewell, Bytes{static_cast<std::uint8_t>(net::ServerByeReason::kStopping)});
  EXPECT_TRUE(late.Await(kType(net::MessageType::kServerBye)));
  EXPECT_TRUE(doors.Logged("127.0.0.9: refused at the browsers' door: too many connections"));
  EXPECT_TRUE(doors.Logged("127.0.0.4: refused: a WebSocket asked for by another site's page"));
}

}  // namespace
}  // namespace torvelkan::web
