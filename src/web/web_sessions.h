// The game's own web server's connections, inside the server alone (this
// header brings Boost.Beast): the WebSocket session that carries one
// browser's link, and the state it shares with the HTTP sessions
// (web/http_session.h) that hand WebSocket requests on.
#pragma once

#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/websocket/stream.hpp>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "web/browser_link.h"
#include "web/browser_room.h"
#include "web/connection_tally.h"
#include "web/http_session.h"
#include "web/request_rules.h"
#include "web/web_server.h"

namespace torvelkan::web {

namespace websocket = boost::beast::websocket;

class WebSocketSession;

// What every connection of one server sees.
struct SharedState {
  WebSettings settings;
  WebServer::Clock clock;
  BrowserRoom room;
  Served served;
  ConnectionTally tally;  // connections, of either kind
  HttpGate gate;
  std::vector<std::weak_ptr<HttpSession>> pages;
  std::vector<std::weak_ptr<WebSocketSession>> sockets;

  SharedState(WebSettings given, WebServer::Clock clockSource);
  SharedState(const SharedState&) = delete;
  SharedState& operator=(const SharedState&) = delete;
  // Closes the oldest connection that has not joined the game, if any.
  void MakeRoom();

 private:
  // A request judged, its code checked against the game's (wrong ones counted).
  Judgement Judge(const Request& request, const std::string& address);
  // A WebSocket allowed: a session of its own carries the browser's link.
  void Upgrade(Tcp::socket socket, std::string address, ConnectionTally::Ticket ticket,
               const UpgradeRequest& request);
};

// One browser's WebSocket: its link to the game and what waits to be sent.
class WebSocketSession : public std::enable_shared_from_this<WebSocketSession> {
 public:
  WebSocketSession(Tcp::socket tcp, std::string peer, ConnectionTally::Ticket counted,
                   SharedState& state);
  ~WebSocketSession();
  WebSocketSession(const WebSocketSession&) = delete;
  WebSocketSession& operator=(const WebSocketSession&) = delete;

  void Start(const UpgradeRequest& request);
  void Frame(const CellGrid& wire);
  void Check();
  void Close(net::ByeReason reason, const std::string& why);
  // Closes the connection at once; why, when given, is noted.
  void Drop(const char* why = nullptr);
  bool Over() const { return dropped; }

  bool Joined() const { return link.has_value() && link->Joined(); }
  std::uint32_t OpenedAt() const { return openedAt; }

 private:
  void ReadMessage();
  void Flush();
  void WriteNext();
  void Finish();

  websocket::stream<beast::tcp_stream> socket;
  std::string address;
  ConnectionTally::Ticket ticket;
  SharedState& shared;
  std::uint32_t openedAt;
  std::optional<BrowserLink> link;  // from the WebSocket's handshake on
  beast::flat_buffer buffer;
  std::deque<std::vector<std::uint8_t>> unsent;
  std::size_t unsentBytes = 0;
  bool writing = false;
  bool finishing = false;
  bool dropped = false;
  bool closingSeen = false;
  std::uint32_t closingSince = 0;
};

}  // namespace torvelkan::web
