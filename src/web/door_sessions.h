// The arena's door for browsers, inside (this header brings Boost.Beast): the
// state its connections share, and the WebSocket session that carries one
// browser's messages through a pipe to the arena and back.
#pragma once

#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/websocket/stream.hpp>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "net/message_pipe.h"
#include "net/socket.h"
#include "web/browser_door.h"
#include "web/connection_tally.h"
#include "web/http_session.h"

namespace torvelkan::web {

class PipeSession;

// What every connection at the door sees.
struct DoorState {
  DoorSettings settings;
  BrowserDoor::Clock clock;
  ConnectionTally tally;
  HttpGate gate;
  std::vector<std::weak_ptr<HttpSession>> pages;
  std::vector<std::weak_ptr<PipeSession>> sockets;
  std::vector<BrowserDoor::Arrival> arrivals;
  std::deque<std::string> notes;

  DoorState(DoorSettings given, BrowserDoor::Clock clockSource);
  DoorState(const DoorState&) = delete;
  DoorState& operator=(const DoorState&) = delete;

  void Note(std::string line);
  // Whether a connection from address may come in, making room for it when
  // the door is full (the oldest page load goes); noted when not.
  bool Admit(const std::string& address);
};

// One browser's WebSocket at the door: what the browser sends goes whole into
// the pipe, at most a bound's worth before the arena takes it; what the arena
// puts in the pipe goes out, one WebSocket message each; once the arena lets
// go of the pipe, what is left goes and the WebSocket closes.
class PipeSession : public std::enable_shared_from_this<PipeSession> {
 public:
  PipeSession(Tcp::socket tcp, std::string peer, ConnectionTally::Ticket counted, DoorState& state);
  ~PipeSession();
  PipeSession(const PipeSession&) = delete;
  PipeSession& operator=(const PipeSession&) = delete;

  // Answers the WebSocket's opening handshake; once open, the pipe goes to
  // the door's arrivals.
  void Start(const UpgradeRequest& request);
  // Each turn: reads again once the arena has taken what came, sends what
  // the pipe holds, closes once the arena has let go.
  void Serve();
  void Drop();
  bool Over() const { return dropped; }
  std::uint32_t OpenedAt() const { return openedAt; }
  net::PollEntry Wait();

 private:
  void Read();
  void WriteNext();

  beast::websocket::stream<beast::tcp_stream> socket;
  std::string address;
  ConnectionTally::Ticket ticket;
  DoorState& door;
  std::uint32_t openedAt;
  std::shared_ptr<net::MessagePipe> pipe;  // from the opening handshake on
  beast::flat_buffer buffer;
  bool opening = false;
  bool reading = false;
  bool writing = false;
  bool closing = false;
  bool dropped = false;
  bool leaving = false;  // the arena has let go
  std::uint32_t leavingSince = 0;
};

}  // namespace torvelkan::web
