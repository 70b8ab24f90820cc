// The host's side of the network: the listening socket, the guest and the
// spectators, served without ever waiting.
#include "net/host_session.h"

#include <algorithm>
#include <array>
#include <utility>

#include "net/grid_diff.h"
#include "net/join_code.h"
#include "net/unfinished_cap.h"

namespace torvelkan::net {

namespace {

constexpr std::size_t kAcceptsPerService = 16;  // the rest wait for the next pass
constexpr std::size_t kReadBytes = 4096;        // per connection and pass
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
    if (connection->link.GetStage() == PeerLink::Stage::kJoined) {
      AppendBye(ByeReason::kGameOver, connection->link.Output());
      Write(*connection);
    }
  }
  // The sockets close as the members go: the connections', then the listener.
}

bool HostSession::GuestConnected() const {
  return std::any_of(connections.begin(), connections.end(),
                     [](const auto& connection) { return connection->Is(Role::kGuest); });
}

std::size_t HostSession::Spectators() const {
  return static_cast<std::size_t>(
      std::count_if(connections.begin(), connections.end(),
                    [](const auto& connection) { return connection->Is(Role::kSpectator); }));
}

std::vector<KeyEvent> HostSession::TakeGuestKeys() { return std::exchange(guestKeys, {}); }

void HostSession::Service() {
  const std::uint32_t now = clock();
  polled.clear();
  polled.push_back(PollEntry{listener.Get(), false, false, false});
  for (const auto& connection : connections) {
    polled.push_back(
        PollEntry{connection->link.Handle(), connection->link.Pending() > 0, false, false});
  }
  PollSockets(polled, 0);
  // Only the connections polled above: accepting comes after.
  const std::size_t polledConnections = connections.size();
  for (std::size_t i = 0; i < polledConnections; ++i) {
    Connection& connection = *connections[i];
    if (polled[i + 1].hungUp && !connection.link.Gone()) {
      Leave(connection, now);
      continue;
    }
    if (polled[i + 1].readable && !connection.link.Gone()) {
      Read(connection, now);
    }
    if (polled[i + 1].writable && !connection.link.Gone()) {
      Write(connection);
    }
  }
  if (polled[0].readable) {
    AcceptWaiting(now);
  }
  for (const auto& connection : connections) {
    CheckTimes(*connection, now);
  }
  RemoveDead();
}

void HostSession::Broadcast(const CellGrid& cells, int textFrom) {
  const std::uint32_t now = clock();
  bool haveWire = false;
  CellGrid wire;
  for (const auto& connection : connections) {
    if (connection->link.GetStage() != PeerLink::Stage::kJoined) {
      continue;
    }
    if (!haveWire) {
      wire = WireGrid(cells);
      haveWire = true;
    }
    // A client of version 1 would take the mark for a fault.
    connection->link.QueueFrame(wire, now, settings,
                                connection->version >= kTextRowsVersion ? textFrom : kRows);
    Write(*connection);
  }
}

void HostSession::AcceptWaiting(std::uint32_t now) {
  for (std::size_t n = 0; n < kAcceptsPerService; ++n) {
    std::string address;
    Socket socket = Accept(listener.Get(), address);
    if (!socket.IsOpen()) {
      return;
    }
    if (Connection* oldest = UnfinishedToDrop(connections, now, settings.maxHandshakes)) {
      oldest->link.Drop();
      Note(oldest->link.Address() + ": dropped unfinished to make room");
    }
    connections.push_back(
        std::make_unique<Connection>(Connection{PeerLink(std::move(socket), address, now)}));
  }
}

void HostSession::Read(Connection& connection, std::uint32_t now) {
  std::array<std::uint8_t, kReadBytes> buffer{};
  const PeerLink::Stage stage = connection.link.GetStage();
  if (!connection.link.Receive(buffer)) {
    if (stage != PeerLink::Stage::kClosing) {
      const bool guest = stage == PeerLink::Stage::kJoined && connection.role == Role::kGuest;
      Note(connection.link.Address() + ": connection closed" + (guest ? " (the guest)" : ""));
    }
    return;
  }
  if (stage == PeerLink::Stage::kClosing) {
    return;
  }
  Message message;
  for (;;) {
    const MessageReader::Result result = connection.link.Next(message);
    if (result == MessageReader::Result::kNone) {
      return;
    }
    if (result == MessageReader::Result::kError) {
      Close(connection, ByeReason::kProtocol, connection.link.ReaderError());
      return;
    }
    Handle(connection, message, now);
    if (connection.link.GetStage() == PeerLink::Stage::kClosing || connection.link.Gone()) {
      return;
    }
  }
}

