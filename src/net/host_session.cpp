// The host's side of the network: the listening socket, the guest and the
// spectators, served without ever waiting.
#include "net/host_session.h"

#include <algorithm>
#include <array>
#include <utility>

#include "net/grid_diff.h"
#include "net/join_code.h"

namespace torvelkan::net {

namespace {

constexpr std::size_t kAcceptsPerService = 16;  // the rest wait for the next pass
constexpr std::size_t kReadBytes = 4096;        // per connection and pass
constexpr std::uint32_t kClosingMs = 1000;      // for a last message to leave
constexpr std::size_t kLogLines = 32;
constexpr std::size_t kMostGuestKeys = 256;  // waiting to be taken

}  // namespace

HostSession::HostSession(HostSettings given, Clock clockSource)
    : settings(std::move(given)), clock(std::move(clockSource)) {
  listener = Listen(settings.address, settings.port);
  port = LocalPort(listener.Get());
}

HostSession::~HostSession() {
  for (const auto& connection : connections) {
    if (connection->state == State::kGuest || connection->state == State::kSpectator) {
      AppendBye(ByeReason::kGameOver, connection->output);
      Write(*connection);
    }
  }
  // The sockets close as the members go: the connections', then the listener.
}

bool HostSession::GuestConnected() const {
  return std::any_of(connections.begin(), connections.end(), [](const auto& connection) {
    return connection->state == State::kGuest && !connection->dead;
  });
}

std::size_t HostSession::Spectators() const {
  return static_cast<std::size_t>(
      std::count_if(connections.begin(), connections.end(), [](const auto& connection) {
        return connection->state == State::kSpectator && !connection->dead;
      }));
}

std::vector<KeyEvent> HostSession::TakeGuestKeys() { return std::exchange(guestKeys, {}); }

void HostSession::Service() {
  const std::uint32_t now = clock();
  polled.clear();
  polled.push_back(PollEntry{listener.Get(), false, false, false});
  for (const auto& connection : connections) {
    polled.push_back(PollEntry{connection->socket.Get(), Pending(*connection) > 0, false, false});
  }
  PollSockets(polled, 0);
  // Only the connections polled above: accepting comes after.
  const std::size_t polledConnections = connections.size();
  for (std::size_t i = 0; i < polledConnections; ++i) {
    Connection& connection = *connections[i];
    if (polled[i + 1].hungUp && !connection.dead) {
      Leave(connection, now);
      continue;
    }
    if (polled[i + 1].readable && !connection.dead) {
      Read(connection, now);
    }
    if (polled[i + 1].writable && !connection.dead) {
      Write(connection);
    }
  }
  if (polled[0].readable) {
    AcceptWaiting(now);
  }
  for (const auto& connection : connections) {
    if (!connection->dead) {
      CheckTimes(*connection, now);
    }
  }
  RemoveDead();
}

void HostSession::Broadcast(const CellGrid& cells) {
  const std::uint32_t now = clock();
  bool haveWire = false;
  CellGrid wire;
  for (const auto& pointer : connections) {
    Connection& connection = *pointer;
    const bool joined = connection.state == State::kGuest || connection.state == State::kSpectator;
    if (connection.dead || !joined || now - connection.lastFrame < settings.framePeriodMs) {
      continue;
    }
    // A peer that is behind skips frames; the next one it gets carries every
    // difference from what it last received.
    if (Pending(connection) > settings.frameSkipBytes) {
      continue;
    }
    if (!haveWire) {
      wire = WireGrid(cells);
      haveWire = true;
    }
    const std::size_t before = connection.output.size();
    AppendFrame(connection.shown, wire, connection.output);
    if (connection.output.size() != before) {
      connection.lastQueued = now;
    }
    connection.shown = wire;
    connection.lastFrame = now;
    Write(connection);
  }
}

void HostSession::AcceptWaiting(std::uint32_t now) {
  for (std::size_t n = 0; n < kAcceptsPerService; ++n) {
    std::string address;
    Socket socket = Accept(listener.Get(), address);
    if (!socket.IsOpen()) {
      return;
    }
    // Unfinished connections (handshakes and goodbyes) are capped: the oldest
    // makes room, so a flood of idle connections cannot keep a player out.
    // A goodbye's age counts from its start, a handshake's from the connection's.
    const auto age = [now](const Connection& connection) {
      return now -
             (connection.state == State::kClosing ? connection.closingSince : connection.openedAt);
    };
    std::size_t unfinished = 0;
    Connection* oldest = nullptr;
    for (const auto& connection : connections) {
      if (!connection->dead &&
          (connection->state == State::kHandshake || connection->state == State::kClosing)) {
        ++unfinished;
        if (oldest == nullptr || age(*connection) > age(*oldest)) {
          oldest = connection.get();
        }
      }
    }
    if (unfinished >= settings.maxHandshakes && oldest != nullptr) {
      oldest->dead = true;
      Note(oldest->address + ": dropped unfinished to make room");
    }
    auto connection = std::make_unique<Connection>();
    connection->socket = std::move(socket);
    connection->address = std::move(address);
    connection->openedAt = now;
    connection->lastHeard = now;
    connection->lastQueued = now;
    connections.push_back(std::move(connection));
  }
}

void HostSession::Read(Connection& connection, std::uint32_t now) {
  std::array<std::uint8_t, kReadBytes> buffer{};
  const long received = ReceiveSome(connection.socket.Get(), buffer);
  if (received == kWouldBlock) {
    return;
  }
  if (received == kClosed) {
    if (connection.state != State::kClosing) {
      Note(connection.address + ": connection closed" +
           (connection.state == State::kGuest ? " (the guest)" : ""));
    }
    connection.dead = true;
    return;
  }
  if (connection.state == State::kClosing) {
    return;  // nothing more is listened to
  }
  connection.reader.Feed(
      std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(received)));
  Message message;
  for (;;) {
    const MessageReader::Result result = connection.reader.Next(message);
    if (result == MessageReader::Result::kNone) {
      return;
    }
    if (result == MessageReader::Result::kError) {
      Close(connection, ByeReason::kProtocol, connection.reader.Error());
      return;
    }
    Handle(connection, message, now);
    if (connection.state == State::kClosing || connection.dead) {
      return;
    }
  }
}

