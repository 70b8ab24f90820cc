// One TCP connection of a web server while it speaks HTTP: requests for the
// page's files, answered with the careful headers, until it asks for a
// WebSocket, which the server takes over. Inside the web servers alone (this
// header brings Boost.Beast).
#pragma once

#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/tcp_stream.hpp>
#include <boost/beast/http/empty_body.hpp>
#include <boost/beast/http/message.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/string_body.hpp>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "net/socket.h"
#include "web/connection_tally.h"
#include "web/request_rules.h"
#include "web/web_listener.h"

namespace torvelkan::web {

namespace beast = boost::beast;
namespace http = boost::beast::http;
using UpgradeRequest = http::request<http::empty_body>;

// What an HTTP session needs of its server: the bounds, the clock, how a
// request is judged (its codes counted, anything noted) and who takes the
// connection of a WebSocket allowed.
struct HttpGate {
  std::size_t maxHeaderBytes = 8192;
  std::size_t maxRequestsPerConnection = 100;
  std::uint32_t requestMs = 5000;  // to send a request's head, or between two
  std::function<std::uint32_t()> clock;
  std::function<Judgement(const Request& request, const std::string& address)> judge;
  std::function<void(Tcp::socket socket, std::string address, ConnectionTally::Ticket ticket,
                     const UpgradeRequest& request)>
      upgrade;
};

class HttpSession : public std::enable_shared_from_this<HttpSession> {
 public:
  // The gate must outlive the session.
  HttpSession(Tcp::socket socket, std::string peer, ConnectionTally::Ticket counted,
              const HttpGate& serverGate);
  HttpSession(const HttpSession&) = delete;
  HttpSession& operator=(const HttpSession&) = delete;
  ~HttpSession() = default;

  void Start() { ReadRequest(); }
  void Drop();
  bool Over() const { return dropped; }
  std::uint32_t OpenedAt() const { return openedAt; }
  const std::string& Address() const { return address; }
  // What its socket waits for, for a loop that polls the sockets itself: a
  // request while one is being read, room to write while an answer goes.
  net::PollEntry Wait();

 private:
  void ReadRequest();
  void Answer();
  void Respond(const Judgement& judgement, bool keepAlive);

  beast::tcp_stream stream;
  std::string address;
  ConnectionTally::Ticket ticket;
  const HttpGate& gate;
  std::uint32_t openedAt;
  std::size_t requests = 0;
  beast::flat_buffer buffer;
  std::optional<http::request_parser<http::empty_body>> parser;
  http::response<http::string_body> reply;
  bool reading = false;
  bool writing = false;
  bool dropped = false;
};

// Starts a session on a connection let in: counted against its address and
// kept among the server's pages.
void StartPage(Tcp::socket socket, std::string address, ConnectionTally& tally,
               const HttpGate& gate, std::vector<std::weak_ptr<HttpSession>>& pages);

}  // namespace torvelkan::web
