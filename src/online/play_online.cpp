// Playing on an arena server: the lobby and the rooms in turn.
#include "online/play_online.h"

#include <optional>
#include <utility>

#include "common/keys.h"
#include "console/console_screen.h"
#include "net/messages.h"
#include "online/lobby_connection.h"
#include "online/lobby_screen.h"

namespace torvelkan::online {

namespace {

constexpr int kPassMs = 10;  // the lobby is drawn 100 times a second at most

// Where the lobby sends the player next.
struct Next {
  bool leave = false;
  net::JoinOutcome ended;  // when the lobby's connection ended (status 1)
  std::string code;
  net::Role role = net::Role::kGuest;
};

// The lobby on device until the player picks a room or leaves, or the
// connection ends.
Next RunLobby(LobbyConnection& connection, LobbyScreen& screen, ConsoleDevice& device,
              const std::function<std::uint32_t()>& clock) {
  ConsoleScreen grid(device);
  grid.SetTitle("Torvelkan (lobby)");
  std::uint32_t last = clock();
  for (;;) {
    net::PollEntry entry{connection.Handle(), connection.WantsToWrite(), false, false};
    net::PollSockets(std::span<net::PollEntry>(&entry, 1), kPassMs);
    const std::uint32_t now = clock();
    connection.Service(entry.readable, now);
    while (connection.HasAnswer()) {
      LobbyAnswer answer = connection.TakeAnswer();
      switch (answer.kind) {
        case LobbyAnswer::Kind::kRoomReady: return Next{false, {}, answer.code, net::Role::kGuest};
        case LobbyAnswer::Kind::kRooms: screen.ShowRooms(answer.rooms); break;
        case LobbyAnswer::Kind::kRefused: screen.ShowMessage(answer.text); break;
        case LobbyAnswer::Kind::kEnded: {
          Next next;
          next.ended = net::JoinOutcome{1, answer.text, answer.stopping};
          return next;
        }
      }
    }
    while (device.HasInput()) {
      InputRecord record{};
      device.ReadInput(record);
      if (!IsKeyEvent(record) || !IsKeyDown(record)) {
        continue;
      }
      const LobbyScreen::Action action = screen.OnKey(KeyCode(record));
      switch (action.choice) {
        case LobbyScreen::Choice::kNone: break;
        case LobbyScreen::Choice::kLeave: return Next{true, {}, {}, net::Role::kGuest};
        case LobbyScreen::Choice::kCreate:
          connection.Ask(net::LobbyRequest::kCreateRoom, now);
          break;
        case LobbyScreen::Choice::kQuick:
          connection.Ask(net::LobbyRequest::kQuickMatch, now);
          break;
        case LobbyScreen::Choice::kList: connection.Ask(net::LobbyRequest::kListRooms, now); break;
        case LobbyScreen::Choice::kJoin: return Next{false, {}, action.code, net::Role::kGuest};
        case LobbyScreen::Choice::kWatch:
          return Next{false, {}, action.code, net::Role::kSpectator};
      }
    }
    if (device.QuitRequested()) {
      return Next{true, {}, {}, net::Role::kGuest};
    }
    screen.Update(now - last);
    last = now;
    screen.Render(grid);
    grid.Present();
  }
}

}  // namespace

net::JoinOutcome RunOnline(ConsoleDevice& device, const OnlineSettings& settings, net::Socket lobby,
                           net::Socket room, const std::function<std::uint32_t()>& clock) {
  LobbyScreen screen(settings.host + ":" + std::to_string(settings.port));
  std::optional<LobbyConnection> connection;
  if (lobby.IsOpen()) {
    connection.emplace(std::move(lobby), clock());
  }
  net::JoinSettings join;
  join.host = settings.host;
  join.port = settings.port;
  join.connectMs = settings.connectMs;
  for (;;) {
    if (room.IsOpen()) {
      device.SetTitle(join.role == net::Role::kGuest ? "Torvelkan" : "Torvelkan (watching)");
      const net::JoinOutcome outcome = net::RunGuest(std::move(room), device, join, clock);
      room = net::Socket();
      if (outcome.serverStopping || device.QuitRequested()) {
        return net::JoinOutcome{outcome.status, ServerWords(outcome.message),
                                outcome.serverStopping};
      }
      screen.BackFromRoom(ServerWords(outcome.message));
    }
    if (!connection.has_value()) {
      std::string error;
      net::Socket socket = ConnectToLobby(settings.host, settings.port, settings.connectMs, error);
      if (!socket.IsOpen()) {
        return net::JoinOutcome{1, error, false};
      }
      connection.emplace(std::move(socket), clock());
    }
    screen.StopWaiting();
    const Next next = RunLobby(*connection, screen, device, clock);
    if (next.leave) {
      connection->Leave();
      return net::JoinOutcome{0, "", false};
    }
    if (!next.ended.message.empty()) {
      return next.ended;
    }
    // The lobby's connection is closed while in a room and made again after:
    // a room can last an hour, and the lobby has nothing to say meanwhile.
    connection->Leave();
    connection.reset();
    join.code = next.code;
    join.role = next.role;
    std::string error;
    room = ConnectToRoom(join.host, join.port, join.connectMs, join.code, join.role, error);
    if (!room.IsOpen()) {
      screen.ShowMessage(error);
    }
  }
}

}  // namespace torvelkan::online
