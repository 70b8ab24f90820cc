// The network's figures: bytes a second to a guest over the busy minute, a
// guest's key-down to the change on its own screen on loopback, and the host's
// CPU with a guest and two spectators against none.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "app/app.h"
#include "app/main_loop.h"
#include "busy_minute.h"
#include "common/frame_pacer.h"
#include "common/keys.h"
#include "common/tick.h"
#include "console/console_screen.h"
#include "console/memory_device.h"
#include "net/grid_diff.h"
#include "net/guest_client.h"
#include "net/host_device.h"
#include "net/host_session.h"

namespace torvelkan {
namespace {

using SteadyClock = std::chrono::steady_clock;
constexpr char kCode[] = "bench234";

void BM_NetBytesBusyMinute(benchmark::State& state) {
  static const bench::BusyMinute minute = bench::RecordBusyMinute();
  std::vector<std::uint8_t> out;
  double bytes = 0.0;
  for (auto _ : state) {
    CellGrid shown{};  // a new guest has a blank grid
    bytes = 0.0;
    for (const CellGrid& frame : minute.sent) {
      out.clear();
      const CellGrid wire = net::WireGrid(frame);
      net::AppendFrame(shown, wire, out);
      shown = wire;
      bytes += static_cast<double>(out.size());
      benchmark::DoNotOptimize(out.data());
    }
  }
  const double seconds = bench::kBusyMinuteMs / 1000.0;
  state.counters["frames_sent"] = static_cast<double>(minute.sent.size());
  state.counters["bytes_per_second"] = bytes / seconds;
}
BENCHMARK(BM_NetBytesBusyMinute)->Unit(benchmark::kMillisecond)->Iterations(3);

// The host as the program runs it, on the real clock and pacer, in its own thread.
class RunningHost {
 public:
  RunningHost() {
    settings.address = "127.0.0.1";
    settings.code = kCode;
    thread = std::thread([this] { Run(); });
    while (port == 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  ~RunningHost() {
    stop = true;
    thread.join();
  }
  RunningHost(const RunningHost&) = delete;
  RunningHost& operator=(const RunningHost&) = delete;

  // The host's thread's CPU seconds and the wall seconds, from when it was
  // last reset.
  void Reset() { resetRequested = true; }
  double CpuSeconds() const { return cpu; }
  double WallSeconds() const { return wall; }
  bool Fighting() const { return fighting; }
  std::uint16_t Port() const { return port; }

 private:
  static double ThreadCpu() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
  }

  void Run() {
    const net::SocketLibrary sockets;
    const auto clock = [] { return ReadTickCount(); };
    net::HostSession session(settings, clock);
    MemoryDevice device;
    net::HostDevice host(device, session, {});
    ConsoleScreen screen(host);
    App app(screen, clock);
    host.Attach(app);
    FramePacer pacer(kPassPeriodMicroseconds);
    port = session.Port();
    const std::uint32_t start = ReadTickCount();
    bool entered = false;
    double cpuStart = ThreadCpu();
    auto wallStart = SteadyClock::now();
    while (!stop) {
      if (!entered && ReadTickCount() - start > App::kNoticeMs + 200) {
        device.PushKey(vk::kEnter);
        device.PushKey(vk::kEnter);
        entered = true;
      }
      RunPass(screen, app);
      fighting = app.CurrentMatch() != nullptr && app.CurrentMatch()->CountdownOver();
      if (resetRequested.exchange(false)) {
        cpuStart = ThreadCpu();
        wallStart = SteadyClock::now();
      }
      cpu = ThreadCpu() - cpuStart;
      wall = std::chrono::duration<double>(SteadyClock::now() - wallStart).count();
      pacer.Wait();
    }
  }

  net::HostSettings settings;
  std::atomic<std::uint16_t> port{0};
  std::atomic<bool> stop{false};
  std::atomic<bool> fighting{false};
  std::atomic<bool> resetRequested{false};
  std::atomic<double> cpu{0.0};
  std::atomic<double> wall{0.0};
  std::thread thread;
};

// The guest's own screen: it types keys on cue and notes when the picture
// first changes below the counters after each key-down.
class WatchingDevice final : public ConsoleDevice {
 public:
  void Present(const CellGrid& cells) override {
    const bool changed =
        !std::equal(cells.begin() + kColumns, cells.end(), last.begin() + kColumns,
                    [](const Cell& a, const Cell& b) {
                      return CellChar(a) == CellChar(b) && CellAttribute(a) == CellAttribute(b);
                    });
    last = cells;
    const std::lock_guard<std::mutex> lock(mutex);
    if (changed && waiting) {
      latencies.push_back(
          std::chrono::duration<double, std::milli>(SteadyClock::now() - pressed).count());
      waiting = false;
    }
  }
  bool HasInput() override {
    const std::lock_guard<std::mutex> lock(mutex);
    return !keys.empty();
  }
  void ReadInput(InputRecord& record) override {
    const std::lock_guard<std::mutex> lock(mutex);
    record = keys.front();
    keys.pop_front();
    if (IsKeyDown(record) && KeyCode(record) != vk::kEscape) {
      pressed = SteadyClock::now();  // the moment the guest's program has the key
      waiting = true;
    }
  }
  void SetTitle(const char* /*title*/) override {}

