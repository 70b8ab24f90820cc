// The web server's connections, inside the server alone (this header brings
// Boost.Beast): an HTTP session that answers requests and hands a WebSocket
// request on, the WebSocket session that carries one browser's link, and the
// state they share.
#pragma once

#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>
#include <boost/beast/websocket/stream.hpp>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "web/browser_link.h"
#include "web/browser_room.h"
#include "web/request_rules.h"
#include "web/web_server.h"

namespace torvelkan::web {

namespace beast = boost::beast;
namespace http = boost::beast::http;
namespace websocket = boost::beast::websocket;
using Tcp = boost::asio::ip::tcp;

class HttpSession;
class WebSocketSession;

// What every connection of one server sees.
struct SharedState {
  WebSettings settings;
  WebServer::Clock clock;
  BrowserRoom room;
  Served served;
  std::size_t open = 0;  // connections, of either kind
  std::vector<std::weak_ptr<HttpSession>> pages;
  std::vector<std::weak_ptr<WebSocketSession>> sockets;

  SharedState(WebSettings given, WebServer::Clock clockSource);
  // Closes the oldest connection that has not joined the game, if any.
  void MakeRoom();
};

// One TCP connection while it speaks HTTP: requests for the page's files,
// until it asks for the WebSocket.
class HttpSession : public std::enable_shared_from_this<HttpSession> {
 public:
  HttpSession(Tcp::socket socket, std::string peer, SharedState& state);
  ~HttpSession();
  HttpSession(const HttpSession&) = delete;
  HttpSession& operator=(const HttpSession&) = delete;

  void Start() { ReadRequest(); }
  void Drop();
  bool Over() const { return dropped; }
  std::uint32_t OpenedAt() const { return openedAt; }

 private:
  void ReadRequest();
  void Answer();
  void Respond(const Judgement& judgement, bool keepAlive);

  beast::tcp_stream stream;
  std::string address;
  SharedState& shared;
  std::uint32_t openedAt;
  std::size_t requests = 0;
  beast::flat_buffer buffer;
  std::optional<http::request_parser<http::empty_body>> parser;
  http::response<http::string_body> reply;
  bool dropped = false;
};

// One browser's WebSocket: its link to the game and what waits to be sent.
class WebSocketSession : public std::enable_shared_from_this<WebSocketSession> {
 public:
  WebSocketSession(Tcp::socket tcp, std::string peer, SharedState& state);
  ~WebSocketSession();
  WebSocketSession(const WebSocketSession&) = delete;
  WebSocketSession& operator=(const WebSocketSession&) = delete;

  void Start(const http::request<http::empty_body>& request);
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
