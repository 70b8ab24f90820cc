// How connections end: each side says why when it can, reads the other's
// word before it blames silence, and forgets a peer that is gone at once.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

#include "common/keys.h"
#include "console/console_device.h"
#include "net/guest_client.h"
#include "net/host_session.h"
#include "net/message_stream.h"
#include "net/messages.h"
#include "net/socket.h"

namespace torvelkan::net {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The guest's screen; its input check runs whatever the test has planned for it.
class PlannedDevice final : public ConsoleDevice {
 public:
  explicit PlannedDevice(std::function<void()> onInputCheck) : plan(std::move(onInputCheck)) {}
  void Present(const CellGrid& /*cells*/) override {}
  bool HasInput() override {
    plan();
    return false;
  }
  void ReadInput(InputRecord& record) override { record = MakeOtherRecord(kFocusEventType); }
  void SetTitle(const char* /*title*/) override {}

 private:
  std::function<void()> plan;
};

// Both ends of one loopback connection: the guest's and the host's.
struct Wire {
  Wire() {
    std::string error;
    guest = Connect("127.0.0.1", LocalPort(listener.Get()), 3000, error);
    std::string address;
    for (int n = 0; n < 300 && !host.IsOpen(); ++n) {
      host = Accept(listener.Get(), address);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_TRUE(host.IsOpen()) << error;
  }
  // Everything the host's end has received until the guest's end closed.
  std::vector<std::pair<std::uint8_t, Bytes>> HostReceived() const {
    MessageReader reader;
    std::vector<std::pair<std::uint8_t, Bytes>> messages;
    std::array<std::uint8_t, 4096> buffer{};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < deadline) {
      const long n = ReceiveSome(host.Get(), buffer);
      if (n == kClosed) {
        break;
      }
      if (n == kWouldBlock) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        continue;
      }
      reader.Feed(std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(n)));
      Message message;
      while (reader.Next(message) == MessageReader::Result::kMessage) {
        messages.emplace_back(message.type, Bytes(message.payload.begin(), message.payload.end()));
      }
    }
    return messages;
  }
  void HostSends(const Bytes& bytes) const {
    ASSERT_EQ(SendSome(host.Get(), bytes), static_cast<long>(bytes.size()));
  }

  SocketLibrary sockets;
  Socket listener = Listen("127.0.0.1", 0);
  Socket guest;
  Socket host;
};

TEST(Farewell, TheGuestReadsTheHostsByeBeforeItBlamesSilence) {
  Wire wire;
  std::uint32_t now = 1000;
  int checks = 0;
  // As for a guest stopped and continued: the clock leaps past the silence
  // while its poll saw nothing, and the host's goodbye is there by the time
  // silence is looked at.
  PlannedDevice device([&] {
    ++checks;
    if (checks == 1) {
      now += 5000;
    } else if (checks == 2) {
      Bytes bye;
      AppendBye(ByeReason::kTimeout, bye);
      wire.HostSends(bye);
    }
  });
  const JoinOutcome outcome =
      RunGuest(std::move(wire.guest), device, JoinSettings{}, [&now] { return now; });
  EXPECT_EQ(outcome.status, 1);
  EXPECT_EQ(outcome.message, ByeText(ByeReason::kTimeout, true));
}

TEST(Farewell, TheGuestSaysByeWhenTheHostsStreamBreaks) {
  Wire wire;
  std::uint32_t now = 1000;
  PlannedDevice device([] {});
  wire.HostSends(Bytes{0xFF, 0xFF, 1});  // longer than any message may be
  const JoinOutcome outcome =
      RunGuest(std::move(wire.guest), device, JoinSettings{}, [&now] { return now++; });
  EXPECT_EQ(outcome.status, 1);
  EXPECT_NE(outcome.message.find("the host sent"), std::string::npos) << outcome.message;
  const auto received = wire.HostReceived();
  ASSERT_FALSE(received.empty());
  EXPECT_EQ(received.back().first, static_cast<std::uint8_t>(MessageType::kBye));
  EXPECT_EQ(received.back().second, Bytes{static_cast<std::uint8_t>(ByeReason::kProtocol)});
}

// A guest that floods keys and leaves in good order, its end behind the
// flood: its place is free at once, and none of the flood reaches the game.
TEST(Farewell, AGuestThatFloodsKeysAndLeavesFreesItsPlaceAtOnce) {
  const SocketLibrary sockets;
  std::uint32_t now = 1000;
  HostSettings settings;
  settings.address = "127.0.0.1";
  settings.code = "abcd2345";
  HostSession session(settings, [&now] { return now; });
  std::string error;
  Socket guest = Connect("127.0.0.1", session.Port(), 3000, error);
  ASSERT_TRUE(guest.IsOpen()) << error;
  Bytes hello;
  AppendHello(Hello{kProtocolVersion, Role::kGuest, settings.code}, hello);
  ASSERT_EQ(SendSome(guest.Get(), hello), static_cast<long>(hello.size()));
  for (int n = 0; n < 1000 && !session.GuestConnected(); ++n) {
    now += 2;
    session.Service();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_TRUE(session.GuestConnected());
  Bytes keys;
  for (int n = 0; n < 1000; ++n) {
    AppendKey(KeyEvent{vk::kLeft, n % 2 == 0}, keys);
  }
  std::size_t flooded = 0;
  while (SendSome(guest.Get(), keys) > 0) {
    flooded += keys.size();
  }
  ASSERT_GT(flooded, std::size_t{100'000}) << "the host's side holds a flood";
  // Read to the end, it closes in good order: its end comes after the keys.
  std::array<std::uint8_t, 4096> buffer{};
  while (ReceiveSome(guest.Get(), buffer) > 0) {
  }
  guest.Reset();
  int passes = 0;
  std::size_t keysTaken = 0;
  for (; passes < 2000 && session.GuestConnected(); ++passes) {
    now += 2;
    session.Service();
    keysTaken += session.TakeGuestKeys().size();
  }
  EXPECT_LE(passes, 5);
  EXPECT_EQ(keysTaken, 0u);
}

}  // namespace
}  // namespace torvelkan::net
