// The arena server on loopback, turning on a thread of its own, and clients
// of it made of the client's own connections: what the server tests share.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "arena/arena_server.h"
#include "net/grid_diff.h"
#include "net/lobby_messages.h"
#include "net/message_stream.h"
#include "net/messages.h"
#include "online/lobby_connection.h"

namespace torvelkan::arena::testing {

using Bytes = std::vector<std::uint8_t>;
using SteadyClock = std::chrono::steady_clock;
using std::chrono_literals::operator""ms;

inline std::uint32_t NowMs() {
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now().time_since_epoch())
          .count());
}

// A connection from a loopback address of its own (127.0.0.n), as another
// machine's would be; none if the system will not have it.
inline net::Socket ConnectFrom(const std::string& from, std::uint16_t port) {
  net::Socket socket(::socket(AF_INET, SOCK_STREAM, 0));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  inet_pton(AF_INET, from.c_str(), &address.sin_addr);
  if (bind(socket.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    return {};
  }
  inet_pton(AF_INET, "127.0.0.1", &address.sin_addr);
  address.sin_port = htons(port);
  if (connect(socket.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    return {};
  }
  return socket;
}

// The settings given, listening on loopback at any free port.
inline ArenaSettings OnLoopback(ArenaSettings given = {}) {
  given.address = "127.0.0.1";
  given.port = 0;
  return given;
}

// A server's log lines, kept from its thread for the test to look through.
class KeptLines {
 public:
  void Keep(const std::string& line) {
    const std::lock_guard<std::mutex> hold(mutex);
    lines.push_back(line);
  }
  bool Has(const std::string& text) {
    const std::lock_guard<std::mutex> hold(mutex);
    return std::ranges::any_of(
        lines, [&](const std::string& line) { return line.find(text) != std::string::npos; });
  }

 private:
  std::mutex mutex;
  std::vector<std::string> lines;
};

// A thread turning a server until stopped, at the latest when it goes.
class Turning {
 public:
  explicit Turning(std::function<void(const std::atomic<bool>& stop)> turn)
      : thread([this, turn = std::move(turn)] { turn(stop); }) {}
  ~Turning() { Stop(); }
  Turning(const Turning&) = delete;
  Turning& operator=(const Turning&) = delete;

  void Stop() {
    stop = true;
    if (thread.joinable()) {
      thread.join();
    }
  }

 private:
  std::atomic<bool> stop{false};
  std::thread thread;
};

// The server as the program runs it, its log kept for the test.
class Running {
 public:
  explicit Running(ArenaSettings given = {})
      : settings(OnLoopback(std::move(given))),
        log([this](const std::string& line) { kept.Keep(line); }, 10000),
        server(settings, log),
        turning([this](const std::atomic<bool>& stop) {
          while (!stop) {
            server.Turn(10);
          }
          server.Stop();
        }) {}

  void Stop() { turning.Stop(); }
  std::uint16_t Port() const { return server.Port(); }
  bool Logged(const std::string& text) { return kept.Has(text); }

  ArenaSettings settings;
  ServerLog log;
  ArenaServer server;  // read only once stopped

 private:
  KeptLines kept;
  Turning turning;
};

// A room's player or spectator: frames applied, the rest noted by type.
struct Client {
  explicit Client(net::Socket given) : socket(std::move(given)) {}

  void Read() {
    std::array<std::uint8_t, 16384> buffer{};
    for (int n = 0; n < 16 && !closed; ++n) {
      const long received = net::ReceiveSome(socket.Get(), buffer);
      if (received == net::kWouldBlock) {
        break;
      }
      if (received == net::kClosed) {
        closed = true;
        break;
      }
      reader.Feed(std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(received)));
      net::Message message;
      while (reader.Next(message) == net::MessageReader::Result::kMessage) {
        if (message.type == static_cast<std::uint8_t>(net::MessageType::kFrame)) {
          EXPECT_EQ(net::ApplyFrame(message.payload, grid), "");
        } else {
          types.push_back(message.type);
          if (message.type == static_cast<std::uint8_t>(net::MessageType::kServerBye) &&
              !message.payload.empty()) {
            farewell = message.payload[0];
          }
        }
      }
    }
    if (NowMs() - lastBeat >= 300) {
      Send([](Bytes& out) { net::AppendHeartbeat(out); });
    }
  }

  void Send(const std::function<void(Bytes&)>& append) {
    Bytes bytes;
    append(bytes);
    net::SendSome(socket.Get(), bytes);
    lastBeat = NowMs();
  }

  std::string Row(int row) const {
    std::string text;
    for (int column = 0; column < kColumns; ++column) {
      const std::uint8_t c = CellChar(grid[static_cast<std::size_t>(row * kColumns + column)]);
      text.push_back(c >= 32 && c < 127 ? static_cast<char>(c) : ' ');
    }
    return text;
  }
  bool Shows(int row, const std::string& text) const {
    return Row(row).find(text) != std::string::npos;
  }
  // The pass rate the room's frame counter shows at the top left.
  int PassRate() const { return std::atoi(Row(0).c_str()); }

  net::Socket socket;
  net::MessageReader reader;
  CellGrid grid{};
  std::vector<std::uint8_t> types;
  int farewell = 0;
  bool closed = false;
  std::uint32_t lastBeat = 0;
};

// Reads every client until ready holds; bounded in time.
inline bool ReadUntil(const std::vector<Client*>& clients, const std::function<bool()>& ready,
                      std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
  const auto deadline = SteadyClock::now() + timeout;
  while (SteadyClock::now() < deadline) {
    for (Client* client : clients) {
      client->Read();
    }
    if (ready()) {
      return true;
    }
    std::this_thread::sleep_for(2ms);
  }
  return false;
}

// The lobby's answer to one request.
inline online::LobbyAnswer Ask(online::LobbyConnection& lobby, net::LobbyRequest request) {
  lobby.Ask(request, NowMs());
  const auto deadline = SteadyClock::now() + std::chrono::seconds(5);
  while (!lobby.HasAnswer() && SteadyClock::now() < deadline) {
    net::PollEntry entry{lobby.Handle(), false, false, false};
    net::PollSockets(std::span<net::PollEntry>(&entry, 1), 10);
    lobby.Service(entry.readable, NowMs());
  }
  EXPECT_TRUE(lobby.HasAnswer());
  return lobby.HasAnswer() ? lobby.TakeAnswer() : online::LobbyAnswer{};
}

inline std::unique_ptr<online::LobbyConnection> EnterLobby(std::uint16_t port) {
  std::string error;
  net::Socket socket = online::ConnectToLobby("127.0.0.1", port, 3000, error);
  EXPECT_TRUE(socket.IsOpen()) << error;
  return std::make_unique<online::LobbyConnection>(std::move(socket), NowMs());
}

inline std::unique_ptr<Client> Enter(std::uint16_t port, const std::string& code, net::Role role,
                                     std::string* refusal = nullptr) {
  std::string error;
  net::Socket socket = online::ConnectToRoom("127.0.0.1", port, 3000, code, role, error);
  if (refusal != nullptr) {
    *refusal = error;
  } else {
    EXPECT_TRUE(socket.IsOpen()) << error;
  }
  return socket.IsOpen() ? std::make_unique<Client>(std::move(socket)) : nullptr;
}

inline bool SameArena(const Client& a, const Client& b) {
  for (int row = 3; row < kRows; ++row) {
    if (a.Row(row) != b.Row(row)) {
      return false;
    }
  }
  return true;
}

}  // namespace torvelkan::arena::testing
