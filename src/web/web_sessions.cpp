// The web server's connections: HTTP requests answered, a WebSocket carrying
// one browser's link.
#include "web/web_sessions.h"

#include <boost/asio/buffer.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/write.hpp>
#include <boost/beast/websocket/rfc6455.hpp>
#include <chrono>
#include <span>
#include <utility>

namespace torvelkan::web {

namespace {

// A goodbye that cannot leave in this time is given up, and the connection with it.
constexpr std::uint32_t kClosingMs = 2000;

bool KeepsConnection(Answer answer) {
  return answer == Answer::kPage || answer == Answer::kScript || answer == Answer::kStyle ||
         answer == Answer::kAddSlash || answer == Answer::kNotFound || answer == Answer::kWrongCode;
}

}  // namespace

SharedState::SharedState(WebSettings given, WebServer::Clock clockSource)
    : settings(std::move(given)), clock(std::move(clockSource)), room(settings.code) {}

void SharedState::MakeRoom() {
  const std::uint32_t now = clock();
  std::shared_ptr<HttpSession> oldestPage;
  std::shared_ptr<WebSocketSession> oldestSocket;
  std::uint32_t oldestAge = 0;
  for (const auto& weak : pages) {
    if (auto page = weak.lock(); page && !page->Over() && now - page->OpenedAt() >= oldestAge) {
      oldestAge = now - page->OpenedAt();
      oldestPage = std::move(page);
    }
  }
  for (const auto& weak : sockets) {
    if (auto socket = weak.lock();
        socket && !socket->Over() && !socket->Joined() && now - socket->OpenedAt() >= oldestAge) {
      oldestAge = now - socket->OpenedAt();
      oldestSocket = std::move(socket);
      oldestPage.reset();
    }
  }
  if (oldestSocket) {
    oldestSocket->Drop("dropped unfinished to make room");
  } else if (oldestPage) {
    oldestPage->Drop();
  }
}

HttpSession::HttpSession(Tcp::socket socket, std::string peer, SharedState& state)
    : stream(std::move(socket)), address(std::move(peer)), shared(state), openedAt(state.clock()) {
  ++shared.open;
}

HttpSession::~HttpSession() { --shared.open; }

void HttpSession::Drop() {
  if (dropped) {
    return;
  }
  dropped = true;
  beast::error_code ignored;
  stream.socket().shutdown(Tcp::socket::shutdown_both, ignored);
  stream.close();
}

void HttpSession::ReadRequest() {
  if (requests == shared.settings.maxRequestsPerConnection) {
    Drop();
    return;
  }
  parser.emplace();
  parser->header_limit(static_cast<std::uint32_t>(shared.settings.maxHeaderBytes));
  parser->body_limit(0);  // only GET is served: no request has a body
  stream.expires_after(std::chrono::milliseconds(shared.settings.requestMs));
  http::async_read(stream, buffer, *parser,
                   [self = shared_from_this()](beast::error_code error, std::size_t /*bytes*/) {
                     // Closed, too slow, too big or malformed: nothing to answer.
                     if (error) {
                       self->Drop();
                       return;
                     }
                     self->Answer();
                   });
}

void HttpSession::Answer() {
  ++requests;
  const http::request<http::empty_body>& request = parser->get();
  Request facts;
  facts.method = request.method_string();
  facts.target = request.target();
  facts.host = request[http::field::host];
  facts.origin = request[http::field::origin];
  facts.upgrade = websocket::is_upgrade(request);
  Judgement judgement = JudgeRequest(facts, shared.served);
  if (!judgement.code.empty()) {
    switch (shared.room.JudgeCode(address, judgement.code, shared.clock())) {
      case net::WrongCodeBackoff::Verdict::kWait: judgement.answer = Answer::kTooManyTries; break;
      case net::WrongCodeBackoff::Verdict::kWrong:
        judgement.answer = Answer::kWrongCode;
        shared.room.Note(address + ": refused: a wrong code in the address");
        break;
      case net::WrongCodeBackoff::Verdict::kRight: break;
    }
  }
  if (judgement.answer == Answer::kPlay) {
    // The connection is the WebSocket's from here on; this session ends.
    stream.expires_never();
    auto session =
        std::make_shared<WebSocketSession>(stream.release_socket(), std::move(address), shared);
    shared.sockets.push_back(session);
    session->Start(parser->release());
    dropped = true;
    return;
  }
  Respond(judgement, request.keep_alive() && KeepsConnection(judgement.answer));
}

void HttpSession::Respond(const Judgement& judgement, bool keepAlive) {
  const Response response = ResponseFor(judgement);
  reply = {};
  reply.version(11);
  reply.result(response.status);
  reply.set(http::field::content_type, response.contentType);
  for (const auto& [name, value] : response.headers) {
    reply.set(name, value);
  }
  reply.body() = response.body.empty() ? response.text
                                       : std::string(response.body.begin(), response.body.end());
  reply.keep_alive(keepAlive);
  reply.prepare_payload();
  stream.expires_after(std::chrono::milliseconds(shared.settings.requestMs));
  http::async_write(stream, reply,
                    [self = shared_from_this()](beast::error_code error, std::size_t /*bytes*/) {
                      if (error || !self->reply.keep_alive()) {
                        self->Drop();
                        return;
                      }
                      self->ReadRequest();
                    });
}

WebSocketSession::WebSocketSession(Tcp::socket tcp, std::string peer, SharedState& state)
    : socket(std::move(tcp)), address(std::move(peer)), shared(state), openedAt(state.clock()) {
  ++shared.open;
}

WebSocketSession::~WebSocketSession() {
  link.reset();  // gives up its seat while the room is certainly there
  --shared.open;
}

void WebSocketSession::Start(const http::request<http::empty_body>& request) {
  websocket::stream_base::timeout timeouts{};
  // Opening and closing handshakes; silence is the protocol's own business
  // (heartbeats both ways), so Beast sends no pings.
  timeouts.handshake_timeout = std::chrono::milliseconds(shared.settings.link.handshakeMs);
  timeouts.idle_timeout = websocket::stream_base::none();
  timeouts.keep_alive_pings = false;
  socket.set_option(timeouts);
  // One protocol message per WebSocket message, and none is longer.
  socket.read_message_max(net::kMaxMessageBytes + 2);
  socket.binary(true);
  socket.async_accept(request, [self = shared_from_this()](beast::error_code error) {
    if (error) {
      self->Drop();
      return;
    }
    self->link.emplace(self->shared.room, self->address, self->shared.settings.link,
                       self->shared.clock());
    self->ReadMessage();
  });
}

void WebSocketSession::ReadMessage() {
  socket.async_read(
      buffer, [self = shared_from_this()](beast::error_code error, std::size_t /*bytes*/) {
        if (error) {
          if (self->link) {
            self->link->Lost(error == websocket::error::closed ? "connection closed"
                                                               : "connection lost");
          }
          self->Drop();
          return;
        }
        if (self->socket.got_binary()) {
          const auto data = self->buffer.data();
          self->link->Receive(std::span<const std::uint8_t>(
                                  static_cast<const std::uint8_t*>(data.data()), data.size()),
                              self->shared.clock());
        } else {
          self->link->Close(net::ByeReason::kProtocol, "a text message");
        }
        self->buffer.consume(self->buffer.size());
        self->Flush();
        if (!self->link->Closing()) {
          self->ReadMessage();
        }
      });
}

void WebSocketSession::Frame(const CellGrid& wire) {
  if (link && !dropped) {
    link->Frame(wire, unsentBytes, shared.clock());
    Flush();
  }
}

void WebSocketSession::Check() {
  if (!link || dropped) {
    return;  // the opening handshake has Beast's own time limit
  }
  const std::uint32_t now = shared.clock();
  link->Check(unsentBytes, now);
  Flush();
  if (link->Closing()) {
    if (!closingSeen) {
      closingSeen = true;
      closingSince = now;
    } else if (now - closingSince > kClosingMs) {
      Drop();
    }
  }
}

void WebSocketSession::Close(net::ByeReason reason, const std::string& why) {
  if (!link) {
    Drop();
    return;
  }
  link->Close(reason, why);
  Flush();
}

void WebSocketSession::Drop(const char* why) {
  if (dropped) {
    return;
  }
  dropped = true;
  if (link) {
    link->Lost(why != nullptr ? why : "connection dropped");
  } else if (why != nullptr) {
    shared.room.Note(address + ": " + why);
  }
  beast::error_code ignored;
  auto& tcp = beast::get_lowest_layer(socket);
  tcp.socket().shutdown(Tcp::socket::shutdown_both, ignored);
  tcp.close();
}

void WebSocketSession::Flush() {
  if (!link || dropped) {
    return;
  }
  for (std::vector<std::uint8_t>& message : link->TakeOutgoing()) {
    unsentBytes += message.size();
    unsent.push_back(std::move(message));
  }
  if (!writing) {
    WriteNext();
  }
}

void WebSocketSession::WriteNext() {
  if (unsent.empty()) {
    if (link->Closing()) {
      Finish();
    }
    return;
  }
  writing = true;
  socket.async_write(boost::asio::buffer(unsent.front()),
                     [self = shared_from_this()](beast::error_code error, std::size_t /*bytes*/) {
                       self->writing = false;
                       if (error) {
                         self->link->Lost("connection lost");
                         self->Drop();
                         return;
                       }
                       self->unsentBytes -= self->unsent.front().size();
                       self->unsent.pop_front();
                       if (!self->dropped) {
                         self->WriteNext();
                       }
                     });
}

void WebSocketSession::Finish() {
  if (finishing || dropped) {
    return;
  }
  finishing = true;
  socket.async_close(websocket::close_code::normal,
                     [self = shared_from_this()](beast::error_code /*error*/) { self->Drop(); });
}

}  // namespace torvelkan::web
