// The guest's and the spectator's side: the host's grid drawn on this
// machine's own console device, and this keyboard's keys sent back.
#include "net/guest_client.h"

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

#include "common/keys.h"
#include "common/monotonic_clock.h"
#include "net/grid_diff.h"
#include "net/lobby_messages.h"
#include "net/message_stream.h"
#include "net/queued_output.h"

namespace torvelkan::net {

namespace {

constexpr std::size_t kReadBytes = 16384;
constexpr int kReadsPerPass = 8;  // a pass takes at most this many bytes in

// The time ms from now, in the monotonic clock's microseconds.
std::int64_t DeadlineIn(std::int64_t ms) { return MonotonicMicroseconds() + ms * 1000; }

// Sends everything or gives up; used only for the few bytes of the greeting
// and the goodbye, on a socket that has room for them.
bool SendAll(SocketHandle socket, std::vector<std::uint8_t>& output, int waitMs) {
  std::size_t sent = 0;
  const std::int64_t deadline = DeadlineIn(waitMs);
  while (sent < output.size()) {
    const long n = SendSome(socket, std::span<const std::uint8_t>(output).subspan(sent));
    if (n == kClosed) {
      return false;
    }
    if (n > 0) {
      sent += static_cast<std::size_t>(n);
    } else {
      if (MonotonicMicroseconds() >= deadline) {
        return false;
      }
      PollEntry entry{socket, true, false, false};
      PollSockets(std::span<PollEntry>(&entry, 1), 10);
    }
  }
  output.clear();
  return true;
}

// Empty for a welcome to the role asked for, in the version greeted with or
// in version 1 (a server that sends no rows of text); otherwise what to tell
// the player, and in hostVersion the version a host named in refusing ours.
std::string ReadAnswer(std::uint8_t type, std::span<const std::uint8_t> payload, Role asked,
                       std::uint16_t greeted, std::uint16_t& hostVersion) {
  if (type == static_cast<std::uint8_t>(MessageType::kWelcome)) {
    Role role = Role::kGuest;
    std::uint16_t version = 0;
    std::string fault = ParseWelcome(payload, role, version);
    if (!fault.empty()) {
      return "the host sent " + fault;
    }
    const bool inTurn = role == asked && (version == greeted || version == kProtocolVersion);
    return inTurn ? std::string() : "the host answered out of turn";
  }
  if (type == static_cast<std::uint8_t>(MessageType::kRefuse)) {
    Refuse refuse;
    std::string fault = ParseRefuse(payload, refuse);
    if (fault.empty() && refuse.reason == RefuseReason::kVersion) {
      hostVersion = refuse.hostVersion;
    }
    return fault.empty() ? RefuseText(refuse) : "the host sent " + fault;
  }
  if (type == static_cast<std::uint8_t>(MessageType::kServerBye)) {
    ServerByeReason reason = ServerByeReason::kStopping;
    std::string fault = ParseServerBye(payload, reason);
    return fault.empty() ? ServerByeText(reason) : "the server sent " + fault;
  }
  return "the host answered with something other than a welcome";
}

}  // namespace

Socket ConnectAndGreet(const std::string& host, std::uint16_t port, std::uint32_t connectMs,
                       std::vector<std::uint8_t> greeting, const AnswerJudge& judge,
                       std::string& error) {
  Socket socket = Connect(host, port, static_cast<int>(connectMs), error);
  if (!socket.IsOpen()) {
    return {};
  }
  const std::int64_t deadline = DeadlineIn(connectMs);
  if (!SendAll(socket.Get(), greeting, static_cast<int>(connectMs))) {
    error = "the host closed the connection";
    return {};
  }
  // The answer is read to its last byte and no further: what follows it
  // stays in the socket for the session.
  std::array<std::uint8_t, 64> answer{};
  std::size_t have = 0;
  std::size_t need = 2;
  error = "the host did not answer in time";
  while (MonotonicMicroseconds() < deadline) {
    PollEntry entry{socket.Get(), false, false, false};
    PollSockets(std::span<PollEntry>(&entry, 1), 20);
    const long received =
        entry.readable
            ? ReceiveSome(socket.Get(), std::span<std::uint8_t>(answer).subspan(have, need - have))
            : kWouldBlock;
    if (received == kClosed) {
      error = "the host closed the connection";
      break;
    }
    if (received == kWouldBlock) {
      continue;
    }
    have += static_cast<std::size_t>(received);
    if (have == 2) {
      need = 2 + ((static_cast<std::size_t>(answer[0]) << 8) | answer[1]);
      if (need == 2 || need > answer.size()) {
        error = "the host answered with something other than a welcome";
        break;
      }
    }
    if (have < need) {
      continue;
    }
    error = judge(answer[2], std::span<const std::uint8_t>(answer.data() + 3, need - 3));
    if (error.empty()) {
      return socket;
    }
    break;
  }
  return {};
}

Socket ConnectToHost(const JoinSettings& settings, std::string& error) {
  // Version 2 first, for the host's rows of text at full height; a host that
  // speaks only version 1 refuses it naming 1, and is greeted again with 1.
  Socket socket;
  for (const std::uint16_t version : {kTextRowsVersion, kProtocolVersion}) {
    std::uint16_t hostVersion = 0;
    std::vector<std::uint8_t> hello;
    AppendHello(Hello{version, settings.role, settings.code}, hello);
    socket = ConnectAndGreet(
        settings.host, settings.port, settings.connectMs, std::move(hello),
        [&](std::uint8_t type, std::span<const std::uint8_t> payload) {
          return ReadAnswer(type, payload, settings.role, version, hostVersion);
        },
        error);
    if (socket.IsOpen() || hostVersion != kProtocolVersion) {
      break;
    }
  }
  return socket;
}

namespace {

// One session's state: the grid as the host drew it, the bytes either way,
// and how it ended once it has.
class GuestSession {
 public:
  GuestSession(Socket socket, ConsoleDevice& device, const JoinSettings& settings,
               std::uint32_t now)
      : socket(std::move(socket)),
        device(device),
        settings(settings),
        lastHeard(now),
        lastQueued(now) {}

