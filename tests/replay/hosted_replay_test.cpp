// A network host's recorded game played again gives the very frames the live
// game drew: the host as the program builds it (the real App on the memory
// device behind the host's device, recorded through SessionRecording) and a
// guest on a real loopback socket who takes blue, walks and shoots, and leaves.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/main_loop.h"
#include "app/remote_input.h"
#include "common/keys.h"
#include "console/memory_device.h"
#include "net/host_device.h"
#include "net/host_session.h"
#include "net/messages.h"
#include "net/socket.h"
#include "replay/frame_hashes.h"
#include "replay/recording.h"
#include "replay/replay_player.h"
#include "replay/session_recording.h"

namespace torvelkan::replay {
namespace {

using testing::FrameHashes;
using Bytes = std::vector<std::uint8_t>;
using SteadyClock = std::chrono::steady_clock;
constexpr char kCode[] = "k7m2q9xp";

// A guest on a raw socket: it greets, sends keys and throws away the frames.
class Guest {
 public:
  explicit Guest(std::uint16_t port) : socket(Reach(port)) {
    Bytes hello;
    net::AppendHello(net::Hello{net::kProtocolVersion, net::Role::kGuest, kCode}, hello);
    Send(hello);
  }
  ~Guest() { Leave(); }
  Guest(const Guest&) = delete;
  Guest& operator=(const Guest&) = delete;

  void Key(std::uint16_t code, bool down) {
    Bytes bytes;
    net::AppendKey(net::KeyEvent{code, down}, bytes);
    Send(bytes);
  }

  void Drain() const {
    std::array<std::uint8_t, 16384> buffer{};
    while (net::ReceiveSome(socket, buffer) > 0) {
    }
  }

  void Leave() {
    if (socket != net::kNoSocket) {
      net::CloseSocket(socket);
      socket = net::kNoSocket;
    }
  }

 private:
  static net::SocketHandle Reach(std::uint16_t port) {
    std::string error;
    const net::SocketHandle socket = net::Connect("127.0.0.1", port, 3000, error).Release();
    EXPECT_NE(socket, net::kNoSocket) << error;
    return socket;
  }

  void Send(const Bytes& bytes) const {
    std::size_t sent = 0;
    const auto deadline = SteadyClock::now() + std::chrono::seconds(3);
    while (sent < bytes.size() && SteadyClock::now() < deadline) {
      const long n = net::SendSome(socket, std::span<const std::uint8_t>(bytes).subspan(sent));
      ASSERT_NE(n, net::kClosed);
      sent += n > 0 ? static_cast<std::size_t>(n) : 0;
    }
  }

  net::SocketHandle socket;
};

class HostedGame : public ::testing::Test {
 public:
  HostedGame(const HostedGame&) = delete;
  HostedGame& operator=(const HostedGame&) = delete;

 protected:
  HostedGame()
      : path((std::filesystem::temp_directory_path() /
              ("torvelkan-hosted-replay-" +
               std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".tvr"))
                 .string()) {}
  ~HostedGame() override { std::filesystem::remove(path); }

