// A web server's Asio side: accepting, and its handlers run a few at a time.
#include "web/server_loop.h"

#include <chrono>
#include <utility>

namespace torvelkan::web {

namespace asio = boost::asio;

namespace {

constexpr std::chrono::milliseconds kAcceptRetry{100};

}  // namespace

ServerLoop::ServerLoop(Arrived arrivedHere) : arrived(std::move(arrivedHere)) {}

bool ServerLoop::Listen(const std::string& address, std::uint16_t port) {
  return ListenOn(acceptor, address, port);
}

void ServerLoop::Accept() {
  accepting = true;
  acceptor.async_accept([this](boost::system::error_code error, Tcp::socket socket) {
    accepting = false;
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
    arrived(std::move(socket), std::move(address));
    Accept();
  });
}

void ServerLoop::StopAccepting() {
  boost::system::error_code ignored;
  acceptor.close(ignored);
}

std::uint16_t ServerLoop::Port() const {
  boost::system::error_code ignored;
  return acceptor.local_endpoint(ignored).port();
}

void ServerLoop::Run(int handlers) {
  for (int i = 0; i < handlers && io.poll_one() > 0; ++i) {
  }
}

}  // namespace torvelkan::web
