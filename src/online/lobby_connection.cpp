// The client's side of the lobby's connection.
#include "online/lobby_connection.h"

#include <array>
#include <utility>

#include "net/guest_client.h"
#include "net/messages.h"
#include "net/queued_output.h"

namespace torvelkan::online {

namespace {

constexpr std::size_t kReadBytes = 4096;
constexpr int kReadsPerService = 4;
constexpr std::size_t kMaxUnsentBytes = 4096;  // a lobby says little

// Empty for the lobby's welcome; otherwise what to tell the player.
std::string JudgeLobbyAnswer(std::uint8_t type, std::span<const std::uint8_t> payload) {
  switch (static_cast<net::MessageType>(type)) {
    case net::MessageType::kLobbyWelcome: {
      const std::string fault = net::ParseLobbyWelcome(payload);
      return fault.empty() ? fault : "the server sent " + fault;
    }
    case net::MessageType::kRefuse: {
      net::Refuse refuse;
      const std::string fault = net::ParseRefuse(payload, refuse);
      if (!fault.empty()) {
        return "the server sent " + fault;
      }
      return refuse.reason == net::RefuseReason::kVersion
                 ? "the server speaks protocol version " + std::to_string(refuse.hostVersion) +
                       " and this game version " + std::to_string(net::kProtocolVersion) +
                       ": use the same Torvelkan release as the server"
                 : "the server refused";
    }
    case net::MessageType::kServerBye: {
      net::ServerByeReason reason = net::ServerByeReason::kFull;
      const std::string fault = net::ParseServerBye(payload, reason);
      return fault.empty() ? net::ServerByeText(reason) : "the server sent " + fault;
    }
    case net::MessageType::kBye: return "the server did not understand us (is it an arena?)";
    default: return "the server answered with something other than a lobby";
  }
}

// Empty for a welcome to the role asked for; otherwise what to tell the player.
std::string JudgeRoomAnswer(std::uint8_t type, std::span<const std::uint8_t> payload,
                            net::Role asked) {
  if (static_cast<net::MessageType>(type) == net::MessageType::kWelcome) {
    net::Role role = net::Role::kGuest;
    const std::string fault = net::ParseWelcome(payload, role);
    if (!fault.empty()) {
      return "the server sent " + fault;
    }
    return role == asked ? std::string() : "the server answered out of turn";
  }
  if (static_cast<net::MessageType>(type) != net::MessageType::kRefuse) {
    return JudgeLobbyAnswer(type, payload);
  }
  net::Refuse refuse;
  if (const std::string fault = net::ParseRefuse(payload, refuse); !fault.empty()) {
    return "the server sent " + fault;
  }
  switch (refuse.reason) {
    case net::RefuseReason::kWrongCode: return "no room has that code";
    case net::RefuseReason::kTooManyTries:
      return "too many wrong codes: wait a little before trying again";
    case net::RefuseReason::kGuestTaken: return "both seats are taken: watch the room instead";
    case net::RefuseReason::kFull: return "every spectator place in that room is taken";
    case net::RefuseReason::kVersion: break;
  }
  return JudgeLobbyAnswer(type, payload);
}

// The words of a failed greeting with the server, not a host, as its subject.
void NameTheServer(std::string& error) {
  if (error == "the host closed the connection") {
    error = "the server closed the connection";
  } else if (error == "the host did not answer in time") {
    error = "the server did not answer in time";
  } else if (error == "the host answered with something other than a welcome") {
    error = "the server answered with something other than a welcome";
  }
}

}  // namespace

std::string ServerWords(const std::string& text) {
  const std::string host = "the host";
  return text.starts_with(host) ? "the server" + text.substr(host.size()) : text;
}

net::Socket ConnectToRoom(const std::string& host, std::uint16_t port, std::uint32_t connectMs,
                          const std::string& code, net::Role role, std::string& error) {
  std::vector<std::uint8_t> hello;
  net::AppendHello(net::Hello{net::kProtocolVersion, role, code}, hello);
  net::Socket socket = net::ConnectAndGreet(
      host, port, connectMs, std::move(hello),
      [role](std::uint8_t type, std::span<const std::uint8_t> payload) {
        return JudgeRoomAnswer(type, payload, role);
      },
      error);
  NameTheServer(error);
  return socket;
}

net::Socket ConnectToLobby(const std::string& host, std::uint16_t port, std::uint32_t connectMs,
                           std::string& error) {
  std::vector<std::uint8_t> hello;
  net::AppendLobbyHello(hello);
  net::Socket socket =
      net::ConnectAndGreet(host, port, connectMs, std::move(hello), JudgeLobbyAnswer, error);
  NameTheServer(error);
  return socket;
}

LobbyConnection::LobbyConnection(net::Socket given, std::uint32_t now)
    : socket(std::move(given)), lastHeard(now), lastQueued(now) {}

void LobbyConnection::Ask(net::LobbyRequest request, std::uint32_t now) {
  net::AppendLobbyRequest(request, output);
  lastQueued = now;
  Flush();
}

void LobbyConnection::Service(bool readable, std::uint32_t now) {
  std::array<std::uint8_t, kReadBytes> buffer{};
  for (int n = 0; readable && n < kReadsPerService && !ended; ++n) {
    const long received = net::ReceiveSome(socket.Get(), buffer);
    if (received == net::kWouldBlock) {
      break;
    }
    if (received == net::kClosed) {
      End("the server closed the connection");
      break;
    }
    reader.Feed(std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(received)));
    net::Message message;
    for (auto result = reader.Next(message); result != net::MessageReader::Result::kNone && !ended;
         result = reader.Next(message)) {
      if (result == net::MessageReader::Result::kError) {
        End("the server sent " + reader.Error());
        break;
      }
      lastHeard = now;
      Handle(message);
    }
  }
  if (!ended && now - lastHeard > kSilenceMs) {
    End("the server stopped answering");
  }
  if (!ended && now - lastQueued >= kHeartbeatMs) {
    net::AppendHeartbeat(output);
    lastQueued = now;
  }
  Flush();
}

