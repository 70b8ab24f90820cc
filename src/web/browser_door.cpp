// The arena server's door for browsers: the listener and the loop's side.
#include "web/browser_door.h"

#include <algorithm>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <utility>

#include "web/door_sessions.h"
#include "web/web_listener.h"

namespace torvelkan::web {

namespace asio = boost::asio;

namespace {

// Handlers run by one Serve: every browser's frame of a turn and more, but a
// flood cannot keep the arena's rooms waiting.
constexpr int kHandlersPerServe = 4096;
constexpr std::chrono::milliseconds kAcceptRetry{100};

}  // namespace

struct BrowserDoor::Impl {
  // Declared first, so that it outlives the connections the io_context ends.
  DoorState state;
  asio::io_context io{1};
  asio::executor_work_guard<asio::io_context::executor_type> work = asio::make_work_guard(io);
  Tcp::acceptor acceptor{io};
  asio::steady_timer retry{io};
  bool accepting = false;

  Impl(DoorSettings settings, Clock clock) : state(std::move(settings), std::move(clock)) {}

  void Accept();
  void Run();
  void Prune();
};

void BrowserDoor::Impl::Accept() {
  accepting = true;
  acceptor.async_accept([this](boost::system::error_code error, Tcp::socket socket) {
    accepting = false;
    if (error == asio::error::operation_aborted) {
      return;  // the door is closing
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
    if (state.Admit(address)) {
      ConnectionTally::Ticket ticket = state.tally.Count(address);
      auto page = std::make_shared<HttpSession>(std::move(socket), std::move(address),
                                                std::move(ticket), state.gate);
      state.pages.push_back(page);
      page->Start();
    }
    Accept();
  });
}

void BrowserDoor::Impl::Run() {
  for (int i = 0; i < kHandlersPerServe && io.poll_one() > 0; ++i) {
  }
}

void BrowserDoor::Impl::Prune() {
  std::erase_if(state.pages, [](const auto& weak) { return weak.expired(); });
  std::erase_if(state.sockets, [](const auto& weak) { return weak.expired(); });
}

BrowserDoor::BrowserDoor(DoorSettings settings, Clock clock)
    : impl(std::make_unique<Impl>(std::move(settings), std::move(clock))) {
  ListenOn(impl->acceptor, impl->state.settings.address, impl->state.settings.port);
  impl->Accept();
}

BrowserDoor::~BrowserDoor() {
  boost::system::error_code ignored;
  impl->acceptor.close(ignored);
  for (const auto& weak : impl->state.sockets) {
    if (const auto socket = weak.lock()) {
      socket->Drop();
    }
  }
  for (const auto& weak : impl->state.pages) {
    if (const auto page = weak.lock()) {
      page->Drop();
    }
  }
}

std::uint16_t BrowserDoor::Port() const {
  boost::system::error_code ignored;
  return impl->acceptor.local_endpoint(ignored).port();
}

void BrowserDoor::AddWaits(std::vector<net::PollEntry>& waits) const {
  if (impl->accepting) {
    net::PollEntry listener;
    listener.socket = impl->acceptor.native_handle();
    waits.push_back(listener);
  }
  for (const auto& weak : impl->state.pages) {
    if (const auto page = weak.lock(); page && !page->Over()) {
      waits.push_back(page->Wait());
    }
  }
  for (const auto& weak : impl->state.sockets) {
    if (const auto socket = weak.lock(); socket && !socket->Over()) {
      waits.push_back(socket->Wait());
    }
  }
}

void BrowserDoor::Serve() {
  impl->Run();
  impl->Prune();
  for (const auto& weak : impl->state.sockets) {
    if (const auto socket = weak.lock()) {
      socket->Serve();
    }
  }
  // What the sessions just started (a write taken at once by the kernel)
  // finishes here rather than a turn later.
  impl->Run();
}

std::vector<BrowserDoor::Arrival> BrowserDoor::TakeArrivals() {
  return std::exchange(impl->state.arrivals, {});
}

std::vector<std::string> BrowserDoor::TakeNotes() {
  std::vector<std::string> lines(impl->state.notes.begin(), impl->state.notes.end());
  impl->state.notes.clear();
  return lines;
}

void BrowserDoor::Close(std::uint32_t limitMs) {
  boost::system::error_code ignored;
  impl->acceptor.close(ignored);
  for (const auto& weak : impl->state.pages) {
    if (const auto page = weak.lock()) {
      page->Drop();
    }
  }
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  for (;;) {
    Serve();
    const bool anyLeft =
        std::any_of(impl->state.sockets.begin(), impl->state.sockets.end(), [](const auto& weak) {
          const auto socket = weak.lock();
          return socket && !socket->Over();
        });
    if (!anyLeft || std::chrono::steady_clock::now() >= until) {
      break;
    }
    impl->io.run_one_until(
        std::min(until, std::chrono::steady_clock::now() + std::chrono::milliseconds(10)));
  }
  for (const auto& weak : impl->state.sockets) {
    if (const auto socket = weak.lock()) {
      socket->Drop();
    }
  }
  impl->Run();
}

}  // namespace torvelkan::web