// The peer has closed its side: one more read, for a goodbye or a greeting
// still there. The rest would only keep its place taken while it is read
// away, and none of its keys matter now that it is gone.
void HostSession::Leave(Connection& connection, std::uint32_t now) {
  const std::size_t keysBefore = guestKeys.size();
  const bool guest = connection.state == State::kGuest;
  Read(connection, now);
  guestKeys.resize(keysBefore);
  if (!connection.dead && connection.state != State::kClosing) {
    Note(connection.address + ": connection closed" +
         (guest || connection.state == State::kGuest ? " (the guest)" : ""));
    connection.dead = true;
  }
}

void HostSession::Handle(Connection& connection, const Message& message, std::uint32_t now) {
  const auto type = static_cast<MessageType>(message.type);
  std::string fault;
  if (connection.state == State::kHandshake) {
    if (type != MessageType::kHello) {
      Close(connection, ByeReason::kProtocol, "no greeting first");
      return;
    }
    Hello hello;
    fault = ParseHello(message.payload, hello);
    if (fault.empty()) {
      Greet(connection, hello, now);
      return;
    }
  } else if (type == MessageType::kHeartbeat) {
    fault = ParseEmpty(message.payload);
  } else if (type == MessageType::kBye) {
    ByeReason reason = ByeReason::kLeft;
    fault = ParseBye(message.payload, reason);
    if (fault.empty()) {
      Note(connection.address + ": " + ByeText(reason, false));
      connection.state = State::kClosing;
      connection.dead = true;
      return;
    }
  } else if (type == MessageType::kKey && connection.state == State::kGuest) {
    KeyEvent key;
    fault = ParseKey(message.payload, key);
    if (fault.empty() && guestKeys.size() == kMostGuestKeys) {
      // More keys between two passes than a keyboard gives in seconds: a
      // flood, read at this pace it would hold the guest's place long after
      // the sender left. None of it reaches the game.
      guestKeys.clear();
      fault = "a flood of keys";
    }
    if (fault.empty()) {
      guestKeys.push_back(key);
    }
  } else {
    fault = "a message out of place";
  }
  if (!fault.empty()) {
    Close(connection, ByeReason::kProtocol, fault);
    return;
  }
  connection.lastHeard = now;
}

