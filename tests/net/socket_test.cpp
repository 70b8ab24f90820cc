// The sockets on loopback: a connection both ways and its close, and what a
// failure to listen or to connect says.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>

#include "net/socket.h"

namespace torvelkan::net {
namespace {

// Polls until socket is readable, for at most three seconds.
bool WaitReadable(SocketHandle socket) {
  for (int n = 0; n < 300; ++n) {
    PollEntry entry{socket, false, false, false};
    PollSockets(std::span<PollEntry>(&entry, 1), 10);
    if (entry.readable) {
      return true;
    }
  }
  return false;
}

// The message's start, exactly, then the system's reason.
void ExpectReason(const std::string& message, const std::string& start) {
  EXPECT_EQ(message.substr(0, start.size()), start) << message;
  EXPECT_GT(message.size(), start.size()) << "no reason after: " << message;
}

TEST(Socket, ALoopbackConnectionCarriesBytesBothWaysAndEndsWhenItsOwnerGoes) {
  const SocketLibrary sockets;
  // Every address: an IPv4 peer may arrive mapped into IPv6, and is named as IPv4.
  const Socket listener = Listen("", 0);
  const std::uint16_t port = LocalPort(listener.Get());
  ASSERT_NE(port, 0);
  std::string error;
  const Socket client = Connect("127.0.0.1", port, 3000, error);
  ASSERT_TRUE(client.IsOpen()) << error;
  ASSERT_TRUE(WaitReadable(listener.Get()));
  std::string peer;
  Socket accepted = Accept(listener.Get(), peer);
  ASSERT_TRUE(accepted.IsOpen());
  EXPECT_EQ(peer, "127.0.0.1");

  const std::array<std::uint8_t, 3> hello{1, 2, 3};
  EXPECT_EQ(SendSome(client.Get(), hello), 3);
  std::array<std::uint8_t, 8> buffer{};
  ASSERT_TRUE(WaitReadable(accepted.Get()));
  EXPECT_EQ(ReceiveSome(accepted.Get(), buffer), 3);
  EXPECT_EQ(buffer[2], 3);
  EXPECT_EQ(ReceiveSome(accepted.Get(), buffer), kWouldBlock);  // non-blocking

  Socket moved = std::move(accepted);
  moved.Reset();  // the one close: the client hears the end
  ASSERT_TRUE(WaitReadable(client.Get()));
  EXPECT_EQ(ReceiveSome(client.Get(), buffer), kClosed);
}

TEST(Socket, FailuresNameThePlaceAndGiveTheSystemsReason) {
  const SocketLibrary sockets;
  Socket taken = Listen("127.0.0.1", 0);
  const std::uint16_t port = LocalPort(taken.Get());
  const std::string where = "127.0.0.1 port " + std::to_string(port) + ": ";
  try {
    Listen("127.0.0.1", port);
    ADD_FAILURE() << "a port already listened on was taken again";
  } catch (const std::runtime_error& failure) {
    ExpectReason(failure.what(), "cannot listen on " + where);
  }

  taken.Reset();  // nothing listens there now
  std::string error;
  const Socket refused = Connect("127.0.0.1", port, 3000, error);
  EXPECT_FALSE(refused.IsOpen());
  ExpectReason(error, "cannot reach " + where);
}

}  // namespace
}  // namespace torvelkan::net
