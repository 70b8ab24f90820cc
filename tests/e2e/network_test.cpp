// Two terminals on one machine, over loopback: the host's game and a guest (or
// a spectator) joining it, and every way either side can end.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <deque>
#include <sstream>
#include <string>
#include <thread>
#include <utility>

#include "e2e/arena_view.h"
#include "e2e/game_in_terminal.h"
#include "e2e/player_terminal.h"
#include "e2e/tmux_session.h"

namespace torvelkan::e2e {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

// How long a tapped key's step is given to show before the next tap.
constexpr milliseconds kTap{100};

bool Waiting(const Screen& screen) { return screen.Contains("Waiting for a guest"); }

// The arena with its countdown over: "Get Ready" shows until then.
bool Fighting(const Screen& screen) {
  return BodyOf(screen, kBlueBody).column >= 0 && !screen.Contains("Get Ready");
}

// A relay in the middle: every byte, either way, is held 50 ms and sent on
// by itself, so the game's messages arrive late and in one-byte pieces.
class SlowRelay {
 public:
  explicit SlowRelay(int upstreamPort) : upstream(upstreamPort) {
    listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(listen(listener, 4), 0);
    socklen_t length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    thread = std::thread([this] { Run(); });
  }
  ~SlowRelay() {
    stop = true;
    thread.join();
    for (const int fd : {listener, client, server}) {
      if (fd >= 0) {
        close(fd);
      }
    }
  }
  SlowRelay(const SlowRelay&) = delete;
  SlowRelay& operator=(const SlowRelay&) = delete;

  int port = 0;

 private:
  using Clock = std::chrono::steady_clock;
  struct Held {
    Clock::time_point due;
    char byte;  // cppcheck-suppress unusedStructMember ; sent by Give
  };

  void Run() {
    while (!stop) {
      pollfd fds[3] = {{listener, POLLIN, 0}, {client, POLLIN, 0}, {server, POLLIN, 0}};
      poll(fds, 3, 2);
      if (client < 0 && (fds[0].revents & POLLIN) != 0) {
        client = accept(listener, nullptr, nullptr);
        server = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<std::uint16_t>(upstream));
        if (connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
          ADD_FAILURE() << "the relay cannot reach the host";
        }
        fcntl(client, F_SETFL, O_NONBLOCK);
        fcntl(server, F_SETFL, O_NONBLOCK);
      }
      Take(fds[1], client, toServer);
      Take(fds[2], server, toClient);
      Give(server, toServer);
      Give(client, toClient);
    }
  }

  void Take(const pollfd& ready, int fd, std::deque<Held>& queue) {
    if (fd < 0 || (ready.revents & (POLLIN | POLLHUP | POLLERR)) == 0) {
      return;
    }
    char buffer[4096];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    const auto due = Clock::now() + milliseconds(50);
    for (ssize_t i = 0; i < n; ++i) {
      queue.push_back(Held{due, buffer[i]});
    }
    if (n == 0) {  // that side closed: so does the other, once its bytes are out
      closing = true;
    }
  }

  void Give(int fd, std::deque<Held>& queue) {
    while (fd >= 0 && !queue.empty() && queue.front().due <= Clock::now()) {
      if (send(fd, &queue.front().byte, 1, MSG_NOSIGNAL) != 1) {
        return;
      }
      queue.pop_front();
    }
    if (closing && toServer.empty() && toClient.empty() && client >= 0) {
      shutdown(client, SHUT_RDWR);
      shutdown(server, SHUT_RDWR);
    }
  }

  int upstream;
  int listener = -1;
  int client = -1;
  int server = -1;
  bool closing = false;
  std::deque<Held> toServer;
  std::deque<Held> toClient;
  std::atomic<bool> stop{false};
  std::thread thread;
};

class Network : public ::testing::Test {
 protected:
  // The host listens on loopback on a free port and shows how to join.
  void StartHost() {
    host.Start("--host 127.0.0.1:0");
    Screen screen;
    ASSERT_TRUE(host.tmux.WaitFor(Waiting, seconds(10), &screen)) << screen.Dump();
    // "... --join 127.0.0.1:PORT CODE"
    const std::string line = screen.lines.size() > 1 ? screen.lines[1] : "";
    const std::string marker = "--join 127.0.0.1:";
    const std::size_t at = line.find(marker);
    ASSERT_NE(at, std::string::npos) << screen.Dump();
    std::istringstream rest(line.substr(at + marker.size()));
    ASSERT_TRUE(rest >> port >> code) << screen.Dump();
    ASSERT_GT(port, 0) << screen.Dump();
  }