  // The hosted game, live and recorded; the frames the App drew are in live.
  void PlayLive() {
    const net::SocketLibrary sockets;
    net::HostSettings settings;
    settings.address = "127.0.0.1";
    settings.port = 0;
    settings.code = kCode;
    settings.silenceMs = 600000;      // the test's guest sends no heartbeats
    std::uint32_t now = 0xFFFFE000u;  // the tick counter wraps in the fight
    const TickSource clock = [&now] { return now; };
    net::HostSession session(settings, clock);

    // As the program's host builds it.
    SessionRecording recording(path, "test");
    MemoryDevice memory;
    net::HostDevice host(memory, session, net::JoinLines({"127.0.0.1"}, session.Port(), kCode, 2));
    FrameHashes hashing(recording.Wrap(host));
    ConsoleScreen screen(hashing);
    App app(screen, recording.Wrap(clock));
    host.Attach(recording.Wrap(RemoteInputTo(app)));

    std::unique_ptr<Guest> guest;
    auto pass = [&] {
      now += 2;
      ASSERT_FALSE(RunPass(screen, app));
      if (guest) {
        guest->Drain();
      }
    };
    // Passes until ready holds, bounded in passes and in real time.
    auto passUntil = [&](const std::function<bool()>& ready) {
      const auto deadline = SteadyClock::now() + std::chrono::seconds(10);
      for (int i = 0; i < 5000 && !ready() && SteadyClock::now() < deadline; ++i) {
        pass();
      }
      ASSERT_TRUE(ready());
    };
    auto passes = [&](int count) {
      for (int i = 0; i < count; ++i) {
        pass();
      }
    };

    passUntil([&] { return app.CurrentIntro() != nullptr; });
    memory.PushKey(vk::kEnter);
    passUntil([&] { return app.CurrentMenu() != nullptr; });
    memory.PushKey(vk::kEnter);
    passUntil([&] { return app.CurrentMatch() != nullptr && app.CurrentMatch()->CountdownOver(); });
    Match& match = *app.CurrentMatch();

    guest = std::make_unique<Guest>(session.Port());
    passUntil([&] { return app.RemoteBlue(); });
    // The guest's Left walks blue while red walks too; the host's own D does nothing.
    guest->Key(vk::kLeft, true);
    memory.Push(MakeKeyRecord(vk::kRight, true));
    memory.Push(MakeKeyRecord(vk::kD, true));
    passUntil([&] { return match.Blue().left; });
    passes(150);
    guest->Key(vk::kLeft, false);
    guest->Key(vk::kW, true);  // a jump
    memory.Push(MakeKeyRecord(vk::kRight, false));
    passUntil([&] { return !match.Blue().left && match.Blue().jump; });
    passes(40);
    guest->Key(vk::kW, false);
    for (int shot = 0; shot < 3; ++shot) {
      guest->Key(vk::kDown, true);
      passUntil([&] { return match.Blue().attackHeld; });
      passes(20);
      guest->Key(vk::kDown, false);
      passUntil([&] { return !match.Blue().attackHeld; });
      passes(150);
    }
    guest->Key(vk::kRight, true);
    passUntil([&] { return match.Blue().right; });
    passes(100);
    movedByGuest = true;

    // Gone while holding Right: blue is let go and the AI has it again.
    guest->Leave();
    passUntil([&] { return !app.RemoteBlue(); });
    EXPECT_FALSE(match.Blue().right);
    passes(1500);

    memory.PushKey(vk::kEscape);  // to the menu, then out through "Wyjscie"
    memory.PushKey(vk::kUp);
    memory.PushKey(vk::kEnter);
    bool ended = false;
    for (int i = 0; i < 100 && !ended; ++i) {
      now += 2;
      ended = RunPass(screen, app);
    }
    ASSERT_TRUE(ended);
    recording.Finish();
    live = hashing.hashes;
  }

  std::string path;
  std::vector<std::uint64_t> live;
  bool movedByGuest = false;
};

TEST_F(HostedGame, PlaysBackFrameForFrameWithTheGuestsKeys) {
  ASSERT_NO_FATAL_FAILURE(PlayLive());
  ASSERT_TRUE(movedByGuest);
  const Recording recording = LoadRecording(path);
  EXPECT_FALSE(recording.cutShort);

  MemoryDevice memory;
  FrameHashes hashing(memory);
  ReplayPlayer player(recording, hashing);
  while (player.Pass()) {
  }
  EXPECT_TRUE(player.Over());
  ASSERT_EQ(hashing.hashes.size(), live.size());
  std::size_t firstDifferent = 0;
  while (firstDifferent < live.size() && hashing.hashes[firstDifferent] == live[firstDifferent]) {
    ++firstDifferent;
  }
  EXPECT_EQ(firstDifferent, live.size()) << "the replay's frames part from the live game's";
}

}  // namespace
}  // namespace torvelkan::replay