  void Type(std::uint16_t code, bool down) {
    const std::lock_guard<std::mutex> lock(mutex);
    keys.push_back(MakeKeyRecord(code, down));
  }
  bool Waiting() {
    const std::lock_guard<std::mutex> lock(mutex);
    return waiting;
  }
  std::vector<double> Latencies() {
    const std::lock_guard<std::mutex> lock(mutex);
    return latencies;
  }

 private:
  CellGrid last{};
  std::mutex mutex;
  std::deque<InputRecord> keys;
  SteadyClock::time_point pressed;
  bool waiting = false;
  std::vector<double> latencies;
};

struct Peer {
  Peer(std::uint16_t port, net::Role role) {
    settings.host = "127.0.0.1";
    settings.port = port;
    settings.code = kCode;
    settings.role = role;
    std::string error;
    socket = net::ConnectToHost(settings, error);
    if (socket.IsOpen()) {
      thread = std::thread([this] {
        net::RunGuest(std::move(socket), device, settings, [] { return ReadTickCount(); });
      });
    }
  }
  ~Peer() {
    device.Type(vk::kEscape, true);
    if (thread.joinable()) {
      thread.join();
    }
  }
  Peer(const Peer&) = delete;
  Peer& operator=(const Peer&) = delete;

  net::JoinSettings settings;
  net::Socket socket;
  WatchingDevice device;
  std::thread thread;
};

double Percentile(std::vector<double> values, double fraction) {
  if (values.empty()) {
    return -1.0;
  }
  std::sort(values.begin(), values.end());
  const auto at = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
  return values[at];
}

void WaitForFight(const RunningHost& host) {
  while (!host.Fighting()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// Blue walks a step one way, then the other, a key-down each time.
void BM_NetGuestKeyToScreen(benchmark::State& state) {
  const net::SocketLibrary sockets;
  for (auto _ : state) {
    RunningHost host;
    WaitForFight(host);
    Peer guest(host.Port(), net::Role::kGuest);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    for (int n = 0; n < 60; ++n) {
      const std::uint16_t key = n % 2 == 0 ? vk::kLeft : vk::kRight;
      guest.device.Type(key, true);
      const auto deadline = SteadyClock::now() + std::chrono::milliseconds(500);
      std::this_thread::sleep_for(std::chrono::milliseconds(40));
      while (guest.device.Waiting() && SteadyClock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      guest.device.Type(key, false);
      std::this_thread::sleep_for(std::chrono::milliseconds(60));
    }
    const std::vector<double> latencies = guest.device.Latencies();
    state.counters["samples"] = static_cast<double>(latencies.size());
    state.counters["p50_ms"] = Percentile(latencies, 0.50);
    state.counters["p95_ms"] = Percentile(latencies, 0.95);
  }
}
BENCHMARK(BM_NetGuestKeyToScreen)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// The host's own CPU over five seconds of a fight, alone or with a guest
// (walking and jumping) and two spectators.
void BM_NetHostCpu(benchmark::State& state) {
  const net::SocketLibrary sockets;
  const bool watched = state.range(0) != 0;
  for (auto _ : state) {
    RunningHost host;
    WaitForFight(host);
    std::vector<std::unique_ptr<Peer>> peers;
    if (watched) {
      peers.push_back(std::make_unique<Peer>(host.Port(), net::Role::kGuest));
      peers.push_back(std::make_unique<Peer>(host.Port(), net::Role::kSpectator));
      peers.push_back(std::make_unique<Peer>(host.Port(), net::Role::kSpectator));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    host.Reset();
    for (int n = 0; n < 25; ++n) {
      if (watched) {
        const std::uint16_t key = n % 2 == 0 ? vk::kLeft : vk::kRight;
        peers[0]->device.Type(key, true);
        peers[0]->device.Type(vk::kUp, true);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      if (watched) {
        peers[0]->device.Type(n % 2 == 0 ? vk::kLeft : vk::kRight, false);
        peers[0]->device.Type(vk::kUp, false);
      }
    }
    state.counters["host_cpu_percent"] = 100.0 * host.CpuSeconds() / host.WallSeconds();
  }
}
BENCHMARK(BM_NetHostCpu)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

}  // namespace
}  // namespace torvelkan

BENCHMARK_MAIN();
