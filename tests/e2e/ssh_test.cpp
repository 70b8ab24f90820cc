// The arena's ssh front door: a real sshd on loopback with the shipped
// block, two players who come in with `ssh -tt` and fight, and a terminal
// that reports key releases (the kitty protocol) whose releases still arrive
// exactly through ssh. Run as root only: it makes a user of its own.
#include <gtest/gtest.h>
#include <stdlib.h>  // NOLINT(modernize-deprecated-headers): setenv is POSIX's
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "arena/arena_server.h"
#include "arena/server_log.h"
#include "e2e/arena_players.h"
#include "e2e/arena_process.h"
#include "e2e/arena_view.h"
#include "e2e/player_terminal.h"
#include "e2e/ssh_front_door.h"
#include "e2e/tmux_session.h"
#include "support/fake_terminal.h"

namespace torvelkan::e2e {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using SteadyClock = std::chrono::steady_clock;

std::string Online(int port) { return "--online 127.0.0.1:" + std::to_string(port); }

TEST(SshFrontDoor, TwoPlayersComeInWithSshAndFight) {
  if (const std::string why = SshFrontDoor::WhyNot(); !why.empty()) {
    GTEST_SKIP() << why;
  }
  ArenaProcess server;
  const SshFrontDoor door(Online(server.Port()));
  ASSERT_TRUE(door.Ready()) << door.Log();
  Player red;
  Player blue;
  ASSERT_NO_FATAL_FAILURE(EnterLobby(red, door.Login())) << door.Log();
  std::string code;
  ASSERT_NO_FATAL_FAILURE(StartRoom(red, code));
  ASSERT_NO_FATAL_FAILURE(EnterLobby(blue, door.Login()));
  ASSERT_NO_FATAL_FAILURE(JoinByCode(blue, code));
  Screen screen;
  for (const Player* player : {&red, &blue}) {
    ASSERT_TRUE(player->tmux.WaitFor(Fighting, seconds(10), &screen, true)) << screen.Dump();
  }
  Walk(red, "Left", kRedBody, -1, {&red, &blue});
  Walk(blue, "a", kBlueBody, -1, {&red, &blue});
  // Esc back to the lobby and Esc out: the ssh session ends as the game does.
  blue.tmux.Keys({"Escape"});
  ASSERT_TRUE(blue.tmux.WaitFor(InLobby, seconds(10), &screen)) << screen.Dump();
  blue.tmux.Keys({"Escape"});
  blue.ExpectBack(0, "");
  EXPECT_EQ(server.Stop(), 0);
  red.ExpectBack(1, "the server is stopping");
}

// ssh -tt on a pseudo-terminal the test plays the part of: a terminal that
// answers the game's questions as a kitty-protocol terminal does.
class SshOnTerminal {
 public:
  SshOnTerminal(testing::FakeTerminal& terminal, const std::string& login) : child(fork()) {
    if (child == 0) {
      setsid();
      ioctl(terminal.slave, TIOCSCTTY, 0);
      dup2(terminal.slave, 0);
      dup2(terminal.slave, 1);
      dup2(terminal.slave, 2);
      setenv("TERM", "xterm-256color", 1);
      execl("/bin/sh", "sh", "-c", ("exec " + login).c_str(), nullptr);
      _exit(127);
    }
  }
  ~SshOnTerminal() {
    if (child > 0 && waitpid(child, nullptr, WNOHANG) == 0) {
      kill(child, SIGKILL);
      waitpid(child, nullptr, 0);
    }
  }
  SshOnTerminal(const SshOnTerminal&) = delete;
  SshOnTerminal& operator=(const SshOnTerminal&) = delete;

  // Its exit status once it has ended, -1 while it runs.
  int Ended() {
    int status = 0;
    if (child > 0 && waitpid(child, &status, WNOHANG) == child) {
      child = -1;
      ended = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
    }
    return ended;
  }

 private:
  pid_t child = -1;
  int ended = -1;
};

TEST(SshFrontDoor, AKittyTerminalsReleasesArriveExactlyThroughSsh) {
  if (const std::string why = SshFrontDoor::WhyNot(); !why.empty()) {
    GTEST_SKIP() << why;
  }
  // The server runs here, turned by this thread, so the room's fighters can
  // be looked at between turns.
  arena::ArenaSettings settings;
  settings.address = "127.0.0.1";
  settings.port = 0;
  std::vector<std::string> lines;
  arena::ServerLog log([&lines](const std::string& line) { lines.push_back(line); }, 1000);
  arena::ArenaServer server(settings, log);
  const SshFrontDoor door(Online(server.Port()));
  ASSERT_TRUE(door.Ready()) << door.Log();
  testing::FakeTerminal terminal;
  testing::Responder responder(terminal, {});
  SshOnTerminal ssh(terminal, door.Login());
  const auto turnUntil = [&](const std::function<bool()>& ready, milliseconds timeout) {
    const auto deadline = SteadyClock::now() + timeout;
    while (SteadyClock::now() < deadline) {
      server.Turn(2);
      if (ready()) {
        return true;
      }
    }
    return false;
  };
  const auto logged = [&lines](const std::string& text) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
      return line.find(text) != std::string::npos;
    });
  };
  const auto red = [&server]() -> Fighter* {
    const auto& rooms = server.Rooms().Rooms();
    if (rooms.empty() || rooms[0]->Game() == nullptr) {
      return nullptr;
    }
    Match* match = rooms[0]->Game()->CurrentMatch();
    return match != nullptr && match->CountdownOver() ? &match->Red() : nullptr;
  };
  ASSERT_TRUE(turnUntil([&] { return logged("in the lobby"); }, seconds(15))) << door.Log();
  // Through ssh the game found a terminal that reports releases and asked
  // for them.
  EXPECT_TRUE(turnUntil([&] { return responder.Count("\x1b[>15u") > 0; }, seconds(3)));
  terminal.Type("\r");  // Start a room
  ASSERT_TRUE(turnUntil([&] { return red() != nullptr; }, seconds(10)));

  terminal.Type("\x1b[1;1:1D");  // Left down
  ASSERT_TRUE(turnUntil([&] { return red()->left; }, seconds(3)));
  // Held for a second and a half with no repeats: nothing guesses a release.
  EXPECT_FALSE(turnUntil([&] { return !red()->left; }, milliseconds(1500)));
  terminal.Type("\x1b[1;1:3D");  // Left up
  const auto released = SteadyClock::now();
  ASSERT_TRUE(turnUntil([&] { return !red()->left; }, seconds(3)));
  EXPECT_LT(SteadyClock::now() - released, milliseconds(300)) << "the release came as sent";

  terminal.Type("\x1b[27u");  // Esc: back to the lobby
  ASSERT_TRUE(turnUntil([&] { return server.Rooms().Rooms().empty(); }, seconds(5)));
  ASSERT_TRUE(turnUntil([&] { return logged("in the lobby") && lines.size() > 3; }, seconds(5)));
  terminal.Type("\x1b[27u");  // Esc again: out, and the ssh session with it
  EXPECT_TRUE(turnUntil([&] { return ssh.Ended() >= 0; }, seconds(10)));
  EXPECT_EQ(ssh.Ended(), 0);
}

}  // namespace
}  // namespace torvelkan::e2e
