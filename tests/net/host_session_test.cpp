// The host on loopback: the real App on the memory device behind the host's
// device, and peers on real sockets that greet, play, misbehave and leave.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "app/app.h"
#include "app/main_loop.h"
#include "common/frame_pacer.h"
#include "common/keys.h"
#include "common/tick.h"
#include "console/console_screen.h"
#include "console/memory_device.h"
#include "net/grid_diff.h"
#include "net/host_device.h"
#include "net/host_session.h"
#include "net/message_stream.h"
#include "net/messages.h"
#include "net/socket.h"
#include "net/socket_system.h"
#include "support/same_cells.h"

namespace torvelkan::net {
namespace {

using Bytes = std::vector<std::uint8_t>;
using SteadyClock = std::chrono::steady_clock;
constexpr char kCode[] = "k7m2q9xp";
using testing::SameCells;

// The host as the program builds it, on a clock the test moves (or the real one).
struct Rig {
  explicit Rig(HostSettings given = {}, bool realClock = false)
      : settings(Complete(std::move(given))),
        clock(realClock ? HostSession::Clock([] { return torvelkan::ReadTickCount(); })
                        : HostSession::Clock([this] { return now; })),
        session(settings, clock),
        host(device, session, JoinLines({"127.0.0.1"}, session.Port(), kCode, 2)),
        screen(host),
        app(screen, clock) {
    host.Attach(app);
  }

  static HostSettings Complete(HostSettings given) {
    given.address = "127.0.0.1";
    given.port = 0;
    given.code = kCode;
    return given;
  }

  bool Pass(std::uint32_t ms = 2) {
    now += ms;
    return RunPass(screen, app);
  }

  void Run(std::uint32_t totalMs) {
    for (std::uint32_t t = 0; t < totalMs; t += 2) {
      Pass();
    }
  }

  void Press(std::uint16_t key) {
    device.PushKey(key);
    Pass();
    Pass();
  }

  // From the notice to the first moment of a fight with the countdown over.
  void StartFight() {
    Run(App::kNoticeMs + 100);
    Press(vk::kEnter);  // the logo gives way to the menu
    Press(vk::kEnter);  // the menu's first entry: a fight
    Run(Match::kCountdownMs + 100);
    ASSERT_NE(app.CurrentMatch(), nullptr);
    ASSERT_TRUE(app.CurrentMatch()->CountdownOver());
  }