  // From the notice through the logo to the menu, on the host's keyboard.
  void HostToMenu() {
    Screen screen;
    ASSERT_TRUE(host.tmux.WaitFor([](const Screen& s) { return !s.Contains("Alt + Enter"); },
                                  seconds(15), &screen));
    host.tmux.Keys({"x"});
    ASSERT_TRUE(host.tmux.WaitFor(FreshMenu, seconds(10), &screen)) << screen.Dump();
  }

  // The fight's countdown is over on both screens: it swallows keys.
  void HostFights(Player& other) {
    host.tmux.Keys({"Enter"});
    Screen screen;
    ASSERT_TRUE(host.tmux.WaitFor([](const Screen& s) { return BodyOf(s, kBlueBody).column >= 0; },
                                  seconds(10), &screen, true))
        << screen.Dump();
    ASSERT_TRUE(other.tmux.WaitFor([](const Screen& s) { return BodyOf(s, kBlueBody).column >= 0; },
                                   seconds(10), &screen, true))
        << screen.Dump();
    for (Player* player : {&host, &other}) {
      ASSERT_TRUE(player->tmux.WaitFor(Fighting, seconds(10), &screen, true))
          << "the countdown never ended\n"
          << screen.Dump();
    }
  }

  void Join(Player& player, const std::string& mode = "--join", int atPort = 0) {
    player.Start(mode + " 127.0.0.1:" + std::to_string(atPort != 0 ? atPort : port) + " " + code);
  }

  // Taps a key on the guest until blue's column has moved by at least three
  // cells the given way on both screens; bounded in taps.
  void WalkBlue(const std::string& key, int direction, Player& guest) const {
    const int start = BodyOf(host.tmux.Capture(true), kBlueBody).column;
    ASSERT_GE(start, 0);
    const auto moved = [start, direction](const Screen& s) {
      const int column = BodyOf(s, kBlueBody).column;
      return column >= 0 && (column - start) * direction >= 3;
    };
    const auto both = [this, &moved](const Screen& s) {
      return moved(s) && moved(host.tmux.Capture(true));
    };
    EXPECT_TRUE(guest.tmux.TapUntil(key, both, 30, kTap, nullptr, true))
        << key << "\nhost:\n"
        << host.tmux.Capture(true).Dump() << "\nguest:\n"
        << guest.tmux.Capture(true).Dump();
  }

  Player host;
  int port = 0;
  std::string code;
};

TEST_F(Network, TheGuestsLeftAndDWalkBlueOnBothScreensAndEitherSideLeavesCleanly) {
  Player guest;
  ASSERT_NO_FATAL_FAILURE(StartHost());
  ASSERT_NO_FATAL_FAILURE(HostToMenu());
  Join(guest);
  Screen screen;
  ASSERT_TRUE(host.tmux.WaitFor([](const Screen& s) { return !Waiting(s); }, seconds(10), &screen))
      << screen.Dump();
  ASSERT_TRUE(guest.tmux.WaitFor(FreshMenu, seconds(10), &screen)) << screen.Dump();
  ASSERT_NO_FATAL_FAILURE(HostFights(guest));
  WalkBlue("Left", -1, guest);
  WalkBlue("d", 1, guest);
  guest.tmux.Keys({"Escape"});
  guest.ExpectBack(0, "");
  ASSERT_TRUE(host.tmux.WaitFor(Waiting, seconds(10), &screen)) << screen.Dump();
  host.tmux.Keys({"Escape"});
  ASSERT_TRUE(host.tmux.WaitFor(FreshMenu, seconds(10), &screen)) << screen.Dump();
  host.tmux.Keys({"Escape"});
  host.ExpectBack(0, "");
}

TEST_F(Network, AWrongCodeIsRefusedBeforeTheTerminalIsTaken) {
  Player guest;
  ASSERT_NO_FATAL_FAILURE(StartHost());
  guest.Start("--join 127.0.0.1:" + std::to_string(port) + " zzzz2222");
  guest.ExpectBack(1, "the host refused the join code");
  Screen screen;
  EXPECT_TRUE(host.tmux.WaitFor(Waiting, seconds(5), &screen)) << screen.Dump();
  EXPECT_TRUE(host.tmux.WaitForText("127.0.0.1: refused: wrong code", seconds(5), &screen))
      << "the host is told as well\n"
      << screen.Dump();
  host.Kill();
}

