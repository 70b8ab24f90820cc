// A web server's Asio side, run from its program's own loop: one io_context,
// its listening socket accepting connection after connection, and handlers
// run a bounded number at a time. Inside the web servers alone (this header
// brings Asio).
#pragma once

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/steady_timer.hpp>
#include <cstdint>
#include <functional>
#include <string>

#include "web/web_listener.h"

namespace torvelkan::web {

class ServerLoop {
 public:
  // Given each connection accepted, its socket tuned, with its peer's address;
  // the server decides whether it stays.
  using Arrived = std::function<void(Tcp::socket socket, std::string address)>;

  explicit ServerLoop(Arrived arrivedHere);
  ServerLoop(const ServerLoop&) = delete;
  ServerLoop& operator=(const ServerLoop&) = delete;
  ~ServerLoop() = default;

  // See ListenOn; accepting starts with Accept.
  bool Listen(const std::string& address, std::uint16_t port);
  // Waits for the next connection, and after each for the one after.
  void Accept();
  // Accepts nothing more.
  void StopAccepting();

  std::uint16_t Port() const;
  // Whether a connection is awaited, and on which socket, for a loop that
  // polls the sockets itself.
  bool Accepting() const { return accepting; }
  Tcp::acceptor::native_handle_type ListeningSocket() { return acceptor.native_handle(); }

  // Runs at most handlers of those ready, and returns at once.
  void Run(int handlers);
  boost::asio::io_context& Io() { return io; }

 private:
  boost::asio::io_context io{1};
  boost::asio::executor_work_guard<boost::asio::io_context::executor_type> work =
      boost::asio::make_work_guard(io);
  Tcp::acceptor acceptor{io};
  boost::asio::steady_timer retry{io};
  Arrived arrived;
  bool accepting = false;
};

}  // namespace torvelkan::web
