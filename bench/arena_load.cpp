// Load on a running arena server: rooms opened through its lobby, two scripted
// players in each, every frame they are sent read and applied as a client
// would. Each second it reads every room's pass rate off the frame counter
// the room draws (the game counts its passes there), and it counts the bytes
// the players receive.
//
//   torvelkan_arena_load HOST:PORT ROOMS SECONDS
//
// The last line sums it up: the lowest pass rate any room showed in any
// second after the first two, the median, and bytes a second per room and
// per player. Exit status 1 if a player was turned away or cut off.
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "common/keys.h"
#include "net/grid_diff.h"
#include "net/message_stream.h"
#include "net/messages.h"
#include "net/socket.h"
#include "online/lobby_connection.h"

namespace torvelkan::bench {
namespace {

using SteadyClock = std::chrono::steady_clock;

struct Player {
  net::Socket socket;
  net::MessageReader reader;
  CellGrid grid{};
  std::uint64_t bytes = 0;
  int phase = 0;  // where in its script the player starts, so rooms differ
  bool lost = false;
};

// A player's keys: walks one way and the other, jumps and attacks, each key
// held a while, round and round.
struct ScriptStep {
  std::uint16_t key;
  bool down;
};
constexpr std::array<ScriptStep, 8> kScript{{{vk::kLeft, true},
                                             {vk::kLeft, false},
                                             {vk::kUp, true},
                                             {vk::kUp, false},
                                             {vk::kRight, true},
                                             {vk::kDown, true},
                                             {vk::kDown, false},
                                             {vk::kRight, false}}};
constexpr int kStepMs = 150;

std::uint32_t NowMs() {
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now().time_since_epoch())
          .count());
}

void Send(Player& player, const std::vector<std::uint8_t>& bytes) {
  if (net::SendSome(player.socket.Get(), bytes) != static_cast<long>(bytes.size())) {
    player.lost = true;  // a few bytes always fit, unless the server is gone
  }
}

// Reads whatever has come and applies the frames.
void Read(Player& player) {
  std::array<std::uint8_t, 16384> buffer{};
  for (int n = 0; n < 8; ++n) {
    const long received = net::ReceiveSome(player.socket.Get(), buffer);
    if (received == net::kWouldBlock) {
      return;
    }
    if (received == net::kClosed) {
      player.lost = true;
      return;
    }
    player.bytes += static_cast<std::uint64_t>(received);
    player.reader.Feed(
        std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(received)));
    net::Message message;
    while (player.reader.Next(message) == net::MessageReader::Result::kMessage) {
      if (message.type == static_cast<std::uint8_t>(net::MessageType::kFrame)) {
        (void)net::ApplyFrame(message.payload, player.grid);
      } else if (message.type != static_cast<std::uint8_t>(net::MessageType::kHeartbeat)) {
        player.lost = true;  // a farewell
      }
    }
  }
}

// The number before " fps" at the top left of a room's frame; -1 if none.
int PassRate(const CellGrid& grid) {
  int value = 0;
  int digits = 0;
  for (int column = 0; column < 10; ++column) {
    const std::uint8_t c = CellChar(grid[static_cast<std::size_t>(column)]);
    if (c >= '0' && c <= '9') {
      value = value * 10 + (c - '0');
      ++digits;
    } else if (digits > 0) {
      break;
    }
  }
  return digits > 0 ? value : -1;
}

// One room: a lobby asked for it, then both players greeted by its code.
bool OpenRoom(const std::string& host, std::uint16_t port, std::vector<Player>& players) {
  std::string error;
  net::Socket lobbySocket = online::ConnectToLobby(host, port, 5000, error);
  if (!lobbySocket.IsOpen()) {
    std::fprintf(stderr, "arena load: the lobby: %s\n", error.c_str());
    return false;
  }
  online::LobbyConnection lobby(std::move(lobbySocket), NowMs());
  lobby.Ask(net::LobbyRequest::kCreateRoom, NowMs());
  std::string code;
  const auto deadline = SteadyClock::now() + std::chrono::seconds(5);
  while (code.empty() && SteadyClock::now() < deadline) {
    net::PollEntry entry{lobby.Handle(), false, false, false};
    net::PollSockets(std::span<net::PollEntry>(&entry, 1), 10);
    lobby.Service(entry.readable, NowMs());
    if (lobby.HasAnswer()) {
      const online::LobbyAnswer answer = lobby.TakeAnswer();
      if (answer.kind != online::LobbyAnswer::Kind::kRoomReady) {
        std::fprintf(stderr, "arena load: no room: %s\n", answer.text.c_str());
        return false;
      }
      code = answer.code;
    }
  }
  lobby.Leave();
  for (int seat = 0; seat < 2; ++seat) {
    net::Socket socket = online::ConnectToRoom(host, port, 5000, code, net::Role::kGuest, error);
    if (!socket.IsOpen()) {
      std::fprintf(stderr, "arena load: the room: %s\n", error.c_str());
      return false;
    }
    Player player;
    player.socket = std::move(socket);
    player.phase = static_cast<int>(players.size() * 3 % kScript.size());
    players.push_back(std::move(player));
  }
  return true;
}

