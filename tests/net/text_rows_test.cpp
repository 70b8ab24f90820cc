// The host's rows of text over the network: a guest of version 2 is told
// where they begin, so that on a console of 24 rows it shows the host's readme
// a whole line to a row; a client of version 1 is never told.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/keys.h"
#include "common/tick.h"
#include "console/console_screen.h"
#include "console/half_view.h"
#include "console/memory_device.h"
#include "net/guest_client.h"
#include "net/host_device.h"
#include "net/host_session.h"
#include "net/message_stream.h"
#include "screens/readme_test_support.h"
#include "screens/readme_viewer.h"

namespace torvelkan::net {
namespace {

using namespace std::chrono_literals;

std::string Line(int n) { return "line " + std::to_string(n) + " of the host's readme"; }

// The text of a console row of picture, without the blanks after it.
std::string RowOf(const CellGrid& picture, int row) {
  std::string text;
  for (int column = 0; column < kColumns; ++column) {
    const std::uint8_t c = CellChar(picture[static_cast<std::size_t>(row * kColumns + column)]);
    text.push_back(c == 0 ? ' ' : static_cast<char>(c));
  }
  return text.substr(0, text.find_last_not_of(' ') + 1);
}

TEST(TextRows, AGuestOfTwentyFourRowsSeesTheReadmeWholeAndAnOldClientIsNeverTold) {
  const SocketLibrary sockets;
  std::uint32_t now = 1000;
  HostSettings settings;
  settings.address = "127.0.0.1";
  settings.code = "abcd2345";
  std::optional<HostSession> session(std::in_place, settings, [&now] { return now; });
  MemoryDevice hostDevice;
  HostDevice host(hostDevice, *session, {});
  ConsoleScreen screen(host);
  std::string text;
  for (int n = 0; n < 60; ++n) {
    text += Line(n) + "\n";
  }
  ReadmeViewer readme(testing::FromMemory(text));
  // One pass of the host with its readme on the screen.
  const auto pass = [&] {
    now += 2;
    (void)host.HasInput();
    screen.Clear();
    readme.Render(screen);
    screen.Present();
  };

  JoinSettings join;
  join.host = "127.0.0.1";
  join.port = session->Port();
  join.code = settings.code;
  join.role = Role::kSpectator;
  std::string error;
  Socket guestSocket;
  Socket oldSocket;  // greets as every client did before rows of text travelled
  std::thread connecting([&] {
    guestSocket = ConnectToHost(join, error);
    std::vector<std::uint8_t> hello;
    AppendHello(Hello{kProtocolVersion, Role::kSpectator, settings.code}, hello);
    oldSocket = ConnectAndGreet(
        join.host, join.port, join.connectMs, std::move(hello),
        [](std::uint8_t type, std::span<const std::uint8_t> payload) {
          Role role{};
          return type == static_cast<std::uint8_t>(MessageType::kWelcome)
                     ? ParseWelcome(payload, role)
                     : std::string("refused");
        },
        error);
  });
  for (int n = 0; n < 2000 && session->Spectators() < 2; ++n) {
    pass();
    std::this_thread::sleep_for(1ms);
  }
  connecting.join();
  ASSERT_TRUE(guestSocket.IsOpen() && oldSocket.IsOpen()) << error;

  MemoryDevice guestDevice;
  JoinOutcome outcome{-1, ""};
  std::thread guest([&] {
    outcome = RunGuest(std::move(guestSocket), guestDevice, join,
                       [] { return static_cast<std::uint32_t>(ReadTickCount()); });
  });
  MessageReader oldReader;
  std::vector<std::uint8_t> oldTypes;
  std::array<std::uint8_t, 16384> buffer{};
  for (int n = 0; n < 300; ++n) {
    pass();
    if (n == 150) {
      readme.OnKey(vk::kDown);  // a new frame of text: the mark is not sent again
    }
    for (long got = ReceiveSome(oldSocket.Get(), buffer); got > 0;
         got = ReceiveSome(oldSocket.Get(), buffer)) {
      oldReader.Feed(std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(got)));
      Message message;
      while (oldReader.Next(message) == MessageReader::Result::kMessage) {
        oldTypes.push_back(message.type);
      }
    }
    std::this_thread::sleep_for(1ms);
  }
  session.reset();  // the host's game ends: both are told
  guest.join();
  EXPECT_EQ(outcome.status, 0) << outcome.message;

  EXPECT_EQ(guestDevice.TextFrom(), ReadmeViewer::kFirstRow);
  CellGrid picture{};
  const int drawn = DrawHalfView(guestDevice.LastFrame(), guestDevice.TextFrom(), 24, picture);
  ASSERT_EQ(drawn, 24);
  // Grid rows 0 and 1 halved into the first row, then a line to a row.
  for (int row = 1; row < drawn; ++row) {
    EXPECT_EQ(RowOf(picture, row), Line(row)) << "console row " << row;
  }

  EXPECT_NE(
      std::count(oldTypes.begin(), oldTypes.end(), static_cast<std::uint8_t>(MessageType::kFrame)),
      0);
  EXPECT_EQ(std::count(oldTypes.begin(), oldTypes.end(),
                       static_cast<std::uint8_t>(MessageType::kTextRows)),
            0);
}

// A host of the first version refuses a greeting of version 2 naming 1, and
// welcomes the same guest greeting again with 1.
TEST(TextRows, AGuestGreetsAHostOfVersionOneAgainWithOne) {
  const SocketLibrary sockets;
  const Socket listener = Listen("127.0.0.1", 0);
  std::vector<std::uint16_t> greeted;
  std::thread oldHost([&] {
    for (int answered = 0; answered < 2;) {
      std::string address;
      const Socket peer = Accept(listener.Get(), address);
      if (!peer.IsOpen()) {
        std::this_thread::sleep_for(1ms);
        continue;
      }
      MessageReader reader;
      Message message;
      std::array<std::uint8_t, 256> buffer{};
      const auto deadline = std::chrono::steady_clock::now() + 3s;
      while (reader.Next(message) != MessageReader::Result::kMessage &&
             std::chrono::steady_clock::now() < deadline) {
        const long got = ReceiveSome(peer.Get(), buffer);
        if (got > 0) {
          reader.Feed(std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(got)));
        }
      }
      Hello hello;
      ASSERT_EQ(ParseHello(message.payload, hello), "");
      greeted.push_back(hello.version);
      std::vector<std::uint8_t> answer;
      if (hello.version == kProtocolVersion) {
        AppendWelcome(hello.role, answer);
      } else {
        AppendRefuse(Refuse{RefuseReason::kVersion, kProtocolVersion}, answer);
      }
      (void)SendSome(peer.Get(), answer);
      ++answered;
      std::this_thread::sleep_for(50ms);  // the answer is read before the close
    }
  });
  JoinSettings join;
  join.host = "127.0.0.1";
  join.port = LocalPort(listener.Get());
  join.code = "abcd2345";
  std::string error;
  const Socket socket = ConnectToHost(join, error);
  oldHost.join();
  EXPECT_TRUE(socket.IsOpen()) << error;
  EXPECT_EQ(greeted, (std::vector<std::uint16_t>{kTextRowsVersion, kProtocolVersion}));
}

}  // namespace
}  // namespace torvelkan::net
