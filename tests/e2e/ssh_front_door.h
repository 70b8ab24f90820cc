// The arena's ssh front door for a test: a real sshd on a free loopback port
// with its own configuration (dist/torvelkan-sshd.conf's block, its user and
// command the test's own), a host key, and a user made for the test that
// logs in with a key made for it. Everything is removed afterwards, the
// user by the name it was made with.
#pragma once

#include <sys/types.h>

#include <string>

namespace torvelkan::e2e {

class SshFrontDoor {
 public:
  // Why the test cannot have one here (not root, no sshd), or empty.
  static std::string WhyNot();

  // Every login of the test's user runs the game with these arguments, as
  // the block forces. The game is copied into the door's own folder: the
  // build may lie in a folder only its owner can enter (mktemp -d makes
  // them so), where the test's user could not run it.
  explicit SshFrontDoor(const std::string& gameArguments);
  ~SshFrontDoor();
  SshFrontDoor(const SshFrontDoor&) = delete;
  SshFrontDoor& operator=(const SshFrontDoor&) = delete;

  bool Ready() const { return pid > 0 && port > 0; }
  // The command line that logs a player in with a terminal.
  std::string Login() const;
  // sshd's own words, for a failure's message.
  std::string Log() const;

 private:
  std::string folder;
  std::string user;
  int port = 0;
  pid_t pid = -1;
  bool madeRunFolder = false;
};

}  // namespace torvelkan::e2e
