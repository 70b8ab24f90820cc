// The arena server's answers: greetings into the lobby or a room, the
// lobby's requests, and players' keys.
#include <algorithm>

#include "arena/arena_server.h"
#include "net/lobby_messages.h"

namespace torvelkan::arena {

void ArenaServer::Handle(Connection& connection, const net::Message& message) {
  const auto type = static_cast<net::MessageType>(message.type);
  const std::uint32_t nowMs = NowMs();
  if (connection.place == Place::kHandshake) {
    Greet(connection, message);
    return;
  }
  std::string fault;
  if (type == net::MessageType::kHeartbeat) {
    fault = net::ParseEmpty(message.payload);
  } else if (type == net::MessageType::kBye) {
    net::ByeReason reason = net::ByeReason::kLeft;
    fault = net::ParseBye(message.payload, reason);
    if (fault.empty()) {
      Note(connection, reason == net::ByeReason::kLeft ? "left" : net::ByeText(reason, false));
      Detach(connection);
      connection.link.Drop();
      return;
    }
  } else if (type == net::MessageType::kKey && connection.place == Place::kPlayer) {
    net::KeyEvent key;
    fault = net::ParseKey(message.payload, key);
    if (fault.empty()) {
      connection.room->Key(connection.side, key);
    }
  } else if (type == net::MessageType::kLobbyRequest && connection.place == Place::kLobby) {
    Request(connection, message, nowMs);
    return;
  } else {
    fault = "a message out of place";
  }
  if (!fault.empty()) {
    CloseWithBye(connection, net::ByeReason::kProtocol, fault);
    return;
  }
  connection.link.Heard(nowMs);
}

void ArenaServer::Greet(Connection& connection, const net::Message& message) {
  const auto type = static_cast<net::MessageType>(message.type);
  const std::uint32_t nowMs = NowMs();
  std::vector<std::uint8_t>& output = connection.link.Output();
  if (type == net::MessageType::kLobbyHello) {
    std::uint16_t version = 0;
    if (const std::string fault = net::ParseLobbyHello(message.payload, version); !fault.empty()) {
      CloseWithBye(connection, net::ByeReason::kProtocol, fault);
      return;
    }
    if (version != net::kProtocolVersion) {
      net::AppendRefuse(net::Refuse{net::RefuseReason::kVersion, net::kProtocolVersion}, output);
      Close(connection, "refused: it speaks protocol version " + std::to_string(version));
      return;
    }
    connection.place = Place::kLobby;
    connection.lastRequest = nowMs;
    connection.requestTokens = settings.requestBurst;
    connection.tokensAt = nowMs;
    connection.link.Join(nowMs, settings.link);
    net::AppendLobbyWelcome(output);
    Note(connection, "in the lobby");
    Write(connection);
    return;
  }
  if (type != net::MessageType::kHello) {
    CloseWithBye(connection, net::ByeReason::kProtocol, "no greeting first");
    return;
  }
  net::Hello hello;
  if (const std::string fault = net::ParseHello(message.payload, hello); !fault.empty()) {
    CloseWithBye(connection, net::ByeReason::kProtocol, fault);
    return;
  }
  const std::int64_t now = clock();
  const Admission admission =
      lobby.Admit(hello, connection.link.Address(), now, static_cast<std::uint32_t>(now / 1000));
  if (admission.refusal.has_value()) {
    net::AppendRefuse(net::Refuse{*admission.refusal, net::kProtocolVersion}, output);
    Close(connection, "refused: " + admission.why);
    return;
  }
  connection.room = admission.room;
  connection.place = admission.seat.has_value() ? Place::kPlayer : Place::kSpectator;
  connection.side = admission.seat.value_or(Side::kRed);
  connection.link.Join(nowMs, settings.link);
  net::AppendWelcome(hello.role, output);
  Note(connection, std::string(admission.seat == Side::kRed    ? "red"
                               : admission.seat == Side::kBlue ? "blue"
                                                               : "watching") +
                       " in room " + admission.room->WatchCode());
  Write(connection);
}

void ArenaServer::Request(Connection& connection, const net::Message& message,
                          std::uint32_t nowMs) {
  net::LobbyRequest request{};
  if (const std::string fault = net::ParseLobbyRequest(message.payload, request); !fault.empty()) {
    CloseWithBye(connection, net::ByeReason::kProtocol, fault);
    return;
  }
  // A burst of requests, then one a while: a person choosing from a menu
  // never needs more.
  const std::uint32_t earned = (nowMs - connection.tokensAt) / settings.requestEveryMs;
  if (earned > 0) {
    connection.requestTokens = std::min(settings.requestBurst, connection.requestTokens + earned);
    connection.tokensAt += earned * settings.requestEveryMs;
  }
  if (connection.requestTokens == 0) {
    CloseWithBye(connection, net::ByeReason::kProtocol, "too many requests");
    return;
  }
  --connection.requestTokens;
  connection.lastRequest = nowMs;
  connection.link.Heard(nowMs);
  std::vector<std::uint8_t>& output = connection.link.Output();
  if (request == net::LobbyRequest::kListRooms) {
    net::AppendRoomList(lobby.List(), output);
  } else {
    net::LobbyRefusal refusal = net::LobbyRefusal::kServerFull;
    const bool quick = request == net::LobbyRequest::kQuickMatch;
    const std::string& address = connection.link.Address();
    const std::size_t roomsBefore = lobby.Rooms().size();
    Room* room = quick ? lobby.QuickMatch(address, nowMs, refusal)
                       : lobby.Open(address, false, nowMs, refusal);
    if (room == nullptr) {
      net::AppendLobbyRefuse(refusal, output);
      Note(connection, "no room: " + net::LobbyRefusalText(refusal));
    } else {
      net::AppendRoomReady(room->Code(), output);
      if (lobby.Rooms().size() > roomsBefore) {
        log.Line("room " + room->WatchCode() + " opened by " + address +
                 (quick ? " (quick match)" : ""));
      }
    }
  }
  Write(connection);
}

}  // namespace torvelkan::arena
