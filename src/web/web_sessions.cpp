// The game's own web server's connections: requests judged against the
// game's code, a WebSocket carrying one browser's link.
#include "web/web_sessions.h"

#include <boost/asio/buffer.hpp>
#include <chrono>
#include <span>
#include <utility>

namespace torvelkan::web {

namespace {

// A goodbye that cannot leave in this time is given up, and the connection with it.
constexpr std::uint32_t kClosingMs = 2000;

}  // namespace

SharedState::SharedState(WebSettings given, WebServer::Clock clockSource)
    : settings(std::move(given)), clock(std::move(clockSource)), room(settings.code) {
  gate.maxHeaderBytes = settings.maxHeaderBytes;
  gate.maxRequestsPerConnection = settings.maxRequestsPerConnection;
  gate.requestMs = settings.requestMs;
  gate.clock = clock;
  gate.judge = [this](const Request& request, const std::string& address) {
    return Judge(request, address);
  };
  gate.upgrade = [this](Tcp::socket socket, std::string address, ConnectionTally::Ticket ticket,
                        const UpgradeRequest& request) {
    Upgrade(std::move(socket), std::move(address), std::move(ticket), request);
  };
}

Judgement SharedState::Judge(const Request& request, const std::string& address) {
  Judgement judgement = JudgeRequest(request, served);
  if (!judgement.code.empty()) {
    switch (room.JudgeCode(address, judgement.code, clock())) {
      case net::WrongCodeBackoff::Verdict::kWait: judgement.answer = Answer::kTooManyTries; break;
      case net::WrongCodeBackoff::Verdict::kWrong:
        judgement.answer = Answer::kWrongCode;
        room.Note(address + ": refused: a wrong code in the address");
        break;
      case net::WrongCodeBackoff::Verdict::kRight: break;
    }
  }
  return judgement;
}

void SharedState::Upgrade(Tcp::socket socket, std::string address, ConnectionTally::Ticket ticket,
                          const UpgradeRequest& request) {
  auto session = std::make_shared<WebSocketSession>(std::move(socket), std::move(address),
                                                    std::move(ticket), *this);
  sockets.push_back(session);
  session->Start(request);
}

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

WebSocketSession::WebSocketSession(Tcp::socket tcp, std::string peer,
                                   ConnectionTally::Ticket counted, SharedState& state)
    : socket(std::move(tcp)),
      address(std::move(peer)),
      ticket(std::move(counted)),
      shared(state),
      openedAt(state.clock()) {}

WebSocketSession::~WebSocketSession() {
  link.reset();  // gives up its seat while the room is certainly there
}

void WebSocketSession::Start(const UpgradeRequest& request) {
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
