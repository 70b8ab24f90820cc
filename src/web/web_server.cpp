// The game's web server: the listener, the quit signals and the shared state,
// run from the game's own loop.
#include "web/web_server.h"

#include <algorithm>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <csignal>

#include "common/monotonic_clock.h"
#include "net/grid_diff.h"
#include "web/web_listener.h"
#include "web/web_sessions.h"

namespace torvelkan::web {

namespace asio = boost::asio;

namespace {

// Handlers run by one Poll: a flood of messages cannot hold the game's pass up.
constexpr int kHandlersPerPoll = 64;
constexpr std::chrono::milliseconds kAcceptRetry{100};

}  // namespace

struct WebServer::Impl {
  // Declared first, so that it outlives the connections the io_context ends.
  SharedState shared;
  asio::io_context io{1};
  asio::executor_work_guard<asio::io_context::executor_type> work = asio::make_work_guard(io);
  Tcp::acceptor acceptor{io};
  asio::signal_set signals{io, SIGINT, SIGTERM};
  asio::steady_timer retry{io};
  int quitSignal = 0;

  Impl(WebSettings settings, Clock clock) : shared(std::move(settings), std::move(clock)) {}

  void Listen();
  void Accept();
  void Run(int handlers);
  void Prune();
};

void WebServer::Impl::Listen() {
  shared.served.loopbackOnly = ListenOn(acceptor, shared.settings.address, shared.settings.port);
  shared.served.port = acceptor.local_endpoint().port();
}

void WebServer::Impl::Accept() {
  acceptor.async_accept([this](boost::system::error_code error, Tcp::socket socket) {
    if (error == asio::error::operation_aborted) {
      return;  // the server is closing
    }
    if (error) {
      // Out of descriptors, say: look again a little later, not at once.
      retry.expires_after(kAcceptRetry);
      retry.async_wait([this](boost::system::error_code waited) {
        if (!waited) {
          Accept();
        }
      });
      return;
    }
    TuneAccepted(socket);
    std::string address = PeerAddress(socket);
    Prune();
    if (shared.tally.Total() >= shared.settings.maxConnections) {
      shared.MakeRoom();
    }
    ConnectionTally::Ticket ticket = shared.tally.Count(address);
    auto page = std::make_shared<HttpSession>(std::move(socket), std::move(address),
                                              std::move(ticket), shared.gate);
    shared.pages.push_back(page);
    page->Start();
    Accept();
  });
}

void WebServer::Impl::Run(int handlers) {
  for (int i = 0; i < handlers && io.poll_one() > 0; ++i) {
  }
}

void WebServer::Impl::Prune() {
  std::erase_if(shared.pages, [](const auto& weak) { return weak.expired(); });
  std::erase_if(shared.sockets, [](const auto& weak) { return weak.expired(); });
}

WebServer::WebServer(WebSettings settings, Clock clock)
    : impl(std::make_unique<Impl>(std::move(settings), std::move(clock))) {
  impl->Listen();
  impl->signals.async_wait([this](boost::system::error_code error, int signal) {
    if (!error) {
      impl->quitSignal = signal;
    }
  });
  impl->Accept();
}

WebServer::~WebServer() {
  boost::system::error_code ignored;
  impl->acceptor.close(ignored);
  impl->signals.cancel(ignored);
  for (const auto& weak : impl->shared.sockets) {
    if (const auto socket = weak.lock()) {
      socket->Drop();
    }
  }
  for (const auto& weak : impl->shared.pages) {
    if (const auto page = weak.lock()) {
      page->Drop();
    }
  }
}

std::uint16_t WebServer::Port() const { return impl->shared.served.port; }

bool WebServer::LoopbackOnly() const { return impl->shared.served.loopbackOnly; }

BrowserRoom& WebServer::Room() { return impl->shared.room; }

int WebServer::QuitSignal() const { return impl->quitSignal; }

void WebServer::Poll() {
  impl->Run(kHandlersPerPoll);
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
    impl->io.run_one_for(std::chrono::microseconds(wait));
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
  boost::system::error_code ignored;
  impl->acceptor.close(ignored);
  for (const auto& weak : impl->shared.sockets) {
    if (const auto socket = weak.lock()) {
      socket->Close(net::ByeReason::kGameOver, "the game ended");
    }
  }
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  for (;;) {
    impl->Prune();
    const bool anyLeft =
        std::any_of(impl->shared.sockets.begin(), impl->shared.sockets.end(), [](const auto& weak) {
          const auto socket = weak.lock();
          return socket && !socket->Over();
        });
    if (!anyLeft || std::chrono::steady_clock::now() >= until) {
      break;
    }
    impl->io.run_one_until(until);
  }
}

}  // namespace torvelkan::web
