// An arena server started by a test.
#include "e2e/arena_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <stdlib.h>  // NOLINT(modernize-deprecated-headers): mkstemp is POSIX's
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

#include "e2e/tmux_session.h"

extern char** environ;  // NOLINT(readability-redundant-declaration): POSIX leaves it undeclared

namespace torvelkan::e2e {

ArenaProcess::ArenaProcess(const std::vector<std::string>& options) {
  std::string name = "/tmp/torvelkan-e2e-arena-log-XXXXXX";
  const int fd = mkstemp(name.data());
  if (fd < 0) {
    ADD_FAILURE() << "no file for the server's log";
    return;
  }
  close(fd);
  logPath = name;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, logPath.c_str(), O_WRONLY | O_TRUNC, 0);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  std::string binary = GameBinary();
  std::string serve = "--serve";
  std::string where = "127.0.0.1:0";
  std::vector<std::string> more = options;
  std::vector<char*> arguments = {binary.data(), serve.data(), where.data()};
  for (std::string& option : more) {
    arguments.push_back(option.data());
  }
  arguments.push_back(nullptr);
  if (posix_spawn(&pid, binary.c_str(), &actions, nullptr, arguments.data(), environ) != 0) {
    pid = -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  if (pid <= 0) {
    ADD_FAILURE() << "the server did not start";
    return;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  const bool door = std::find(options.begin(), options.end(), "--web") != options.end();
  while ((port == 0 || (door && webPort == 0)) && std::chrono::steady_clock::now() < deadline) {
    const std::string log = Log();
    const std::size_t at = log.find(", port ");
    const std::size_t browsers = log.find("browsers: ");
    if (at != std::string::npos) {
      port = std::atoi(log.c_str() + at + 7);
    }
    if (browsers != std::string::npos && log.find(", port ", browsers) != std::string::npos) {
      webPort = std::atoi(log.c_str() + log.find(", port ", browsers) + 7);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_GT(port, 0) << "the server never said where it listens:\n" << Log();
  EXPECT_TRUE(!door || webPort > 0) << "the server never said where browsers come in:\n" << Log();
}

ArenaProcess::~ArenaProcess() {
  if (pid > 0) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  if (!logPath.empty()) {
    unlink(logPath.c_str());
  }
}

std::string ArenaProcess::Log() const {
  std::ifstream in(logPath);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

int ArenaProcess::Stop() {
  if (pid <= 0) {
    return -1;
  }
  kill(pid, SIGTERM);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  pid = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace torvelkan::e2e