  JoinOutcome Run(const std::function<std::uint32_t()>& clock, int passMs) {
    while (!done) {
      PollEntry entry{socket.Get(), outputSent < output.size(), false, false};
      PollSockets(std::span<PollEntry>(&entry, 1), passMs);
      const std::uint32_t now = clock();
      if (entry.readable) {
        ReadFromHost(now);
      }
      ReadKeys(now);
      CheckTimes(now);
      Flush();
      if (!done) {
        device.ShowTextFrom(textFrom);
        device.Present(grid);
      }
    }
    // The goodbye gets a moment to leave; the host drops us either way.
    output.erase(output.begin(), output.begin() + static_cast<std::ptrdiff_t>(outputSent));
    SendAll(socket.Get(), output, 200);
    return outcome;
  }

 private:
  void Finish(int status, const std::string& message) {
    if (!done) {
      outcome.status = status;
      outcome.message = message;
      done = true;
    }
  }

  void ReadFromHost(std::uint32_t now) {
    for (int n = 0; n < kReadsPerPass && !done; ++n) {
      const long received = ReceiveSome(socket.Get(), buffer);
      if (received == kWouldBlock) {
        return;
      }
      if (received == kClosed) {
        Finish(1, "the host closed the connection");
        return;
      }
      reader.Feed(std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(received)));
      Message message;
      for (MessageReader::Result result = reader.Next(message);
           result != MessageReader::Result::kNone && !done; result = reader.Next(message)) {
        if (result == MessageReader::Result::kError) {
          AppendBye(ByeReason::kProtocol, output);
          Finish(1, "the host sent " + reader.Error());
          return;
        }
        Handle(message);
        lastHeard = now;
      }
    }
  }

  void Handle(const Message& message) {
    std::string fault;
    const auto type = static_cast<MessageType>(message.type);
    if (type == MessageType::kFrame) {
      fault = ApplyFrame(message.payload, grid);
    } else if (type == MessageType::kTextRows) {
      fault = ParseTextRows(message.payload, textFrom);
    } else if (type == MessageType::kHeartbeat) {
      fault = ParseEmpty(message.payload);
    } else if (type == MessageType::kBye) {
      ByeReason reason = ByeReason::kGameOver;
      fault = ParseBye(message.payload, reason);
      if (fault.empty()) {
        Finish(reason == ByeReason::kGameOver ? 0 : 1, ByeText(reason, true));
      }
    } else if (type == MessageType::kServerBye) {
      ServerByeReason reason = ServerByeReason::kStopping;
      fault = ParseServerBye(message.payload, reason);
      if (fault.empty()) {
        outcome.serverStopping = reason == ServerByeReason::kStopping;
        Finish(1, ServerByeText(reason));
      }
    } else {
      fault = "a message out of place";
    }
    if (!fault.empty()) {
      AppendBye(ByeReason::kProtocol, output);
      Finish(1, "the host sent " + fault);
    }
  }

  void ReadKeys(std::uint32_t now) {
    while (!done && device.HasInput()) {
      InputRecord record{};
      device.ReadInput(record);
      if (!IsKeyEvent(record)) {
        continue;
      }
      const std::uint16_t code = KeyCode(record);
      if (code == vk::kEscape && IsKeyDown(record)) {
        AppendBye(ByeReason::kLeft, output);
        Finish(0, "");
      } else if (settings.role == Role::kGuest && IsGuestKey(code)) {
        AppendKey(KeyEvent{code, IsKeyDown(record)}, output);
        lastQueued = now;
      }
    }
    if (!done && device.QuitRequested()) {
      AppendBye(ByeReason::kLeft, output);
      Finish(0, "");
    }
  }

  void CheckTimes(std::uint32_t now) {
    if (now - lastHeard > settings.silenceMs) {
      // This pass's wait may have ended before anything came (a signal, as
      // when this guest was stopped and continued): what the host sent
      // meanwhile, a goodbye that says why, is read before silence is blamed.
      ReadFromHost(now);
    }
    if (!done && now - lastHeard > settings.silenceMs) {
      Finish(1, "the host stopped answering");
    }
    if (!done && now - lastQueued >= settings.heartbeatMs) {
      AppendHeartbeat(output);
      lastQueued = now;
    }
  }

  void Flush() {
    switch (SendQueued(socket.Get(), output, outputSent, kMaxUnsentBytes)) {
      case Flushed::kClosed: Finish(1, "the host closed the connection"); break;
      case Flushed::kBacklogged: Finish(1, "the host stopped reading"); break;
      case Flushed::kAsFarAsTaken: break;
    }
  }

  static constexpr std::size_t kMaxUnsentBytes = 65536;

  Socket socket;
  ConsoleDevice& device;
  const JoinSettings& settings;
  CellGrid grid{};
  int textFrom = kRows;  // where the host's lines of text begin
  MessageReader reader;
  std::vector<std::uint8_t> output;
  std::size_t outputSent = 0;
  std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(kReadBytes);
  std::uint32_t lastHeard;
  std::uint32_t lastQueued;
  JoinOutcome outcome;
  bool done = false;
};

}  // namespace

JoinOutcome RunGuest(Socket socket, ConsoleDevice& device, const JoinSettings& settings,
                     const std::function<std::uint32_t()>& clock, int passMs) {
  GuestSession session(std::move(socket), device, settings, clock());
  return session.Run(clock, passMs);
}

}  // namespace torvelkan::net
