// Where the web servers listen and whom they accept: the listening socket on
// an address (or every one) and a port, and each accepted socket's address
// and send buffer. Inside the web servers alone (this header brings Asio).
#pragma once

#include <boost/asio/ip/tcp.hpp>
#include <cstdint>
#include <string>

namespace torvelkan::web {

using Tcp = boost::asio::ip::tcp;

// Opens, binds and listens on address (empty: every address, IPv6 with IPv4
// where the system allows) and port (0: any free one); returns whether only
// this machine can reach it. Throws std::runtime_error with a one-line reason.
bool ListenOn(Tcp::acceptor& acceptor, const std::string& address, std::uint16_t port);

// The peer's address as text, IPv4 mapped into IPv6 written as IPv4.
std::string PeerAddress(const Tcp::socket& socket);

// Sets an accepted socket up as the game's own: no delay for small messages,
// and the host's small send buffer, so that frames a slow browser cannot take
// are skipped rather than queued in the kernel, where they would arrive late.
void TuneAccepted(Tcp::socket& socket);

}  // namespace torvelkan::web
