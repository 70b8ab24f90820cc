// Where the web servers listen and whom they accept.
#include "web/web_listener.h"

#include <boost/asio/ip/v6_only.hpp>
#include <stdexcept>
#include <vector>

namespace torvelkan::web {

namespace asio = boost::asio;

namespace {

constexpr int kSendBufferBytes = 32768;

}  // namespace

bool ListenOn(Tcp::acceptor& acceptor, const std::string& address, std::uint16_t port) {
  const std::string where =
      (address.empty() ? std::string("every address") : address) + " port " + std::to_string(port);
  boost::system::error_code error;
  std::vector<Tcp::endpoint> endpoints;
  if (address.empty()) {
    endpoints.emplace_back(Tcp::v6(), port);
    endpoints.emplace_back(Tcp::v4(), port);
  } else {
    Tcp::resolver resolver(acceptor.get_executor());
    const auto found =
        resolver.resolve(address, std::to_string(port),
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
      return endpoint.address().is_loopback();
    }
  }
  throw std::runtime_error("cannot listen on " + where + ": " +
                           (error ? error.message() : std::string("no such address")));
}

std::string PeerAddress(const Tcp::socket& socket) {
  boost::system::error_code ignored;
  const auto peer = socket.remote_endpoint(ignored);
  const asio::ip::address address = peer.address().is_v6() && peer.address().to_v6().is_v4_mapped()
                                        ? asio::ip::address(asio::ip::make_address_v4(
                                              asio::ip::v4_mapped, peer.address().to_v6()))
                                        : peer.address();
  return address.to_string();
}

void TuneAccepted(Tcp::socket& socket) {
  boost::system::error_code ignored;
  socket.set_option(Tcp::no_delay(true), ignored);
  socket.set_option(asio::socket_base::send_buffer_size(kSendBufferBytes), ignored);
}

}  // namespace torvelkan::web
