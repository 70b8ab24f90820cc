// A browser's side of the game's HTTP and WebSocket, written out by hand for
// the tests of the arena's door: requests as text, frames out masked as a
// browser's are (or not, or broken), frames in read as they come.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "net/socket.h"

namespace torvelkan::web::testing {

using Bytes = std::vector<std::uint8_t>;

// Sends what the socket takes within a second: a peer that stops reading
// cannot hold the test up.
void SendAll(const net::Socket& socket, const std::string& bytes);
// What comes within limit, until the peer closes.
std::string ReadFor(const net::Socket& socket, std::chrono::milliseconds limit);
// A GET request's head for target, with more header lines.
std::string Head(std::uint16_t port, const std::string& target, const std::string& more = "");

class Browser {
 public:
  // The opening handshake from the loopback address `from`, from a page of
  // origin (the door's own when empty); the answer's status line.
  std::string Open(std::uint16_t port, const std::string& from = "127.0.0.1",
                   const std::string& origin = "");

  void Frame(std::uint8_t opcode, const Bytes& payload, bool masked = true) const;
  // One protocol message, in a binary message of its own.
  void Send(const std::function<void(Bytes&)>& append) const;

  // The next binary message's type and payload within limit; type 0 when
  // nothing came, or the connection ended (then ended is set).
  std::pair<std::uint8_t, Bytes> Next(std::chrono::milliseconds limit = std::chrono::seconds(2));
  // Reads until a message of type comes (true) or the connection ends.
  bool Await(std::uint8_t type, Bytes* payload = nullptr);
  // Reads every message waiting (a browser reads as they come); how many.
  int Drain();
  // Reads until the connection ends or two seconds pass; whether it ended.
  bool Ends();

  net::Socket socket;
  bool ended = false;

 private:
  bool Closed() const;

  std::string input;
};

}  // namespace torvelkan::web::testing
