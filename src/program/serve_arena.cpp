// The arena server's mode: the server's loop until a signal asks it to stop.
#include "program/serve_arena.h"

#include <csignal>
#include <cstdio>
#include <string>

#include "arena/arena_server.h"
#include "arena/server_log.h"
#include "net/socket.h"
#include "program/browser_entrance.h"

namespace torvelkan {

namespace {

// The longest a turn waits: a signal's stop is seen at least this often.
constexpr int kLongestTurnMs = 100;

volatile std::sig_atomic_t stopAsked = 0;

extern "C" void AskToStop(int /*signal*/) { stopAsked = 1; }

#ifdef _WIN32
void IgnoreBrokenPipes() {}  // Windows has no SIGPIPE
#else
// A log read through a pipe that closes must not end the server: standard
// error's writes then fail quietly. (Sockets never raise it.)
void IgnoreBrokenPipes() { std::signal(SIGPIPE, SIG_IGN); }
#endif

std::string Where(const std::string& address) {
  return address.empty() ? std::string("every address") : address;
}

}  // namespace

int ServeArena(const NetworkOptions& options, const WebOptions& web) {
  const net::SocketLibrary sockets;
  arena::ArenaSettings settings;
  settings.address = options.address;
  settings.port = options.port;
  arena::ServerLog log([](const std::string& line) { std::fputs((line + "\n").c_str(), stderr); },
                       settings.logLinesPerSecond);
  arena::ArenaServer server(settings, log);
  BrowserEntrance browsers(web, settings);
  // A signal only asks; the loop stops at its next turn (a wait ends early
  // when a signal comes).
  stopAsked = 0;
  std::signal(SIGINT, AskToStop);
  std::signal(SIGTERM, AskToStop);
  IgnoreBrokenPipes();
  log.Line("listening on " + Where(options.address) + ", port " + std::to_string(server.Port()));
  if (browsers.Open()) {
    log.Line("browsers: the page and its WebSocket on " + Where(web.address) + ", port " +
             std::to_string(browsers.Port()));
  }
  while (stopAsked == 0) {
    server.Turn(kLongestTurnMs, browsers.Waits());
    browsers.Serve(server, log);
  }
  server.Stop();
  browsers.Close(log);
  return 0;
}

}  // namespace torvelkan