void HostSession::Greet(Connection& connection, const Hello& hello, std::uint32_t now) {
  if (hello.version != kProtocolVersion) {
    Refuse(connection, RefuseReason::kVersion,
           "it speaks protocol version " + std::to_string(hello.version) + ", this game " +
               std::to_string(kProtocolVersion));
    return;
  }
  // An address that owes a wait is refused before the budget in all is
  // looked at: its tries spend nothing from what other addresses may use.
  if (backoff.Waiting(connection.address, now)) {
    Refuse(connection, RefuseReason::kTooManyTries, "too many wrong codes");
    return;
  }
  const bool right = SameCode(hello.code, settings.code);
  if (budget.Judge(right, now) == WrongCodeBudget::Verdict::kBusy) {
    Refuse(connection, RefuseReason::kTooManyTries, "too many wrong codes in all");
    return;
  }
  switch (backoff.Judge(connection.address, right, now)) {
    case WrongCodeBackoff::Verdict::kWait:
      Refuse(connection, RefuseReason::kTooManyTries, "too many wrong codes");
      return;
    case WrongCodeBackoff::Verdict::kWrong:
      Refuse(connection, RefuseReason::kWrongCode, "wrong code");
      return;
    case WrongCodeBackoff::Verdict::kRight: break;
  }
  if (hello.role == Role::kGuest && GuestConnected()) {
    Refuse(connection, RefuseReason::kGuestTaken, "a guest is already playing");
    return;
  }
  if (hello.role == Role::kSpectator && Spectators() >= settings.maxSpectators) {
    Refuse(connection, RefuseReason::kFull, "no spectator place left");
    return;
  }
  connection.state = hello.role == Role::kGuest ? State::kGuest : State::kSpectator;
  connection.lastHeard = now;
  connection.lastQueued = now;
  connection.lastFrame = now - settings.framePeriodMs;  // the first frame goes at once
  AppendWelcome(hello.role, connection.output);
  Note(connection.address + (hello.role == Role::kGuest ? ": the guest joined" : ": watching"));
  Write(connection);
}

void HostSession::Refuse(Connection& connection, RefuseReason reason, const std::string& why) {
  AppendRefuse(net::Refuse{reason, kProtocolVersion}, connection.output);
  Note(connection.address + ": refused: " + why);
  connection.state = State::kClosing;
  connection.closingSince = clock();
  Write(connection);
}

void HostSession::Close(Connection& connection, ByeReason reason, const std::string& why) {
  AppendBye(reason, connection.output);
  Note(connection.address + ": closed: " + why);
  connection.state = State::kClosing;
  connection.closingSince = clock();
  Write(connection);
}

void HostSession::Write(Connection& connection) {
  while (Pending(connection) > 0) {
    const long sent =
        SendSome(connection.socket.Get(),
                 std::span<const std::uint8_t>(connection.output).subspan(connection.outputSent));
    if (sent == kWouldBlock) {
      break;
    }
    if (sent == kClosed) {
      connection.dead = true;
      return;
    }
    connection.outputSent += static_cast<std::size_t>(sent);
    if (connection.state == State::kGuest) {
      bytesToGuest += static_cast<std::uint64_t>(sent);
    }
  }
  if (connection.outputSent == connection.output.size()) {
    connection.output.clear();
    connection.outputSent = 0;
  } else if (connection.outputSent > settings.frameSkipBytes) {
    connection.output.erase(
        connection.output.begin(),
        connection.output.begin() + static_cast<std::ptrdiff_t>(connection.outputSent));
    connection.outputSent = 0;
  }
}

void HostSession::CheckTimes(Connection& connection, std::uint32_t now) {
  switch (connection.state) {
    case State::kHandshake:
      if (now - connection.openedAt > settings.handshakeMs) {
        Note(connection.address + ": no greeting in time");
        connection.dead = true;
      }
      return;
    case State::kClosing:
      if (Pending(connection) == 0 || now - connection.closingSince > kClosingMs) {
        connection.dead = true;
      }
      return;
    case State::kGuest:
    case State::kSpectator: break;
  }
  if (now - connection.lastHeard > settings.silenceMs) {
    Close(connection, ByeReason::kTimeout, "silent for too long");
    return;
  }
  if (Pending(connection) > settings.maxUnsentBytes) {
    Note(connection.address + ": too much unsent");
    connection.dead = true;
    return;
  }
  if (Pending(connection) > settings.frameSkipBytes) {
    if (!connection.backedUp) {
      connection.backedUp = true;
      connection.backedUpSince = now;
    } else if (now - connection.backedUpSince > settings.stallMs) {
      Close(connection, ByeReason::kTooSlow, "not reading");
      return;
    }
  } else {
    connection.backedUp = false;
  }
  if (now - connection.lastQueued >= settings.heartbeatMs) {
    AppendHeartbeat(connection.output);
    connection.lastQueued = now;
    Write(connection);
  }
}

void HostSession::RemoveDead() {
  std::erase_if(connections, [](const auto& connection) { return connection->dead; });
}

void HostSession::Note(const std::string& line) {
  if (log.size() == kLogLines) {
    log.pop_front();
  }
  log.push_back(line);
}

}  // namespace torvelkan::net
