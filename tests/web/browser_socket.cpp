// A browser's side of the game's HTTP and WebSocket, written out by hand.
#include "web/browser_socket.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <tuple>

#include "arena/running_server.h"

namespace torvelkan::web::testing {

using SteadyClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

void SendAll(const net::Socket& socket, const std::string& bytes) {
  std::size_t sent = 0;
  const auto until = SteadyClock::now() + std::chrono::seconds(1);
  while (sent < bytes.size() && SteadyClock::now() < until) {
    const ssize_t n =
        ::send(socket.Get(), bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
    } else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      return;
    } else {
      pollfd entry{socket.Get(), POLLOUT, 0};
      poll(&entry, 1, 10);
    }
  }
}

std::string ReadFor(const net::Socket& socket, std::chrono::milliseconds limit) {
  std::string text;
  const auto until = SteadyClock::now() + limit;
  while (SteadyClock::now() < until) {
    pollfd entry{socket.Get(), POLLIN, 0};
    if (poll(&entry, 1, 10) <= 0) {
      continue;
    }
    char buffer[4096];
    const ssize_t n = recv(socket.Get(), buffer, sizeof buffer, 0);
    if (n <= 0) {
      break;
    }
    text.append(buffer, static_cast<std::size_t>(n));
  }
  return text;
}

std::string Head(std::uint16_t port, const std::string& target, const std::string& more) {
  return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n" + more +
         "\r\n";
}

std::string Browser::Open(std::uint16_t port, const std::string& from, const std::string& origin) {
  socket = arena::testing::ConnectFrom(from, port);
  SendAll(socket, Head(port, "/play",
                       "Upgrade: websocket\r\nConnection: Upgrade\r\n"
                       "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                       "Sec-WebSocket-Version: 13\r\nOrigin: " +
                           (origin.empty() ? "http://127.0.0.1:" + std::to_string(port) : origin) +
                           "\r\n"));
  const auto until = SteadyClock::now() + std::chrono::seconds(2);
  while (input.find("\r\n\r\n") == std::string::npos && SteadyClock::now() < until) {
    input += ReadFor(socket, 10ms);
  }
  const std::size_t end = input.find("\r\n\r\n");
  std::string status = input.substr(0, input.find("\r\n"));
  input = end == std::string::npos ? "" : input.substr(end + 4);
  return status;
}

void Browser::Frame(std::uint8_t opcode, const Bytes& payload, bool masked) const {
  std::string frame{static_cast<char>(0x80 | opcode)};
  const char mask = masked ? static_cast<char>(0x80) : 0;
  if (payload.size() < 126) {
    frame += static_cast<char>(mask | static_cast<char>(payload.size()));
  } else {
    frame += static_cast<char>(mask | 126);
    frame += static_cast<char>(payload.size() >> 8);
    frame += static_cast<char>(payload.size() & 0xFF);
  }
  const char key[4] = {0x11, 0x22, 0x33, 0x44};
  if (masked) {
    frame.append(key, 4);
  }
  for (std::size_t i = 0; i < payload.size(); ++i) {
    frame += static_cast<char>(payload[i] ^ (masked ? key[i % 4] : 0));
  }
  SendAll(socket, frame);
}

void Browser::Send(const std::function<void(Bytes&)>& append) const {
  Bytes message;
  append(message);
  Frame(2, message);
}

namespace {

// Takes one whole frame off the front of input (a server's: never masked,
// never longer than 64 KiB); false while it is not all there.
bool TakeFrame(std::string& input, int& opcode, Bytes& payload) {
  if (input.size() < 2) {
    return false;
  }
  std::size_t length = static_cast<std::uint8_t>(input[1]) & 0x7F;
  std::size_t at = 2;
  if (length == 126) {
    if (input.size() < 4) {
      return false;
    }
    length = (static_cast<std::uint8_t>(input[2]) << 8) | static_cast<std::uint8_t>(input[3]);
    at = 4;
  }
  if (input.size() < at + length) {
    return false;
  }
  opcode = input[0] & 0x0F;
  payload.assign(input.begin() + static_cast<std::ptrdiff_t>(at),
                 input.begin() + static_cast<std::ptrdiff_t>(at + length));
  input.erase(0, at + length);
  return true;
}

}  // namespace

std::pair<std::uint8_t, Bytes> Browser::Next(std::chrono::milliseconds limit) {
  const auto until = SteadyClock::now() + limit;
  for (;;) {
    int opcode = 0;
    Bytes payload;
    while (TakeFrame(input, opcode, payload)) {
      if (opcode == 8) {
        ended = true;
        return {0, {}};
      }
      if (opcode == 2 && payload.size() >= 3) {
        return {payload[2], Bytes(payload.begin() + 3, payload.end())};
      }
    }
    if (SteadyClock::now() >= until) {
      return {0, {}};
    }
    const std::string more = ReadFor(socket, 10ms);
    if (more.empty() && Closed()) {
      ended = true;
      return {0, {}};
    }
    input += more;
  }
}

bool Browser::Await(std::uint8_t type, Bytes* payload) {
  for (auto [got, bytes] = Next(); got != 0; std::tie(got, bytes) = Next()) {
    if (got == type) {
      if (payload != nullptr) {
        *payload = bytes;
      }
      return true;
    }
  }
  return false;
}

bool Browser::Closed() const {
  char byte = 0;
  return recv(socket.Get(), &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
}

int Browser::Drain() {
  int count = 0;
  while (Next(5ms).first != 0) {
    ++count;
  }
  return count;
}

bool Browser::Ends() {
  const auto until = SteadyClock::now() + std::chrono::seconds(2);
  while (!ended && SteadyClock::now() < until) {
    Next(100ms);
  }
  return ended;
}

}  // namespace torvelkan::web::testing
