// The arena server's loop: accepting, reading, writing, the rooms' turns and
// every connection's times.
#include "arena/arena_server.h"

#include <algorithm>
#include <array>
#include <exception>
#include <utility>

#include "arena/room_banner.h"
#include "common/monotonic_clock.h"
#include "net/grid_diff.h"
#include "net/join_code.h"
#include "net/lobby_messages.h"

namespace torvelkan::arena {

namespace {

constexpr std::size_t kReadBytes = 4096;  // per connection and turn
constexpr std::uint32_t kCheckEveryMs = 10;
constexpr std::uint32_t kStatusEveryMs = 60000;
constexpr int kStopMs = 1000;  // for the last words to leave
// Kept free below the process's limit on open files: the listener, the
// standard streams and whatever the system opens.
constexpr std::size_t kSparefiles = 16;

}  // namespace

ArenaServer::ArenaServer(ArenaSettings given, ServerLog& serverLog, Lobby::CodeSource codes,
                         Clock clockSource)
    : settings(std::move(given)),
      log(serverLog),
      clock(clockSource ? std::move(clockSource) : Clock(MonotonicMicroseconds)),
      lobby(settings, codes ? std::move(codes) : Lobby::CodeSource(net::NewJoinCode)) {
  const std::size_t files = net::RaiseOpenFileLimit();
  connectionCap = std::min(settings.maxConnections, files > kSparefiles ? files - kSparefiles : 0);
  listener = net::Listen(settings.address, settings.port);
  port = net::LocalPort(listener.Get());
  lastCheck = NowMs();
  lastStatus = lastCheck;
}

ArenaServer::Figures ArenaServer::Count() const {
  Figures figures;
  figures.connections = connections.size();
  for (const auto& connection : connections) {
    figures.lobby += connection->place == Place::kLobby ? 1 : 0;
    figures.players += connection->place == Place::kPlayer ? 1 : 0;
    figures.spectators += connection->place == Place::kSpectator ? 1 : 0;
  }
  figures.rooms = lobby.Rooms().size();
  bool any = false;
  for (const auto& room : lobby.Rooms()) {
    // A game's first second has no rate yet.
    if (room->Started() && room->Game()->FramesPerSecond() > 0) {
      figures.slowestRoom =
          any ? std::min(figures.slowestRoom, room->PassRate()) : room->PassRate();
      any = true;
    }
  }
  figures.bytesSent = bytesSent;
  return figures;
}

int ArenaServer::WaitFor(int longestWaitMs) const {
  const std::int64_t now = clock();
  std::int64_t wait = static_cast<std::int64_t>(longestWaitMs) * 1000;
  for (const auto& room : lobby.Rooms()) {
    if (const std::optional<std::int64_t> wake = room->NextWake(); wake.has_value()) {
      wait = std::min(wait, *wake - now);
    }
  }
  // A poll's time is whole milliseconds: round up, so as never to wake early.
  return wait <= 0 ? 0 : static_cast<int>((wait + 999) / 1000);
}

void ArenaServer::Turn(int longestWaitMs, std::span<const net::PollEntry> alsoWaitFor) {
  polled.clear();
  polled.push_back(net::PollEntry{listener.Get(), false, false, false});
  bool ready = false;
  for (const auto& connection : connections) {
    polled.push_back(
        net::PollEntry{connection->link.Handle(), connection->link.Pending() > 0, false, false});
    ready = ready || connection->link.Ready();
  }
  polled.insert(polled.end(), alsoWaitFor.begin(), alsoWaitFor.end());
  net::PollSockets(polled, ready ? 0 : WaitFor(longestWaitMs));
  // Only the connections polled above: accepting comes after.
  const std::size_t polledConnections = connections.size();
  for (std::size_t i = 0; i < polledConnections; ++i) {
    Connection& connection = *connections[i];
    if ((polled[i + 1].readable || connection.link.Ready()) && !connection.link.Gone()) {
      Read(connection);
    }
    if (polled[i + 1].writable && !connection.link.Gone()) {
      Write(connection);
    }
  }
  const std::uint32_t nowMs = NowMs();
  if (polled[0].readable) {
    Accept(nowMs);
  }
  RunRooms();
  if (nowMs - lastCheck >= kCheckEveryMs) {
    lastCheck = nowMs;
    CheckTimes(nowMs);
  }
  RemoveGone();
  if (nowMs - lastStatus >= kStatusEveryMs) {
    lastStatus = nowMs;
    const Figures figures = Count();
    log.Line("rooms " + std::to_string(figures.rooms) + ", players " +
             std::to_string(figures.players) + ", spectators " +
             std::to_string(figures.spectators) + ", in the lobby " +
             std::to_string(figures.lobby) + "; the slowest room ran " +
             std::to_string(figures.slowestRoom) + " passes a second");
  }
}

void ArenaServer::Read(Connection& connection) {
  std::array<std::uint8_t, kReadBytes> buffer{};
  const bool closing = connection.link.GetStage() == net::PeerLink::Stage::kClosing;
  if (!connection.link.Receive(buffer)) {
    if (!closing) {
      Note(connection, "connection closed");
    }
    Detach(connection);
    return;
  }
  try {
    net::Message message;
    while (connection.link.GetStage() == net::PeerLink::Stage::kHandshake ||
           connection.link.GetStage() == net::PeerLink::Stage::kJoined) {
      const net::MessageReader::Result result = connection.link.Next(message);
      if (result == net::MessageReader::Result::kNone) {
        return;
      }
      if (result == net::MessageReader::Result::kError) {
        CloseWithBye(connection, net::ByeReason::kProtocol, connection.link.ReaderError());
        return;
      }
      Handle(connection, message);
    }
  } catch (const std::exception& fault) {
    // Whatever went wrong with these bytes ends this connection alone.
    Note(connection, std::string("dropped after a fault: ") + fault.what());
    Detach(connection);
    connection.link.Drop();
  }
}

void ArenaServer::Write(Connection& connection) {
  bytesSent += connection.link.Write(settings.link);
}

void ArenaServer::RunRooms() {
  std::unordered_map<const Room*, const CellGrid*> frames;
  for (const auto& room : lobby.Rooms()) {
    const std::optional<std::int64_t> wake = room->NextWake();
    if (!wake.has_value()) {
      continue;
    }
    const std::int64_t now = clock();
    if (*wake > now && !room->InputWaiting()) {
      continue;
    }
    try {
      room->Advance(now);
    } catch (const std::exception& fault) {
      log.Line("room " + room->WatchCode() + ": closed after a fault: " + fault.what());
      room->Fail();
    }
    if (const CellGrid* frame = room->TakeFrame(); frame != nullptr) {
      frames[room.get()] = frame;
    }
  }
  if (!frames.empty()) {
    SendFrames(frames, NowMs());
  }
}

void ArenaServer::SendFrames(const std::unordered_map<const Room*, const CellGrid*>& frames,
                             std::uint32_t nowMs) {
  // Each room's frame as wire cells once, then with each one's own banner.
  std::unordered_map<const Room*, CellGrid> wires;
  CellGrid seen;
  for (const auto& connection : connections) {
    const auto frame = frames.find(connection->room);
    if (frame == frames.end() || connection->link.GetStage() != net::PeerLink::Stage::kJoined) {
      continue;
    }
    auto wire = wires.find(connection->room);
    if (wire == wires.end()) {
      wire = wires.emplace(connection->room, net::WireGrid(*frame->second)).first;
    }
    seen = wire->second;
    PutSeatBanner(
        seen, *connection->room,
        connection->place == Place::kPlayer ? std::optional<Side>(connection->side) : std::nullopt);
    connection->link.QueueFrame(seen, nowMs, settings.link);
    Write(*connection);
  }
}

void ArenaServer::CheckTimes(std::uint32_t nowMs) {
  for (const auto& pointer : connections) {
    Connection& connection = *pointer;
    if (connection.place == Place::kLobby &&
        connection.link.GetStage() == net::PeerLink::Stage::kJoined &&
        nowMs - connection.lastRequest > settings.lobbyIdleMs) {
      net::AppendServerBye(net::ServerByeReason::kIdle, connection.link.Output());
      Close(connection, "idle in the lobby");
      continue;
    }
    switch (connection.link.CheckTimes(nowMs, settings.link)) {
      case net::PeerLink::Lapse::kNone: break;
      case net::PeerLink::Lapse::kNoGreeting: Note(connection, "no greeting in time"); break;
      case net::PeerLink::Lapse::kSilent:
        CloseWithBye(connection, net::ByeReason::kTimeout, "silent for too long");
        break;
      case net::PeerLink::Lapse::kTooMuchUnsent:
        Note(connection, "too much unsent");
        Detach(connection);
        connection.link.Drop();
        break;
      case net::PeerLink::Lapse::kNotReading:
        CloseWithBye(connection, net::ByeReason::kTooSlow, "not reading");
        break;
    }
  }
  lobby.RemoveEnded(nowMs, [this](Room& room) {
    for (const auto& connection : connections) {
      if (connection->room == &room) {
        Detach(*connection);
        net::AppendServerBye(net::ServerByeReason::kRoomClosed, connection->link.Output());
        Close(*connection, "the room it watched has closed");
      }
    }
    log.Line("room " + room.WatchCode() + " closed");
  });
}

void ArenaServer::RemoveGone() {
  std::erase_if(connections, [this](const auto& connection) {
    if (!connection->link.Gone()) {
      return false;
    }
    Detach(*connection);
    const auto count = perAddress.find(connection->link.Address());
    if (count != perAddress.end() && --count->second == 0) {
      perAddress.erase(count);
    }
    return true;
  });
}

void ArenaServer::Close(Connection& connection, const std::string& why) {
  Detach(connection);
  Note(connection, "closed: " + why);
  connection.link.Close(NowMs(), settings.link);
}

void ArenaServer::CloseWithBye(Connection& connection, net::ByeReason reason,
                               const std::string& why) {
  net::AppendBye(reason, connection.link.Output());
  Close(connection, why);
}

void ArenaServer::Detach(Connection& connection) {
  if (connection.room != nullptr) {
    if (connection.place == Place::kPlayer) {
      connection.room->Leave(connection.side);
      Note(connection, std::string("left room ") + connection.room->WatchCode());
    } else {
      connection.room->Unwatch();
    }
  }
  connection.room = nullptr;
  connection.place = Place::kHandshake;
}

void ArenaServer::Note(const Connection& connection, const std::string& what) {
  log.Line(connection.link.Address() + ": " + what);
}

void ArenaServer::Stop() {
  log.Line("stopping: telling " + std::to_string(connections.size()) + " connections");
  listener = net::Socket();
  const std::uint32_t nowMs = NowMs();
  for (const auto& connection : connections) {
    if (connection->link.GetStage() == net::PeerLink::Stage::kHandshake ||
        connection->link.GetStage() == net::PeerLink::Stage::kJoined) {
      net::AppendServerBye(net::ServerByeReason::kStopping, connection->link.Output());
      connection->link.Close(nowMs, settings.link);
    }
  }
  const std::int64_t deadline = clock() + static_cast<std::int64_t>(kStopMs) * 1000;
  for (;;) {
    polled.clear();
    for (const auto& connection : connections) {
      if (!connection->link.Gone() && connection->link.Pending() > 0) {
        polled.push_back(net::PollEntry{connection->link.Handle(), true, false, false});
      }
    }
    const std::int64_t left = deadline - clock();
    if (polled.empty() || left <= 0) {
      break;
    }
    net::PollSockets(polled, static_cast<int>(std::min<std::int64_t>(left / 1000 + 1, 50)));
    for (const auto& connection : connections) {
      if (!connection->link.Gone()) {
        Write(*connection);
      }
    }
  }
  connections.clear();
  perAddress.clear();
  log.Line("stopped");
}

}  // namespace torvelkan::arena
