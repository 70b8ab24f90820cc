// The arena's door for browsers, inside: who may come in, and one browser's
// WebSocket carried through its pipe.
#include "web/door_sessions.h"

#include <algorithm>
#include <boost/asio/buffer.hpp>
#include <chrono>
#include <utility>

#include "net/message_stream.h"

namespace torvelkan::web {

namespace websocket = boost::beast::websocket;

namespace {

constexpr std::size_t kNoteLines = 256;

}  // namespace

DoorState::DoorState(DoorSettings given, BrowserDoor::Clock clockSource)
    : settings(std::move(given)), clock(std::move(clockSource)) {
  gate.maxHeaderBytes = settings.maxHeaderBytes;
  gate.maxRequestsPerConnection = settings.maxRequestsPerConnection;
  gate.requestMs = settings.requestMs;
  gate.clock = clock;
  gate.judge = [this](const Request& request, const std::string& address) {
    Judgement judgement = JudgeDoorRequest(request);
    if (judgement.answer == Answer::kWrongOrigin) {
      Note(address + ": refused: a WebSocket asked for by another site's page");
    }
    return judgement;
  };
  gate.upgrade = [this](Tcp::socket socket, std::string address, ConnectionTally::Ticket ticket,
                        const UpgradeRequest& request) {
    auto session = std::make_shared<PipeSession>(std::move(socket), std::move(address),
                                                 std::move(ticket), *this);
    sockets.push_back(session);
    session->Start(request);
  };
}

void DoorState::Note(std::string line) {
  if (notes.size() == kNoteLines) {
    notes.pop_front();
  }
  notes.push_back(std::move(line));
}

bool DoorState::Admit(const std::string& address) {
  const bool limited =
      std::find(settings.unlimitedAddresses.begin(), settings.unlimitedAddresses.end(), address) ==
      settings.unlimitedAddresses.end();
  if (limited && tally.From(address) >= settings.maxConnectionsPerAddress) {
    Note(address + ": refused at the browsers' door: too many connections from there");
    return false;
  }
  if (tally.Total() < settings.maxConnections) {
    return true;
  }
  // The oldest page load makes room; a WebSocket is the arena's to judge.
  const std::uint32_t now = clock();
  std::shared_ptr<HttpSession> oldest;
  for (const auto& weak : pages) {
    if (auto page = weak.lock();
        page && !page->Over() && (!oldest || now - page->OpenedAt() > now - oldest->OpenedAt())) {
      oldest = std::move(page);
    }
  }
  if (!oldest) {
    Note(address + ": refused at the browsers' door: it is full");
    return false;
  }
  oldest->Drop();
  return true;
}

PipeSession::PipeSession(Tcp::socket tcp, std::string peer, ConnectionTally::Ticket counted,
                         DoorState& state)
    : socket(std::move(tcp)),
      address(std::move(peer)),
      ticket(std::move(counted)),
      door(state),
      openedAt(state.clock()) {}

PipeSession::~PipeSession() {
  if (pipe) {
    pipe->EndPeer();
  }
}

void PipeSession::Start(const UpgradeRequest& request) {
  websocket::stream_base::timeout timeouts{};
  // The opening and closing handshakes; silence is the protocol's own
  // business (heartbeats both ways, judged by the arena), so Beast sends no
  // pings.
  timeouts.handshake_timeout = std::chrono::milliseconds(door.settings.handshakeMs);
  timeouts.idle_timeout = websocket::stream_base::none();
  timeouts.keep_alive_pings = false;
  socket.set_option(timeouts);
  // One protocol message per WebSocket message, and none is longer.
  socket.read_message_max(net::kMaxMessageBytes + 2);
  socket.binary(true);
  opening = true;
  socket.async_accept(request, [self = shared_from_this()](beast::error_code error) {
    self->opening = false;
    if (error) {
      self->Drop();
      return;
    }
    self->pipe = std::make_shared<net::MessagePipe>();
    self->door.arrivals.push_back(BrowserDoor::Arrival{self->pipe, self->address});
    self->Read();
  });
}

void PipeSession::Read() {
  reading = true;
  socket.async_read(buffer,
                    [self = shared_from_this()](beast::error_code error, std::size_t /*bytes*/) {
                      self->reading = false;
                      if (error) {
                        self->Drop();  // closed, broken or too long: the arena hears the pipe's end
                        return;
                      }
                      if (self->socket.got_binary()) {
                        const auto data = self->buffer.data();
                        const auto* bytes = static_cast<const std::uint8_t*>(data.data());
                        self->pipe->Arrive(net::MessagePipe::Bytes(bytes, bytes + data.size()));
                      } else {
                        // A text message carries no protocol message: handed on empty, it
                        // is refused by the arena's reader as not one whole message.
                        self->pipe->Arrive({});
                      }
                      self->buffer.consume(self->buffer.size());
                      if (!self->pipe->LinkGone() &&
                          self->pipe->ArrivedBytes() < self->door.settings.maxArrivedBytes) {
                        self->Read();
                      }
                    });
}

void PipeSession::Serve() {
  if (dropped || !pipe) {
    return;  // the opening handshake has Beast's own time limit
  }
  if (!reading && !closing && !pipe->LinkGone() &&
      pipe->ArrivedBytes() < door.settings.maxArrivedBytes) {
    Read();
  }
  WriteNext();
  if (!pipe->LinkGone()) {
    return;
  }
  const std::uint32_t now = door.clock();
  if (!leaving) {
    leaving = true;
    leavingSince = now;
  }
  if (now - leavingSince > door.settings.handshakeMs) {
    Drop();  // its last words or its goodbye could not leave in time
  } else if (!closing && !writing && pipe->NextOutgoing() == nullptr) {
    closing = true;
    socket.async_close(websocket::close_code::normal,
                       [self = shared_from_this()](beast::error_code /*error*/) { self->Drop(); });
  }
}

void PipeSession::WriteNext() {
  if (writing || dropped || closing) {
    return;
  }
  const net::MessagePipe::Bytes* next = pipe->NextOutgoing();
  if (next == nullptr) {
    return;
  }
  writing = true;
  socket.async_write(boost::asio::buffer(*next),
                     [self = shared_from_this()](beast::error_code error, std::size_t /*bytes*/) {
                       self->writing = false;
                       if (error) {
                         self->Drop();
                         return;
                       }
                       self->pipe->Sent();
                       self->WriteNext();
                     });
}

void PipeSession::Drop() {
  if (dropped) {
    return;
  }
  dropped = true;
  if (pipe) {
    pipe->EndPeer();
  }
  beast::error_code ignored;
  auto& tcp = beast::get_lowest_layer(socket);
  tcp.socket().shutdown(Tcp::socket::shutdown_both, ignored);
  tcp.close();
}

net::PollEntry PipeSession::Wait() {
  net::PollEntry entry;
  entry.socket =
      dropped ? net::kNoSocket : beast::get_lowest_layer(socket).socket().native_handle();
  entry.wantRead = reading || closing;
  entry.wantWrite = writing || opening;
  return entry;
}

}  // namespace torvelkan::web
