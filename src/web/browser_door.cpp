// The arena server's door for browsers: the listener and the loop's side.
#include "web/browser_door.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "web/door_sessions.h"
#include "web/server_loop.h"
#include "web/session_list.h"

namespace torvelkan::web {

namespace {

// Handlers run by one Serve: every browser's frame of a turn and more, but a
// flood cannot keep the arena's rooms waiting.
constexpr int kHandlersPerServe = 4096;

}  // namespace

struct BrowserDoor::Impl {
  // Declared first, so that it outlives the connections the io_context ends.
  DoorState state;
  ServerLoop loop{[this](Tcp::socket socket, std::string address) {
    Prune();
    if (state.Admit(address)) {
      StartPage(std::move(socket), std::move(address), state.tally, state.gate, state.pages);
    }
  }};

  Impl(DoorSettings settings, Clock clock) : state(std::move(settings), std::move(clock)) {}

  void Run() { loop.Run(kHandlersPerServe); }
  void Prune() {
    ForgetEnded(state.pages);
    ForgetEnded(state.sockets);
  }
};

BrowserDoor::BrowserDoor(DoorSettings settings, Clock clock)
    : impl(std::make_unique<Impl>(std::move(settings), std::move(clock))) {
  impl->loop.Listen(impl->state.settings.address, impl->state.settings.port);
  impl->loop.Accept();
}

BrowserDoor::~BrowserDoor() {
  impl->loop.StopAccepting();
  DropAll(impl->state.sockets);
  DropAll(impl->state.pages);
}

std::uint16_t BrowserDoor::Port() const { return impl->loop.Port(); }

void BrowserDoor::AddWaits(std::vector<net::PollEntry>& waits) const {
  if (impl->loop.Accepting()) {
    net::PollEntry listener;
    listener.socket = impl->loop.ListeningSocket();
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
  impl->loop.StopAccepting();
  DropAll(impl->state.pages);
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  for (;;) {
    Serve();
    if (!AnyOpen(impl->state.sockets) || std::chrono::steady_clock::now() >= until) {
      break;
    }
    impl->loop.Io().run_one_until(
        std::min(until, std::chrono::steady_clock::now() + std::chrono::milliseconds(10)));
  }
  DropAll(impl->state.sockets);
  impl->Run();
}

}  // namespace torvelkan::web
