// The guest's and the spectator's side: the host's grid drawn on this
// machine's own console device, and this keyboard's keys sent back.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "console/console_device.h"
#include "net/messages.h"
#include "net/socket.h"

namespace torvelkan::net {

struct JoinSettings {
  std::string host;
  std::uint16_t port = 0;
  std::string code;
  Role role = Role::kGuest;
  std::uint32_t connectMs = 5000;  // to reach the host and hear its answer
  std::uint32_t silenceMs = 3000;  // a host heard from no longer is gone
  std::uint32_t heartbeatMs = 500;
};

// How a session ended: the status for the program and one line for the player
// (empty when the player left with Esc).
struct JoinOutcome {
  int status = 0;
  std::string message;
  bool serverStopping = false;  // an arena server said it is stopping
};

// Judges the one message that answers a greeting, by its type and payload:
// an empty string for a welcome, otherwise what to tell the player.
using AnswerJudge =
    std::function<std::string(std::uint8_t type, std::span<const std::uint8_t> payload)>;

// Connects within connectMs, sends greeting and reads the message that
// answers it to its last byte and no further, so what follows stays in the
// socket for the session. The socket, non-blocking, if judge welcomed the
// answer; otherwise none, and what to tell the player in error.
Socket ConnectAndGreet(const std::string& host, std::uint16_t port, std::uint32_t connectMs,
                       std::vector<std::uint8_t> greeting, const AnswerJudge& judge,
                       std::string& error);

// Connects and greets the host before any console is touched, so a refusal
// reads as a plain line. On success the socket is returned, non-blocking;
// otherwise none, and what to tell the player in error.
Socket ConnectToHost(const JoinSettings& settings, std::string& error);

// Runs the session on device until Esc, the host's goodbye, silence or a
// fault, then closes the socket. The clock gives milliseconds; a pass lasts
// at most passMs.
JoinOutcome RunGuest(Socket socket, ConsoleDevice& device, const JoinSettings& settings,
                     const std::function<std::uint32_t()>& clock, int passMs = 2);

}  // namespace torvelkan::net