  SocketLibrary sockets;
  HostSettings settings;
  std::uint32_t now = 1000;
  HostSession::Clock clock;
  HostSession session;
  MemoryDevice device;
  HostDevice host;
  ConsoleScreen screen;
  App app;
};

// A connection to the host on loopback from another of loopback's addresses
// (127.0.0.0/8 is all this machine's), given as a number.
SocketHandle ReachFrom(std::uint32_t from, std::uint16_t port) {
  const SocketHandle socket = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(from);
  sockaddr_in host{};
  host.sin_family = AF_INET;
  host.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  host.sin_port = htons(port);
  if (socket == kNoSocket ||
      bind(socket, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
      connect(socket, reinterpret_cast<const sockaddr*>(&host), sizeof host) != 0) {
    ADD_FAILURE() << "cannot connect from " << std::hex << from;
  }
  os::SetNonBlocking(socket);
  return socket;
}

// A client on a raw socket, reading everything the host sends.
struct Peer {
  explicit Peer(std::uint16_t port) : socket(Reach(port)) {}
  Peer(std::uint16_t port, std::uint32_t from) : socket(ReachFrom(from, port)) {}

  static SocketHandle Reach(std::uint16_t port) {
    std::string error;
    const SocketHandle socket = Connect("127.0.0.1", port, 3000, error).Release();
    EXPECT_NE(socket, kNoSocket) << error;
    return socket;
  }
  ~Peer() { CloseSocket(socket); }
  Peer(const Peer&) = delete;
  Peer& operator=(const Peer&) = delete;

  void Send(const Bytes& bytes) const {
    std::size_t sent = 0;
    const auto deadline = SteadyClock::now() + std::chrono::seconds(3);
    while (sent < bytes.size() && SteadyClock::now() < deadline) {
      const long n = SendSome(socket, std::span<const std::uint8_t>(bytes).subspan(sent));
      if (n == kClosed) {
        return;
      }
      sent += n > 0 ? static_cast<std::size_t>(n) : 0;
    }
  }

  void Hello(Role role = Role::kGuest, const std::string& code = kCode,
             std::uint16_t version = kProtocolVersion) const {
    Bytes bytes;
    AppendHello(net::Hello{version, role, code}, bytes);
    Send(bytes);
  }

  // Takes in what has arrived: frames applied, the rest kept by type.
  void Read() {
    std::array<std::uint8_t, 16384> buffer{};
    for (;;) {
      const long n = ReceiveSome(socket, buffer);
      if (n == kWouldBlock) {
        return;
      }
      if (n == kClosed) {
        closed = true;
        return;
      }
      reader.Feed(std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(n)));
      Message message;
      while (reader.Next(message) == MessageReader::Result::kMessage) {
        if (message.type == static_cast<std::uint8_t>(MessageType::kFrame)) {
          EXPECT_EQ(ApplyFrame(message.payload, grid), "");
          ++frames;
        } else {
          received.emplace_back(message.type,
                                Bytes(message.payload.begin(), message.payload.end()));
        }
      }
    }
  }

  bool Got(MessageType type) const {
    return std::any_of(received.begin(), received.end(), [type](const auto& message) {
      return message.first == static_cast<std::uint8_t>(type);
    });
  }

  SocketHandle socket = kNoSocket;
  MessageReader reader;
  CellGrid grid{};
  int frames = 0;
  bool closed = false;
  std::vector<std::pair<std::uint8_t, Bytes>> received;
};

// Passes of the host and reads of the peers until ready holds; bounded in
// passes and in real time.
bool PumpUntil(Rig& rig, const std::vector<Peer*>& peers, const std::function<bool()>& ready,
               int passes = 1500) {
  const auto deadline = SteadyClock::now() + std::chrono::seconds(5);
  for (int n = 0; n < passes && SteadyClock::now() < deadline; ++n) {
    rig.Pass();
    for (Peer* peer : peers) {
      peer->Read();
    }
    if (ready()) {
      return true;
    }
  }
  return false;
}

TEST(HostDevice, TheGuestsArrowsAndWasdDriveBlueAlike) {
  const std::uint16_t cases[][2] = {
      {vk::kLeft, vk::kA}, {vk::kRight, vk::kD}, {vk::kUp, vk::kW}, {vk::kDown, vk::kS},
      {vk::kA, vk::kA},    {vk::kD, vk::kD},     {vk::kW, vk::kW},  {vk::kS, vk::kS},
      {vk::kSpace, 0},     {vk::kEscape, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BlueKeyFor(c[0]), c[1]) << c[0];
    EXPECT_EQ(IsGuestKey(c[0]), c[1] != 0) << c[0];
  }
}

TEST(HostSession, TheGuestDrivesBlueSeesTheHostsGridAndGivesBlueBackOnLeaving) {
  Rig rig;
  rig.StartFight();
  Match& match = *rig.app.CurrentMatch();
  EXPECT_TRUE(match.AiEnabled());
  EXPECT_NE(rig.device.RowText(1).find(std::string("--join 127.0.0.1:") +
                                       std::to_string(rig.session.Port()) + " " + kCode),
            std::string::npos)
      << rig.device.RowText(1);

  auto guest = std::make_unique<Peer>(rig.session.Port());
  guest->Hello();
  ASSERT_TRUE(PumpUntil(rig, {guest.get()}, [&] { return guest->frames > 0; }));
  EXPECT_TRUE(guest->Got(MessageType::kWelcome));
  EXPECT_TRUE(rig.app.RemoteBlue());
  EXPECT_FALSE(match.AiEnabled());
  EXPECT_EQ(rig.device.RowText(1).find("Waiting"), std::string::npos) << "the banner goes";

  // The guest's Left and D both drive blue; the host's own D does not.
  Bytes keys;
  AppendKey(KeyEvent{vk::kLeft, true}, keys);
  guest->Send(keys);
  ASSERT_TRUE(PumpUntil(rig, {guest.get()}, [&] { return match.Blue().left; }));
  rig.device.Push(MakeKeyRecord(vk::kD, true));
  rig.Pass();
  EXPECT_FALSE(match.Blue().right);
  keys.clear();
  AppendKey(KeyEvent{vk::kLeft, false}, keys);
  AppendKey(KeyEvent{vk::kD, true}, keys);
  guest->Send(keys);
  ASSERT_TRUE(PumpUntil(rig, {guest.get()}, [&] { return match.Blue().right; }));
  EXPECT_FALSE(match.Blue().left);

  // What the guest holds is the host's grid, cell for cell, once frames are due.
  rig.Run(20);
  // The host's frame as it travels: the wire carries the low byte of each attribute.
  const auto same = [&] { return SameCells(WireGrid(rig.device.LastFrame()), guest->grid); };
  ASSERT_TRUE(PumpUntil(
      rig, {guest.get()}, [&] { return static_cast<bool>(same()); }, 50))
      << same();

  // Gone without a word: blue's keys are let go and the AI has blue again.
  guest.reset();
  ASSERT_TRUE(PumpUntil(rig, {}, [&] { return !rig.app.RemoteBlue(); }));
  EXPECT_FALSE(match.Blue().right);
  EXPECT_TRUE(match.AiEnabled());
  EXPECT_NE(rig.device.RowText(1).find("Waiting"), std::string::npos) << "the banner is back";
}

TEST(HostSession, RefusesWrongCodesOtherVersionsAndTakenPlacesAndSlowsRepeatedTries) {
  HostSettings settings;
  settings.maxSpectators = 1;
  Rig rig(settings);
  rig.Run(100);
  const auto answer = [&](Role role, const std::string& code, std::uint16_t version,
                          std::unique_ptr<Peer>* keep = nullptr) {
    auto peer = std::make_unique<Peer>(rig.session.Port());
    peer->Hello(role, code, version);
    PumpUntil(
        rig, {peer.get()}, [&] { return !peer->received.empty(); }, 100);
    const Bytes first = peer->received.empty() ? Bytes{} : peer->received.front().second;
    const std::uint8_t type = peer->received.empty() ? 0 : peer->received.front().first;
    if (keep != nullptr) {
      *keep = std::move(peer);
    }
    if (type == static_cast<std::uint8_t>(MessageType::kWelcome)) {
      return 0;
    }
    EXPECT_EQ(type, static_cast<std::uint8_t>(MessageType::kRefuse));
    return first.empty() ? -1 : static_cast<int>(first[0]);
  };
  const int wrong = static_cast<int>(RefuseReason::kWrongCode);
  const int tooMany = static_cast<int>(RefuseReason::kTooManyTries);
  EXPECT_EQ(answer(Role::kGuest, "aaaaaaaa", kProtocolVersion), wrong);
  EXPECT_EQ(answer(Role::kGuest, "aaaaaaab", kProtocolVersion), wrong);
  // Now this address waits a second, whatever code it brings.
  EXPECT_EQ(answer(Role::kGuest, kCode, kProtocolVersion), tooMany);
  rig.Run(1100);
  EXPECT_EQ(answer(Role::kGuest, "aaaaaaac", kProtocolVersion), wrong);
  EXPECT_EQ(answer(Role::kGuest, kCode, kProtocolVersion), tooMany) << "two seconds this time";
  rig.Run(2100);
  EXPECT_EQ(answer(Role::kGuest, kCode, 9), static_cast<int>(RefuseReason::kVersion));
  // The host is told too, on its own screen while it waits.
  EXPECT_NE(rig.device.RowText(2).find("refused: it speaks protocol version 9, this game 1"),
            std::string::npos)
      << rig.device.RowText(2);
  std::unique_ptr<Peer> guest;
  std::unique_ptr<Peer> spectator;
  EXPECT_EQ(answer(Role::kGuest, kCode, kProtocolVersion, &guest), 0);
  EXPECT_EQ(answer(Role::kGuest, kCode, kProtocolVersion),
            static_cast<int>(RefuseReason::kGuestTaken));
  EXPECT_EQ(answer(Role::kSpectator, kCode, kProtocolVersion, &spectator), 0);
  EXPECT_EQ(answer(Role::kSpectator, kCode, kProtocolVersion),
            static_cast<int>(RefuseReason::kFull));
  EXPECT_EQ(rig.session.Spectators(), 1u);
}

// Wrong codes from many addresses, each one's first and so free of its own
// wait: only the budget in all holds them back, and while it is spent even
// the right code is refused unjudged, until it has refilled.
TEST(HostSession, WrongCodesFromManyAddressesAreJudgedAtMostFiveASecondInAll) {
  Rig rig;
  rig.Run(100);
  const auto answer = [&rig](std::uint32_t from, const std::string& code) {
    Peer peer(rig.session.Port(), from);
    peer.Hello(Role::kGuest, code);
    PumpUntil(
        rig, {&peer}, [&] { return !peer.received.empty(); }, 100);
    if (peer.received.empty() || peer.received.front().second.empty()) {
      return -1;
    }
    const auto& [type, payload] = peer.received.front();
    return type == static_cast<std::uint8_t>(MessageType::kWelcome) ? 0
                                                                    : static_cast<int>(payload[0]);
  };
  const int wrong = static_cast<int>(RefuseReason::kWrongCode);
  const int tooMany = static_cast<int>(RefuseReason::kTooManyTries);
  const std::uint32_t start = rig.now;
  int judged = 0;
  for (int n = 1; n <= 40; ++n) {
    const int got = answer(0x7F000100u + static_cast<std::uint32_t>(n), "aaaaaaaa");
    EXPECT_TRUE(got == wrong || got == tooMany) << n << ": " << got;
    judged += got == wrong ? 1 : 0;
  }
  // Ten at once, then one for each 200 ms that passed on the host's clock.
  EXPECT_GE(judged, 10);
  EXPECT_LE(judged, 10 + static_cast<int>((rig.now - start) / 200)) << rig.now - start;
  EXPECT_EQ(answer(0x7F000201u, kCode), tooMany) << "nothing is judged while it is spent";
  rig.Run(200);
  EXPECT_EQ(answer(0x7F000201u, kCode), 0) << "a welcome once one is back";
}

TEST(HostSession, DropsMalformedLateSilentAndStalledPeersAndPlaysOn) {
  Rig rig;
  rig.Run(100);
  struct Case {
    const char* what;
    std::function<void(Peer&)> act;
    std::uint32_t waitMs;
  };
  const std::vector<Case> cases = {
      {"garbage first",
       [](Peer& p) {
         p.Send(Bytes{0, 3, 99, 1, 2});
       },
       0},
      {"an oversized length",
       [](Peer& p) {
         p.Send(Bytes{0xFF, 0xFF, 1});
       },
       0},
      {"a key before the greeting",
       [](Peer& p) {
         p.Send(Bytes{0, 3, 5, 37, 1});
       },
       0},
      {"half a greeting",
       [](Peer& p) {
         p.Send(Bytes{0, 20, 1, 'T', 'V'});
       },
       5200},
      {"no greeting at all", [](Peer&) {}, 5200},
      {"a guest that falls silent", [](Peer& p) { p.Hello(); }, 3200},
      {"a spectator that sends a key",
       [](Peer& p) {
         p.Hello(Role::kSpectator);
         Bytes key;
         AppendKey(KeyEvent{vk::kLeft, true}, key);
         p.Send(key);
       },
       0},
      {"a guest that sends a key it has not",
       [](Peer& p) {
         p.Hello();
         p.Send(Bytes{0, 3, 5, vk::kSpace, 1});
       },
       0},
  };
  for (const Case& c : cases) {
    Peer peer(rig.session.Port());
    c.act(peer);
    rig.Run(c.waitMs);
    EXPECT_TRUE(PumpUntil(
        rig, {&peer}, [&] { return peer.closed; }, 1000))
        << c.what;
    EXPECT_TRUE(PumpUntil(
        rig, {}, [&] { return rig.session.Connections() == 0; }, 1000))
        << c.what;
    EXPECT_FALSE(rig.app.RemoteBlue()) << c.what;
  }
}

TEST(HostSession, APeerThatStopsReadingHasFramesSkippedThenIsDropped) {
  std::uint32_t now = 1000;
  HostSettings settings;
  settings.address = "127.0.0.1";
  settings.code = kCode;
  const SocketLibrary sockets;
  HostSession session(settings, [&now] { return now; });
  Peer spectator(session.Port());
  spectator.Hello(Role::kSpectator);
  // Every frame changes every cell; the peer keeps talking so that it is not
  // silent, but never reads, so the sockets fill and frames must be skipped.
  Bytes heartbeat;
  AppendHeartbeat(heartbeat);
  CellGrid grids[2]{};
  for (int i = 0; i < kCellCount; ++i) {
    grids[1][static_cast<std::size_t>(i)].Char.UnicodeChar = static_cast<char16_t>('a' + i % 26);
  }
  for (int wait = 0; wait < 1000 && session.Spectators() == 0; ++wait) {
    session.Service();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_EQ(session.Spectators(), 1u);
  int n = 0;
  for (; n < 3000 && session.Connections() > 0; ++n) {
    now += 10;
    session.Service();
    session.Broadcast(grids[n % 2]);
    if (n % 50 == 0) {
      spectator.Send(heartbeat);
    }
  }
  EXPECT_EQ(session.Connections(), 0u) << "dropped once it stayed behind";
  EXPECT_LT(n, 3000);
  // Dropped after the stall time, not at once: the frames before were skipped.
  EXPECT_GT(static_cast<std::uint32_t>(n) * 10, settings.stallMs);
}

// This thread's CPU seconds, where the platform can tell; 0 elsewhere.
double ThreadCpuSeconds() {
#ifdef _WIN32
  return 0.0;
#else
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
#endif
}

struct Pace {
  double passesPerSecond = 0.0;
  double cpuPerPassMs = 0.0;
};

// Paced passes of the host on the real clock for ms.
Pace PassRate(Rig& rig, int ms) {
  FramePacer pacer(kPassPeriodMicroseconds);
  const auto start = SteadyClock::now();
  const double cpuStart = ThreadCpuSeconds();
  int passes = 0;
  while (SteadyClock::now() - start < std::chrono::milliseconds(ms)) {
    RunPass(rig.screen, rig.app);
    ++passes;
    pacer.Wait();
  }
  const double seconds = std::chrono::duration<double>(SteadyClock::now() - start).count();
  return Pace{passes / seconds, 1000.0 * (ThreadCpuSeconds() - cpuStart) / passes};
}

// 100 connections at once, each idle, half a greeting, an oversized length,
// garbage or no such message; then one that greets a byte a second.
void Attack(std::uint16_t port, const std::atomic<bool>& stop, std::atomic<bool>& crowdIn) {
  std::vector<std::unique_ptr<Peer>> crowd;
  const Bytes kinds[] = {
      {}, {0, 40, 1, 'T', 'V', 'K'}, {0xFF, 0xFF, 1, 2, 3}, Bytes(300, 0x5A), {0, 1, 99}};
  for (int n = 0; n < 100 && !stop; ++n) {
    crowd.push_back(std::make_unique<Peer>(port));
    crowd.back()->Send(kinds[n % 5]);
  }
  crowdIn = true;
  const Peer trickle(port);
  Bytes hello;
  AppendHello(Hello{kProtocolVersion, Role::kGuest, kCode}, hello);
  for (std::size_t i = 0; i < hello.size() && !stop; ++i) {
    trickle.Send(Bytes{hello[i]});
    for (int t = 0; t < 100 && !stop; ++t) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
}

// A real guest in the thick of it, once the crowd is in, trying again if it
// was pushed out.
void JoinAsGuest(std::uint16_t port, const std::atomic<bool>& stop,
                 const std::atomic<bool>& crowdIn, std::atomic<bool>& joined) {
  while (!stop && !crowdIn) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  for (int attempt = 0; attempt < 10 && !stop && !joined; ++attempt) {
    Peer peer(port);
    peer.Hello();
    const auto deadline = SteadyClock::now() + std::chrono::seconds(2);
    while (!stop && SteadyClock::now() < deadline && !peer.closed && !joined) {
      peer.Read();
      joined = peer.Got(MessageType::kWelcome) && peer.frames > 0;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
}

// Many connections at once, idle ones, a slow trickle, oversized and garbage
// messages: the host keeps its pass rate and a real guest still joins.
TEST(HostSession, UnderAttackTheHostKeepsItsPaceAndARealGuestJoins) {
  Rig rig({}, true);
  const Pace alone = PassRate(rig, 1000);
  const std::uint16_t port = rig.session.Port();
  std::atomic<bool> stop{false};
  std::atomic<bool> crowdIn{false};
  std::atomic<bool> guestJoined{false};
  std::thread attacker([port, &stop, &crowdIn] { Attack(port, stop, crowdIn); });
  std::thread guest(
      [port, &stop, &crowdIn, &guestJoined] { JoinAsGuest(port, stop, crowdIn, guestJoined); });

  const Pace attacked = PassRate(rig, 4000);
  stop = true;
  attacker.join();
  guest.join();
  // A pass under attack costs the host a small share of its 2 ms. The pass
  // rate is the scheduler's as much as ours: it is held to 450 a second only
  // where the host alone kept close to 500 (CI machines are often loaded).
  EXPECT_LT(attacked.cpuPerPassMs, 0.2) << "alone " << alone.cpuPerPassMs << " ms";
  std::printf("passes a second: alone %.0f, attacked %.0f; CPU a pass: %.3f ms, %.3f ms\n",
              alone.passesPerSecond, attacked.passesPerSecond, alone.cpuPerPassMs,
              attacked.cpuPerPassMs);
  if (alone.passesPerSecond >= 490.0) {
    EXPECT_GT(attacked.passesPerSecond, 450.0);
  }
  EXPECT_TRUE(crowdIn) << "the crowd never got in";
  EXPECT_TRUE(guestJoined);
  EXPECT_LE(rig.session.Connections(), 1u + 8u + rig.settings.maxHandshakes);
}

}  // namespace
}  // namespace torvelkan::net
