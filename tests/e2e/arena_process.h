// An arena server started by a test: the real program with --serve on a free
// loopback port, its log in a file of its own, stopped by a signal.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace torvelkan::e2e {

class ArenaProcess {
 public:
  // Starts the game built with the tests as a server on 127.0.0.1, any free
  // port, with these options too, and waits for its log to name the port
  // (and its browsers' door's, when it has one).
  explicit ArenaProcess(const std::vector<std::string>& options = {});
  // Stops it with SIGKILL if it still runs; removes its log.
  ~ArenaProcess();
  ArenaProcess(const ArenaProcess&) = delete;
  ArenaProcess& operator=(const ArenaProcess&) = delete;

  int Port() const { return port; }
  // The browsers' door's port (--web), 0 without one.
  int WebPort() const { return webPort; }
  std::string Endpoint() const { return "127.0.0.1:" + std::to_string(port); }
  std::string Log() const;

  // Sends SIGTERM and waits for the end: its exit status, or -1 if it was
  // ended by a signal or did not end within ten seconds.
  int Stop();

 private:
  pid_t pid = -1;
  int port = 0;
  int webPort = 0;
  std::string logPath;
};

}  // namespace torvelkan::e2e