void LobbyConnection::Handle(const net::Message& message) {
  LobbyAnswer answer;
  std::string fault;
  switch (static_cast<net::MessageType>(message.type)) {
    case net::MessageType::kHeartbeat: fault = net::ParseEmpty(message.payload); break;
    case net::MessageType::kRoomReady:
      fault = net::ParseRoomReady(message.payload, answer.code);
      answer.kind = LobbyAnswer::Kind::kRoomReady;
      break;
    case net::MessageType::kRoomList:
      fault = net::ParseRoomList(message.payload, answer.rooms);
      answer.kind = LobbyAnswer::Kind::kRooms;
      break;
    case net::MessageType::kLobbyRefuse: {
      net::LobbyRefusal refusal = net::LobbyRefusal::kServerFull;
      fault = net::ParseLobbyRefuse(message.payload, refusal);
      answer.kind = LobbyAnswer::Kind::kRefused;
      answer.text = net::LobbyRefusalText(refusal);
      break;
    }
    case net::MessageType::kServerBye: {
      net::ServerByeReason reason = net::ServerByeReason::kStopping;
      fault = net::ParseServerBye(message.payload, reason);
      if (fault.empty()) {
        End(net::ServerByeText(reason), reason == net::ServerByeReason::kStopping);
      }
      break;
    }
    case net::MessageType::kBye: {
      net::ByeReason reason = net::ByeReason::kTimeout;
      fault = net::ParseBye(message.payload, reason);
      if (fault.empty()) {
        End(net::ByeText(reason, true));
      }
      break;
    }
    default: fault = "a message out of place"; break;
  }
  if (!fault.empty()) {
    net::AppendBye(net::ByeReason::kProtocol, output);
    End("the server sent " + fault);
    return;
  }
  if (static_cast<net::MessageType>(message.type) != net::MessageType::kHeartbeat && !ended) {
    answers.push_back(std::move(answer));
  }
}

void LobbyConnection::End(const std::string& text, bool stopping) {
  if (ended) {
    return;
  }
  ended = true;
  LobbyAnswer answer;
  answer.kind = LobbyAnswer::Kind::kEnded;
  answer.text = text;
  answer.stopping = stopping;
  answers.push_back(std::move(answer));
}

LobbyAnswer LobbyConnection::TakeAnswer() {
  LobbyAnswer answer = std::move(answers.front());
  answers.pop_front();
  return answer;
}

void LobbyConnection::Flush() {
  switch (net::SendQueued(socket.Get(), output, outputSent, kMaxUnsentBytes)) {
    case net::Flushed::kClosed: End("the server closed the connection"); break;
    case net::Flushed::kBacklogged: End("the server stopped reading"); break;
    case net::Flushed::kAsFarAsTaken: break;
  }
}

void LobbyConnection::Leave() {
  if (socket.IsOpen()) {
    net::AppendBye(net::ByeReason::kLeft, output);
    Flush();
    socket = net::Socket();
  }
}

}  // namespace torvelkan::online
