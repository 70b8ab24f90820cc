// A guest whose terminal reports releases: each of its keys holds blue's
// flag on the host exactly from the press to the release, and its Esc leaves.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <utility>

#include "app/app.h"
#include "app/main_loop.h"
#include "common/keys.h"
#include "common/tick.h"
#include "console/console_screen.h"
#include "console/memory_device.h"
#include "net/guest_client.h"
#include "net/host_device.h"
#include "net/host_session.h"
#include "support/fake_terminal.h"

namespace torvelkan::net {
namespace {

using namespace std::chrono_literals;
using torvelkan::testing::Answerer;
using torvelkan::testing::FakeTerminal;

TEST(KittyGuest, ReleasesAreExactOnTheHostAndEscLeaves) {
  const SocketLibrary sockets;
  std::uint32_t now = 1000;
  HostSettings settings;
  settings.address = "127.0.0.1";
  settings.code = "abcd2345";
  HostSession session(settings, [&now] { return now; });
  MemoryDevice hostDevice;
  HostDevice host(hostDevice, session, {});
  ConsoleScreen screen(host);
  App app(screen, [&now] { return now; });
  host.Attach(app);
  const auto pass = [&] {
    now += 2;
    RunPass(screen, app);
  };
  for (int n = 0; n < 1600; ++n) {
    pass();  // past the notice
  }
  hostDevice.PushKey(vk::kEnter);
  hostDevice.PushKey(vk::kEnter);
  hostDevice.PushKey(vk::kSpace);  // no AI: the fight stands still while the guest comes
  for (int n = 0; n < 1600; ++n) {
    pass();  // into a fight, past its countdown
  }
  ASSERT_NE(app.CurrentMatch(), nullptr);
  Match& match = *app.CurrentMatch();
  ASSERT_TRUE(match.CountdownOver());

  FakeTerminal terminal;
  std::unique_ptr<TerminalDevice> device;
  {
    Answerer answerer(terminal, true, true);
    device = std::make_unique<TerminalDevice>(terminal.Settings());
  }
  ASSERT_TRUE(device->KittyKeyboard());
  JoinSettings join;
  join.host = "127.0.0.1";
  join.port = session.Port();
  join.code = settings.code;
  std::string error;
  Socket socket;
  std::thread connecting([&] { socket = ConnectToHost(join, error); });
  for (int n = 0; n < 2000 && !session.GuestConnected(); ++n) {
    pass();
    std::this_thread::sleep_for(1ms);
  }
  connecting.join();
  ASSERT_TRUE(socket.IsOpen()) << error;
  JoinOutcome outcome{-1, ""};
  std::thread guest([&] {
    outcome = RunGuest(std::move(socket), *device, join, [] { return ReadTickCount(); });
  });

  // Passes of the host, with the terminal read so frames never back up, until
  // the condition holds; bounded in passes and so in time.
  const auto until = [&](const std::function<bool()>& ready) {
    for (int n = 0; n < 2000; ++n) {
      pass();
      terminal.Drain(0);
      terminal.received.clear();
      if (ready()) {
        return true;
      }
      std::this_thread::sleep_for(1ms);
    }
    return false;
  };
  ASSERT_TRUE(until([&] { return app.RemoteBlue(); }));
  terminal.Type("\x1b[1;1:1D");  // Left down
  EXPECT_TRUE(until([&] { return match.Blue().left; }));
  terminal.Type("\x1b[1;1:3D");  // Left up
  EXPECT_TRUE(until([&] { return !match.Blue().left; }));
  terminal.Type("\x1b[100u");  // D down
  EXPECT_TRUE(until([&] { return match.Blue().right; }));
  terminal.Type("\x1b[1;1:1A");  // Up down, D still held
  EXPECT_TRUE(until([&] { return match.Blue().jump; }));
  terminal.Type("\x1b[100;1:3u");  // D up: blue stops, still jumping
  EXPECT_TRUE(until([&] { return !match.Blue().right; }));
  EXPECT_TRUE(match.Blue().jump) << "Up is still held";
  terminal.Type("\x1b[1;1:3A");  // Up up
  EXPECT_TRUE(until([&] { return !match.Blue().jump; }));
  terminal.Type("\x1b[27u");  // Esc: the guest leaves
  EXPECT_TRUE(until([&] { return !app.RemoteBlue(); }));
  guest.join();
  EXPECT_EQ(outcome.status, 0);
  EXPECT_TRUE(outcome.message.empty()) << outcome.message;
  EXPECT_FALSE(match.AiEnabled()) << "back to what the AI-on flag says";
  EXPECT_EQ(app.CurrentMatch(), &match);
}

}  // namespace
}  // namespace torvelkan::net