// The players, served: what came read, heartbeats sent, keys played.
class Crowd {
 public:
  explicit Crowd(std::size_t size) { players.reserve(size); }

  std::vector<Player>& Players() { return players; }

  void Serve(int waitMs) {
    polled.clear();
    for (const Player& player : players) {
      polled.push_back(net::PollEntry{player.socket.Get(), false, false, false});
    }
    net::PollSockets(polled, waitMs);
    for (std::size_t i = 0; i < players.size(); ++i) {
      if (polled[i].readable) {
        Read(players[i]);
      }
    }
    if (NowMs() - lastBeat >= 400) {
      lastBeat = NowMs();
      SendAll([](std::vector<std::uint8_t>& bytes) { net::AppendHeartbeat(bytes); });
    }
  }

  // Every player's next key of its script.
  void Step() {
    for (Player& player : players) {
      const ScriptStep& key =
          kScript[static_cast<std::size_t>(player.phase + step) % kScript.size()];
      std::vector<std::uint8_t> bytes;
      net::AppendKey(net::KeyEvent{key.key, key.down}, bytes);
      Send(player, bytes);
    }
    ++step;
  }

  std::uint64_t Bytes() const {
    std::uint64_t bytes = 0;
    for (const Player& player : players) {
      bytes += player.bytes;
    }
    return bytes;
  }

  int Lost() const {
    return static_cast<int>(std::count_if(players.begin(), players.end(),
                                          [](const Player& player) { return player.lost; }));
  }

 private:
  template <typename Append>
  void SendAll(const Append& append) {
    std::vector<std::uint8_t> bytes;
    append(bytes);
    for (Player& player : players) {
      Send(player, bytes);
    }
  }

  std::vector<Player> players;
  std::vector<net::PollEntry> polled;
  std::uint32_t lastBeat = NowMs();
  int step = 0;
};

int Run(const std::string& host, std::uint16_t port, int rooms, int seconds) {
  const net::SocketLibrary sockets;
  Crowd crowd(static_cast<std::size_t>(rooms) * 2);
  for (int room = 0; room < rooms; ++room) {
    if (!OpenRoom(host, port, crowd.Players())) {
      return 1;
    }
    crowd.Serve(0);  // the rooms already open are read meanwhile
  }
  // The first two seconds warm up: a room's counter shows its first second
  // only at the end of it.
  std::vector<int> lowest(static_cast<std::size_t>(rooms), 100000);
  std::vector<int> rates;
  std::uint64_t bytesAtWarm = 0;
  int second = 0;
  const auto start = SteadyClock::now();
  auto nextStep = start;
  auto nextSecond = start + std::chrono::seconds(1);
  while (SteadyClock::now() - start < std::chrono::seconds(seconds)) {
    crowd.Serve(5);
    const auto now = SteadyClock::now();
    if (now >= nextStep) {
      nextStep += std::chrono::milliseconds(kStepMs);
      crowd.Step();
    }
    if (now < nextSecond) {
      continue;
    }
    nextSecond += std::chrono::seconds(1);
    if (++second == 2) {
      bytesAtWarm = crowd.Bytes();
    }
    for (std::size_t room = 0; second > 2 && room < lowest.size(); ++room) {
      const int rate = PassRate(crowd.Players()[room * 2].grid);
      lowest[room] = std::min(lowest[room], rate);
      rates.push_back(rate);
    }
  }
  const double measured = std::max(1, second - 2);
  const double perPlayer = static_cast<double>(crowd.Bytes() - bytesAtWarm) / measured /
                           static_cast<double>(crowd.Players().size());
  std::sort(rates.begin(), rates.end());
  std::printf(
      "rooms %d, players %zu, lost %d; pass rate over %d s: lowest %d, median %d; "
      "bytes a second: %.1f k a player, %.1f k a room\n",
      rooms, crowd.Players().size(), crowd.Lost(), second - 2,
      *std::min_element(lowest.begin(), lowest.end()), rates.empty() ? -1 : rates[rates.size() / 2],
      perPlayer / 1000.0, 2.0 * perPlayer / 1000.0);
  return crowd.Lost() > 0 ? 1 : 0;
}

}  // namespace
}  // namespace torvelkan::bench

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: torvelkan_arena_load HOST:PORT ROOMS SECONDS\n");
    return 2;
  }
  const std::string endpoint = argv[1];
  const std::size_t colon = endpoint.rfind(':');
  if (colon == std::string::npos) {
    std::fprintf(stderr, "arena load: HOST:PORT, please\n");
    return 2;
  }
  return torvelkan::bench::Run(endpoint.substr(0, colon),
                               static_cast<std::uint16_t>(std::atoi(endpoint.c_str() + colon + 1)),
                               std::max(1, std::atoi(argv[2])), std::max(4, std::atoi(argv[3])));
}
