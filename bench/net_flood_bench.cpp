// The host under a flood of join codes from many addresses: its pass rate,
// and how many codes it judged and refused unjudged, over five seconds.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <thread>
#include <vector>

#include "app/app.h"
#include "app/main_loop.h"
#include "common/frame_pacer.h"
#include "common/tick.h"
#include "console/console_screen.h"
#include "console/memory_device.h"
#include "net/host_device.h"
#include "net/host_session.h"

namespace torvelkan {
namespace {

using SteadyClock = std::chrono::steady_clock;

// The host as the program runs it, on the real clock and pacer, counting its passes.
class CountingHost {
 public:
  CountingHost() {
    thread = std::thread([this] { Run(); });
    while (port == 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  ~CountingHost() {
    stop = true;
    thread.join();
  }
  CountingHost(const CountingHost&) = delete;
  CountingHost& operator=(const CountingHost&) = delete;

  std::uint16_t Port() const { return port; }
  long Passes() const { return passes; }
  // The host thread's CPU, in microseconds.
  double CpuMicroseconds() const { return cpu; }

 private:
  void Run() {
    const net::SocketLibrary sockets;
    net::HostSettings settings;
    settings.address = "127.0.0.1";
    settings.code = "bench234";
    const auto clock = [] { return ReadTickCount(); };
    net::HostSession session(settings, clock);
    MemoryDevice device;
    net::HostDevice host(device, session, {});
    ConsoleScreen screen(host);
    App app(screen, clock);
    host.Attach(app);
    FramePacer pacer(kPassPeriodMicroseconds);
    port = session.Port();
    while (!stop) {
      RunPass(screen, app);
      ++passes;
      timespec now{};
      clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
      cpu = static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) * 1e-3;
      pacer.Wait();
    }
  }

  std::atomic<std::uint16_t> port{0};
  std::atomic<long> passes{0};
  std::atomic<double> cpu{0.0};
  std::atomic<bool> stop{false};
  std::thread thread;
};

// One wrong code from 127.x.y.z (600 addresses in turn): the refusal's reason, or 0.
int Guess(std::uint16_t port, int n) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(0x7F010000u + static_cast<std::uint32_t>(n % 600) + 1);
  sockaddr_in host{};
  host.sin_family = AF_INET;
  host.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  host.sin_port = htons(port);
  int reason = 0;
  if (bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0 &&
      connect(fd, reinterpret_cast<const sockaddr*>(&host), sizeof host) == 0) {
    std::vector<std::uint8_t> hello;
    net::AppendHello(net::Hello{net::kProtocolVersion, net::Role::kGuest, "zzzzzzzz"}, hello);
    std::array<std::uint8_t, 16> answer{};
    pollfd in{fd, POLLIN, 0};
    if (write(fd, hello.data(), hello.size()) == static_cast<ssize_t>(hello.size()) &&
        poll(&in, 1, 1000) == 1 && read(fd, answer.data(), answer.size()) >= 4 &&
        answer[2] == static_cast<std::uint8_t>(net::MessageType::kRefuse)) {
      reason = answer[3];
    }
  }
  close(fd);
  return reason;
}

void BM_NetHostUnderGuessFlood(benchmark::State& state) {
  const int flooders = static_cast<int>(state.range(0));
  for (auto _ : state) {
    CountingHost host;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::atomic<bool> stop{false};
    std::atomic<long> judged{0};
    std::atomic<long> unjudged{0};
    std::vector<std::thread> threads;
    threads.reserve(static_cast<std::size_t>(flooders));
    for (int t = 0; t < flooders; ++t) {
      threads.emplace_back([&, t] {
        for (int n = t; !stop; n += flooders) {
          const int reason = Guess(host.Port(), n);
          (reason == static_cast<int>(net::RefuseReason::kWrongCode) ? judged : unjudged) += 1;
        }
      });
    }
    const long passesBefore = host.Passes();
    const double cpuBefore = host.CpuMicroseconds();
    const auto start = SteadyClock::now();
    std::this_thread::sleep_for(std::chrono::seconds(5));
    const double seconds = std::chrono::duration<double>(SteadyClock::now() - start).count();
    // cppcheck-suppress duplicateExpression ; the host's thread counts on meanwhile
    const long passes = host.Passes() - passesBefore;
    // cppcheck-suppress duplicateExpression ; as above
    const double cpu = host.CpuMicroseconds() - cpuBefore;
    const long judgedIn = judged;
    const long unjudgedIn = unjudged;
    stop = true;
    for (std::thread& thread : threads) {
      thread.join();
    }
    state.counters["passes_per_second"] = static_cast<double>(passes) / seconds;
    state.counters["host_cpu_us_per_pass"] = cpu / static_cast<double>(passes);
    state.counters["judged_per_second"] = static_cast<double>(judgedIn) / seconds;
    state.counters["refused_unjudged_per_second"] = static_cast<double>(unjudgedIn) / seconds;
  }
}
BENCHMARK(BM_NetHostUnderGuessFlood)
    ->Arg(0)
    ->Arg(2)
    ->Arg(16)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->UseRealTime();

}  // namespace
}  // namespace torvelkan

BENCHMARK_MAIN();