TEST_F(Network, AGuestKilledMidFightLeavesTheHostPlayingWithBlueBackToTheAi) {
  Player guest;
  ASSERT_NO_FATAL_FAILURE(StartHost());
  ASSERT_NO_FATAL_FAILURE(HostToMenu());
  Join(guest);
  Screen screen;
  ASSERT_TRUE(host.tmux.WaitFor([](const Screen& s) { return !Waiting(s); }, seconds(10), &screen));
  ASSERT_NO_FATAL_FAILURE(HostFights(guest));
  guest.Kill();
  // Silence for three seconds drops it; the kernel's reset is quicker still.
  const auto killed = std::chrono::steady_clock::now();
  ASSERT_TRUE(host.tmux.WaitFor(Waiting, seconds(10), &screen)) << screen.Dump();
  EXPECT_LT(std::chrono::steady_clock::now() - killed, milliseconds(3500));
  // The host plays on: red walks on the host's own Left.
  const int red = BodyOf(host.tmux.Capture(true), kRedBody).column;
  EXPECT_TRUE(host.tmux.TapUntil(
      "Left", [red](const Screen& s) { return BodyOf(s, kRedBody).column <= red - 3; }, 30, kTap,
      nullptr, true))
      << host.tmux.Capture(true).Dump();
  host.Kill();
}

TEST_F(Network, AHostKilledGivesTheGuestsTerminalBackWithItsMessage) {
  Player guest;
  ASSERT_NO_FATAL_FAILURE(StartHost());
  Join(guest);
  Screen screen;
  ASSERT_TRUE(host.tmux.WaitFor([](const Screen& s) { return !Waiting(s); }, seconds(10), &screen));
  ASSERT_TRUE(
      guest.tmux.WaitFor([](const Screen& s) { return s.Contains("fps"); }, seconds(10), &screen));
  host.Kill();
  guest.ExpectBack(1, "the host closed the connection");
}

TEST_F(Network, ASpectatorSeesTheSameGrid) {
  Player spectator;
  ASSERT_NO_FATAL_FAILURE(StartHost());
  ASSERT_NO_FATAL_FAILURE(HostToMenu());
  host.tmux.Keys({"Down"});  // the readme: it stands still
  host.tmux.Keys({"Enter"});
  Join(spectator, "--watch");
  Screen screen;
  ASSERT_TRUE(spectator.tmux.WaitFor(
      [this](const Screen& s) { return SameArena(s, host.tmux.Capture(true)); }, seconds(10),
      &screen, true))
      << screen.Dump() << "\nhost:\n"
      << host.tmux.Capture(true).Dump();
  EXPECT_TRUE(host.tmux.Capture().Contains("Waiting for a guest")) << "a spectator is no guest";
  spectator.tmux.Keys({"Left", "d", "Escape"});
  spectator.ExpectBack(0, "");
  host.Kill();
}

TEST_F(Network, ThroughARelayThatDelaysAndSplitsEveryByteAllStillHolds) {
  Player guest;
  ASSERT_NO_FATAL_FAILURE(StartHost());
  const SlowRelay relay(port);
  ASSERT_NO_FATAL_FAILURE(HostToMenu());
  Join(guest, "--join", relay.port);
  Screen screen;
  ASSERT_TRUE(host.tmux.WaitFor([](const Screen& s) { return !Waiting(s); }, seconds(10), &screen))
      << screen.Dump();
  ASSERT_TRUE(guest.tmux.WaitFor(FreshMenu, seconds(10), &screen)) << screen.Dump();
  ASSERT_NO_FATAL_FAILURE(HostFights(guest));
  WalkBlue("Left", -1, guest);
  // Standing still, the two screens agree cell for cell.
  ASSERT_TRUE(
      guest.tmux.WaitFor([this](const Screen& s) { return SameArena(s, host.tmux.Capture(true)); },
                         seconds(10), &screen, true))
      << screen.Dump();
  guest.tmux.Keys({"Escape"});
  guest.ExpectBack(0, "");
  ASSERT_TRUE(host.tmux.WaitFor(Waiting, seconds(10), &screen)) << screen.Dump();
  host.Kill();
}

}  // namespace
}  // namespace torvelkan::e2e
