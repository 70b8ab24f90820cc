// The arena's ssh front door for a test: a real sshd and a user of its own.
#include "e2e/ssh_front_door.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <spawn.h>
#include <stdlib.h>  // NOLINT(modernize-deprecated-headers): mkdtemp is POSIX's
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>
#include <vector>

#include "e2e/tmux_session.h"

extern char** environ;  // NOLINT(readability-redundant-declaration): POSIX leaves it undeclared

namespace torvelkan::e2e {

namespace {

constexpr const char* kSshd = "/usr/sbin/sshd";

std::string Read(const std::string& path) {
  std::ifstream in(path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

int Run(const std::string& command) {
  int status = 0;
  TmuxSession::Host(command + " >/dev/null 2>&1", &status);
  return status;
}

// A port no one listens on now (a small race with other programs remains).
int FreePort() {
  const int probe = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  int port = 0;
  if (bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  close(probe);
  return port;
}

bool Listening(int port) {
  const int probe = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  const bool open = connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(probe);
  return open;
}

// The shipped block, its user and forced command the test's own.
std::string FrontDoorBlock(const std::string& user, const std::string& command) {
  std::istringstream shipped(Read(SourceDir() + "/dist/torvelkan-sshd.conf"));
  std::string block;
  for (std::string line; std::getline(shipped, line);) {
    if (line.starts_with("Match User ")) {
      line = "Match User " + user;
    } else if (line.find("ForceCommand ") != std::string::npos) {
      line = "    ForceCommand " + command;
    }
    block += line + "\n";
  }
  return block;
}

}  // namespace

std::string SshFrontDoor::WhyNot() {
  if (geteuid() != 0) {
    return "the ssh front door's test makes a user and runs sshd: it needs root";
  }
  if (access(kSshd, X_OK) != 0 || Run("command -v ssh ssh-keygen useradd userdel") != 0) {
    return "the ssh front door's test needs sshd and ssh (openssh-server, openssh-client)";
  }
  return {};
}

SshFrontDoor::SshFrontDoor(const std::string& gameArguments) {
  std::string name = "/tmp/torvelkan-e2e-sshd-XXXXXX";
  if (mkdtemp(name.data()) == nullptr) {
    ADD_FAILURE() << "no folder for sshd";
    return;
  }
  folder = name;
  chmod(folder.c_str(), 0755);  // the user reads its authorized keys here
  std::random_device random;
  user = "tvkplay" + std::to_string(random() % 1000000);
  if (mkdir("/run/sshd", 0755) == 0) {
    madeRunFolder = true;  // sshd's own, for its privilege separation
  }
  const std::string keys = ShellQuote(folder);
  if (Run("ssh-keygen -q -t ed25519 -N '' -f " + keys + "/host_key") != 0 ||
      Run("ssh-keygen -q -t ed25519 -N '' -f " + keys + "/player_key") != 0 ||
      Run("cp " + keys + "/player_key.pub " + keys + "/authorized_keys && chmod 644 " + keys +
          "/authorized_keys") != 0) {
    ADD_FAILURE() << "ssh-keygen failed";
    return;
  }
  const std::string game = folder + "/torvelkan";
  if (Run("cp " + ShellQuote(GameBinary()) + " " + ShellQuote(game) + " && chmod 755 " +
          ShellQuote(game)) != 0) {
    ADD_FAILURE() << "cannot copy the game for the test's user";
    return;
  }
  const std::string command = ShellQuote(game) + " " + gameArguments;
  // A shell, as the front door's account has (the forced command runs
  // through it); no password, but not locked.
  if (Run("useradd --no-create-home --home-dir / --shell /bin/sh " + user) != 0) {
    ADD_FAILURE() << "useradd failed";
    user.clear();
    return;
  }
  Run("usermod -p '*' " + user);
  port = FreePort();
  std::ofstream config(folder + "/sshd_config");
  config << "Port " << port << "\nListenAddress 127.0.0.1\nHostKey " << folder
         << "/host_key\nPidFile " << folder << "/sshd.pid\nAuthorizedKeysFile " << folder
         << "/authorized_keys\n"
            "StrictModes no\nUsePAM no\nKbdInteractiveAuthentication no\n"
            "PermitRootLogin no\nAllowUsers "
         << user << "\nLogLevel ERROR\n\n"
         << FrontDoorBlock(user, command);
  config.close();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const std::string log = folder + "/sshd.log";
  posix_spawn_file_actions_addopen(&actions, 2, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  std::string program = kSshd;
  std::string stay = "-D";
  std::string toLog = "-e";
  std::string file = "-f";
  std::string path = folder + "/sshd_config";
  std::vector<char*> arguments = {program.data(), stay.data(), toLog.data(),
                                  file.data(),    path.data(), nullptr};
  if (posix_spawn(&pid, kSshd, &actions, nullptr, arguments.data(), environ) != 0) {
    pid = -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (pid > 0 && !Listening(port) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_TRUE(Ready() && Listening(port)) << "sshd did not start:\n" << Log();
}

SshFrontDoor::~SshFrontDoor() {
  if (pid > 0) {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
  }
  if (!user.empty()) {
    EXPECT_EQ(Run("userdel " + user), 0) << "the test's user " << user << " is left behind";
  }
  if (!folder.empty()) {
    for (const char* file :
         {"host_key", "host_key.pub", "player_key", "player_key.pub", "authorized_keys",
          "sshd_config", "sshd.log", "sshd.pid", "torvelkan"}) {
      unlink((folder + "/" + file).c_str());
    }
    rmdir(folder.c_str());
  }
  if (madeRunFolder) {
    rmdir("/run/sshd");
  }
}

std::string SshFrontDoor::Login() const {
  return "ssh -F /dev/null -tt -e none -p " + std::to_string(port) + " -i " +
         ShellQuote(folder + "/player_key") +
         " -o StrictHostKeyChecking=no -o UserKnownHostsFile=/dev/null -o LogLevel=ERROR"
         " -o BatchMode=yes " +
         user + "@127.0.0.1";
}

std::string SshFrontDoor::Log() const { return Read(folder + "/sshd.log"); }

}  // namespace torvelkan::e2e
