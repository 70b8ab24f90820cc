// The game's web server: the listener, the quit signals and the shared state,
// run from the game's own loop.
#include "web/web_server.h"

#include <boost/asio/signal_set.hpp>
#include <chrono>
#include <csignal>

#include "common/monotonic_clock.h"
#include "net/grid_diff.h"
#include "web/server_loop.h"
#include "web/session_list.h"
#include "web/web_sessions.h"

namespace torvelkan::web {

namespace {

// Handlers run by one Poll: a flood of messages cannot hold the game's pass up.
constexpr int kHandlersPerPoll = 64;

}  // namespace

struct WebServer::Impl {
  // Declared first, so that it outlives the connections the io_context ends.
  SharedState shared;
  ServerLoop loop{[this](Tcp::socket socket, std::string address) {
    Prune();
    if (shared.tally.Total() >= shared.settings.maxConnections) {
      shared.MakeRoom();
    }
    StartPage(std::move(socket), std::move(address), shared.tally, shared.gate, shared.pages);
  }};
  boost::asio::signal_set signals{loop.Io(), SIGINT, SIGTERM};
  int quitSignal = 0;

  Impl(WebSettings settings, Clock clock) : shared(std::move(settings), std::move(clock)) {}

  void Listen() {
    shared.served.loopbackOnly = loop.Listen(shared.settings.address, shared.settings.port);
    shared.served.port = loop.Port();
  }
  void Prune() {
    ForgetEnded(shared.pages);
    ForgetEnded(shared.sockets);
  }
};

WebServer::WebServer(WebSettings settings, Clock clock)
    : impl(std::make_unique<Impl>(std::move(settings), std::move(clock))) {
  impl->Listen();
  impl->signals.async_wait([this](boost::system::error_code error, int signal) {
    if (!error) {
      impl->quitSignal = signal;
    }
  });
  impl->loop.Accept();
}

WebServer::~WebServer() {
  impl->loop.StopAccepting();
  boost::system::error_code ignored;
  impl->signals.cancel(ignored);
  DropAll(impl->shared.sockets);
  DropAll(impl->shared.pages);
}

std::uint16_t WebServer::Port() const { return impl->shared.served.port; }

bool WebServer::LoopbackOnly() const { return impl->shared.served.loopbackOnly; }

BrowserRoom& WebServer::Room() { return impl->shared.room; }

int WebServer::QuitSignal() const { return impl->quitSignal; }

void WebServer::Poll() {
  impl->loop.Run(kHandlersPerPoll);
  impl->Prune();
  for (const auto& weak : impl->shared.sockets) {
    if (const auto socket = weak.lock()) {
      socket->Check();
    }
  }
}

void WebServer::WaitUntil(std::int64_t deadlineUs) {
  const std::int64_t wait = deadlineUs - MonotonicMicroseconds();
  if (wait > 0) {
    impl->loop.Io().run_one_for(std::chrono::microseconds(wait));
  }
  Poll();
}

void WebServer::Broadcast(const CellGrid& cells) {
  bool haveWire = false;
  CellGrid wire;
  for (const auto& weak : impl->shared.sockets) {
    const auto socket = weak.lock();
    if (!socket || !socket->Joined()) {
      continue;
    }
    if (!haveWire) {
      wire = net::WireGrid(cells);
      haveWire = true;
    }
    socket->Frame(wire);
  }
}

void WebServer::Farewell(std::uint32_t limitMs) {
  impl->loop.StopAccepting();
  for (const auto& weak : impl->shared.sockets) {
    if (const auto socket = weak.lock()) {
      socket->Close(net::ByeReason::kGameOver, "the game ended");
    }
  }
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  for (;;) {
    impl->Prune();
    if (!AnyOpen(impl->shared.sockets) || std::chrono::steady_clock::now() >= until) {
      break;
    }
    impl->loop.Io().run_one_until(until);
  }
}

}  // namespace torvelkan::web