// The peer has closed its side: one more read, for a goodbye or a greeting
// still there. The rest would only keep its place taken while it is read
// away, and none of its keys matter now that it is gone.
void HostSession::Leave(Connection& connection, std::uint32_t now) {
  const std::size_t keysBefore = guestKeys.size();
  const auto isGuest = [&connection] {
    return connection.link.GetStage() == PeerLink::Stage::kJoined &&
           connection.role == Role::kGuest;
  };
  const bool guest = isGuest();
  Read(connection, now);
  guestKeys.resize(keysBefore);
  if (!connection.link.Gone() && connection.link.GetStage() != PeerLink::Stage::kClosing) {
    Note(connection.link.Address() + ": connection closed" +
         (guest || isGuest() ? " (the guest)" : ""));
    connection.link.Drop();
  }
}

void HostSession::Handle(Connection& connection, const Message& message, std::uint32_t now) {
  const auto type = static_cast<MessageType>(message.type);
  std::string fault;
  if (connection.link.GetStage() == PeerLink::Stage::kHandshake) {
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
      Note(connection.link.Address() + ": " + ByeText(reason, false));
      connection.link.Drop();
      return;
    }
  } else if (type == MessageType::kKey && connection.role == Role::kGuest) {
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
  connection.link.Heard(now);
}

void HostSession::Greet(Connection& connection, const Hello& hello, std::uint32_t now) {
  if (!Welcomed(hello.version)) {
    Refuse(connection, RefuseReason::kVersion,
           "it speaks protocol version " + std::to_string(hello.version) + ", this game " +
               std::to_string(kProtocolVersion) + " or " + std::to_string(kTextRowsVersion));
    return;
  }
  // An address that owes a wait is refused before the budget in all is
  // looked at: its tries spend nothing from what other addresses may use.
  if (backoff.Waiting(connection.link.Address(), now)) {
    Refuse(connection, RefuseReason::kTooManyTries, "too many wrong codes");
    return;
  }
  const bool right = SameCode(hello.code, settings.code);
  if (budget.Judge(right, now) == WrongCodeBudget::Verdict::kBusy) {
    Refuse(connection, RefuseReason::kTooManyTries, "too many wrong codes in all");
    return;
  }
  switch (backoff.Judge(connection.link.Address(), right, now)) {
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
  connection.role = hello.role;
  connection.version = hello.version;
  connection.link.Join(now, settings);
  AppendWelcome(hello.role, connection.link.Output(), hello.version);
  Note(connection.link.Address() +
       (hello.role == Role::kGuest ? ": the guest joined" : ": watching"));
  Write(connection);
}

void HostSession::Refuse(Connection& connection, RefuseReason reason, const std::string& why) {
  AppendRefuse(net::Refuse{reason, kTextRowsVersion}, connection.link.Output());
  Note(connection.link.Address() + ": refused: " + why);
  connection.link.Close(clock(), settings);
}

void HostSession::Close(Connection& connection, ByeReason reason, const std::string& why) {
  AppendBye(reason, connection.link.Output());
  Note(connection.link.Address() + ": closed: " + why);
  connection.link.Close(clock(), settings);
}

void HostSession::Write(Connection& connection) {
  const bool guest = connection.Is(Role::kGuest);
  const std::size_t sent = connection.link.Write(settings);
  if (guest) {
    bytesToGuest += sent;
  }
}

void HostSession::CheckTimes(Connection& connection, std::uint32_t now) {
  switch (connection.link.CheckTimes(now, settings)) {
    case PeerLink::Lapse::kNone: return;
    case PeerLink::Lapse::kNoGreeting:
      Note(connection.link.Address() + ": no greeting in time");
      return;
    case PeerLink::Lapse::kSilent:
      Close(connection, ByeReason::kTimeout, "silent for too long");
      return;
    case PeerLink::Lapse::kTooMuchUnsent:
      Note(connection.link.Address() + ": too much unsent");
      connection.link.Drop();
      return;
    case PeerLink::Lapse::kNotReading:
      Close(connection, ByeReason::kTooSlow, "not reading");
      return;
  }
}

void HostSession::RemoveDead() {
  std::erase_if(connections, [](const auto& connection) { return connection->link.Gone(); });
}

void HostSession::Note(const std::string& line) {
  if (log.size() == kLogLines) {
    log.pop_front();
  }
  log.push_back(line);
}

}  // namespace torvelkan::net
