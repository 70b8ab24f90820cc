// The game's web server: the page and its WebSocket on one port, served from
// the game's own loop, which it never holds up.
//
// Poll runs what the network has ready (a bounded number of handlers) and
// returns at once; WaitUntil is the loop's sleep, which a browser's message or
// a quit signal cuts short. Every connection is bounded: the size of a
// request's head, the size of a message, the time to send a request or to
// greet, how many connections at once; only the page's three files and its
// WebSocket are served. Boost.Beast does the HTTP and the WebSocket; it stays
// inside the server's two source files.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "console/console_types.h"
#include "web/browser_link.h"
#include "web/browser_room.h"

namespace torvelkan::web {

struct WebSettings {
  std::string address = "127.0.0.1";
  std::uint16_t port = 0;  // 0: any free one
  std::string code;
  std::size_t maxConnections = 32;  // past this the oldest unfinished one makes room
  std::size_t maxHeaderBytes = 8192;
  std::size_t maxRequestsPerConnection = 100;
  std::uint32_t requestMs = 5000;  // to send a request's head, or between two
  LinkTimes link;
};

class WebServer {
 public:
  using Clock = std::function<std::uint32_t()>;

  // Listens at once and catches SIGINT and SIGTERM; throws
  // std::runtime_error with a one-line reason.
  WebServer(WebSettings settings, Clock clock);
  ~WebServer();
  WebServer(const WebServer&) = delete;
  WebServer& operator=(const WebServer&) = delete;

  std::uint16_t Port() const;
  // Whether only this machine can reach the server.
  bool LoopbackOnly() const;

  void Poll();
  // Waits for the network or a signal, at most until deadlineUs on the
  // monotonic clock, then polls.
  void WaitUntil(std::int64_t deadlineUs);

  // Queues the grid's differences for every browser that has joined.
  void Broadcast(const CellGrid& cells);

  BrowserRoom& Room();

  // The signal that asked the game to end, or 0.
  int QuitSignal() const;

  // Says goodbye (the game is over) to every browser and gives what is
  // queued at most limitMs to leave; then closes everything.
  void Farewell(std::uint32_t limitMs);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};

}  // namespace torvelkan::web
