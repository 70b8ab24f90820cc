// The game's web server: the listener, the quit signals and the shared state,
// run from the game's own loop.
#include "web/web_server.h"

#include <algorithm>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ip/v6_only.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <csignal>
#include <stdexcept>

#include "common/monotonic_clock.h"
#include "net/grid_diff.h"
#include "web/web_sessions.h"

namespace torvelkan::web {

namespace asio = boost::asio;

namespace {

// Handlers run by one Poll: a flood of messages cannot hold the game's pass up.
constexpr int kHandlersPerPoll = 64;
constexpr std::chrono::milliseconds kAcceptRetry{100};
constexpr int kSendBufferBytes = 32768;

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
  const WebSettings& settings = shared.settings;
  const std::string where =
      (settings.address.empty() ? std::string("every address") : settings.address) + " port " +
      std::to_string(settings.port);
  boost::system::error_code error;
  std::vector<Tcp::endpoint> endpoints;
  if (settings.address.empty()) {
    endpoints.emplace_back(Tcp::v6(), settings.port);
    endpoints.emplace_back(Tcp::v4(), settings.port);
  } else {
    Tcp::resolver resolver(io);
    const auto found =
        resolver.resolve(settings.address, std::to_string(settings.port),
                         Tcp::resolver::passive | Tcp::resolver::numeric_service, error);
    if (error) {
      throw std::runtime_error("cannot listen on " + where + ": " + error.message());
    }
    for (const auto& entry : found) {
      endpoints.push_back(entry.endpoint());
    }
  }
  for (const Tcp::endpoint& endpoint : endpoints) {
    acceptor.close(error);
    acceptor.open(endpoint.protocol(), error);
    if (error) {
      continue;
    }
    acceptor.set_option(asio::socket_base::reuse_address(true), error);
    if (endpoint.address().is_v6() && endpoint.address().is_unspecified()) {
      acceptor.set_option(asio::ip::v6_only(false), error);  // IPv4 too, where allowed
    }
    acceptor.bind(endpoint, error);
    if (!error) {
      acceptor.listen(asio::socket_base::max_listen_connections, error);
    }
    if (!error) {
      shared.served.port = acceptor.local_endpoint().port();
      shared.served.loopbackOnly = endpoint.address().is_loopback();
      return;
    }
  }
  throw std::runtime_error("cannot listen on " + where + ": " +
                           (error ? error.message() : std::string("no such address")));
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
    boost::system::error_code ignored;
    socket.set_option(Tcp::no_delay(true), ignored);
    // As for the host's guests: frames a slow browser cannot take are
    // skipped, not queued in the kernel where they would only arrive late.
    socket.set_option(asio::socket_base::send_buffer_size(kSendBufferBytes), ignored);
    const auto peer = socket.remote_endpoint(ignored);
    const asio::ip::address address =
        peer.address().is_v6() && peer.address().to_v6().is_v4_mapped()
            ? asio::ip::address(
                  asio::ip::make_address_v4(asio::ip::v4_mapped, peer.address().to_v6()))
            : peer.address();
    Prune();
    if (shared.open >= shared.settings.maxConnections) {
      shared.MakeRoom();
    }
    auto page = std::make_shared<HttpSession>(std::move(socket), address.to_string(), shared);
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
