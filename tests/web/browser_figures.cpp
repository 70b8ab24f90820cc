// Not a test: the figures of a browser player at an arena server, for
// README.md, by tools/measure-browser. In headless Chromium, the page plays
// red in a room of its own (the AI plays blue) on loopback:
//   - key to screen: from a key-down's event in the page to the first frame
//     in which red has moved a cell (applied to the grid, then drawn);
//   - bytes a second the page receives in a fight (WebSocket framing
//     counted) while red walks, jumps and shoots;
//   - the page's CPU meanwhile, from Chromium's own counters
//     (Performance.getMetrics: TaskDuration and ScriptDuration over the
//     window);
//   - a screenshot of the fight, when asked for.
// Settings from the environment: TORVELKAN_PRESSES (60), TORVELKAN_SECONDS
// (20), TORVELKAN_SCREENSHOT (a PNG file to write; none by default).
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "e2e/arena_process.h"
#include "net/messages.h"
#include "net/socket.h"
#include "online/lobby_connection.h"
#include "web/browser_page.h"
#include "web/devtools_pipe.h"

namespace torvelkan::web::testing {
namespace {

using SteadyClock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using std::chrono::seconds;

int Setting(const char* name, int otherwise) {
  const char* value = std::getenv(name);
  return value != nullptr && std::atoi(value) > 0 ? std::atoi(value) : otherwise;
}

// Watches the page: each key-down starts a press, which ends with the first
// frame that changes the picture below the top row (frame), as the terminal
// guest's figure is measured, and its drawing (drawn); and, apart, the first
// frame in which red has moved a cell (moved).
constexpr char kWatcher[] = R"(
(() => {
  const below = () => torvelkan.grid().slice(80 * 4);
  const redColumn = (grid) => {
    const columns = [];
    for (let row = 2; row < 49; ++row) {
      let run = 0, longest = 0;
      const inRow = [];
      for (let column = 0; column < 80; ++column) {
        const i = (row * 80 + column) * 4;
        run = (parseInt(grid.substr(i + 2, 2), 16) >> 4) === 12 ? run + 1 : 0;
        longest = Math.max(longest, run);
        if (run > 0) inRow.push(column);
      }
      if (longest >= 5) columns.push(...inRow);
    }
    columns.sort((a, b) => a - b);
    return columns.length ? columns[Math.floor(columns.length / 2)] : -1;
  };
  window.measured = [];
  let press = null;
  addEventListener('keydown', (event) => {
    if (!event.repeat) {
      const picture = below();
      press = { start: event.timeStamp, picture, column: redColumn(picture) };
    }
  }, true);
  torvelkan.observe((what, time) => {
    if (press === null) return;
    if (what === 'frame') {
      const picture = below();
      if (press.frame === undefined && picture !== press.picture) press.frame = time - press.start;
      if (press.moved === undefined && redColumn(picture) !== press.column) {
        press.moved = time - press.start;
      }
    } else if (what === 'drawn' && press.frame !== undefined && press.drawn === undefined) {
      press.drawn = time - press.start;
    }
    if (press.drawn !== undefined && press.moved !== undefined) {
      measured.push([press.frame, press.drawn, press.moved]);
      press = null;
    }
  });
  return 'watching';
})()
)";

net::Socket JoinAsGuest(std::uint16_t port, const std::string& code) {
  std::string error;
  return online::ConnectToRoom("127.0.0.1", port, 3000, code, net::Role::kGuest, error);
}

// A player that takes blue's seat and does nothing, so that no AI moves: the
// picture changes only when red does.
class IdleBlue {
 public:
  IdleBlue(std::uint16_t port, const std::string& code) : socket(JoinAsGuest(port, code)) {
    thread = std::thread([this] {
      std::array<std::uint8_t, 16384> buffer{};
      while (!stop && socket.IsOpen()) {
        net::PollEntry entry{socket.Get(), false, false, false};
        net::PollSockets(std::span<net::PollEntry>(&entry, 1), 100);
        if (entry.readable && net::ReceiveSome(socket.Get(), buffer) == net::kClosed) {
          break;
        }
        std::vector<std::uint8_t> beat;
        net::AppendHeartbeat(beat);
        net::SendSome(socket.Get(), beat);
      }
    });
  }
  ~IdleBlue() {
    stop = true;
    thread.join();
  }
  IdleBlue(const IdleBlue&) = delete;
  IdleBlue& operator=(const IdleBlue&) = delete;

  bool In() const { return socket.IsOpen(); }

 private:
  net::Socket socket;
  std::atomic<bool> stop{false};
  std::thread thread;
};

double Percentile(std::vector<double> values, double share) {
  if (values.empty()) {
    return -1;
  }
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1,
                         static_cast<std::size_t>(share * static_cast<double>(values.size())))];
}

double Metric(Chromium& browser, const std::string& session, const std::string& name) {
  const Json metrics = browser.Call("Performance.getMetrics", "{}", session);
  const auto list = metrics.get_child_optional("metrics");
  if (!list) {
    return -1;
  }
  for (const auto& [key, metric] : *list) {
    if (metric.get<std::string>("name", "") == name) {
      return metric.get<double>("value", 0);
    }
  }
  return -1;
}

std::string DecodeBase64(const std::string& text) {
  std::string bytes;
  unsigned value = 0;
  int bits = 0;
  for (const char c : text) {
    const char* table = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const char* at = std::strchr(table, c);
    if (c == '=' || at == nullptr || c == '\0') {
      continue;
    }
    value = (value << 6) | static_cast<unsigned>(at - table);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      bytes.push_back(static_cast<char>((value >> bits) & 0xFF));
    }
  }
  return bytes;
}

TEST(BrowserFigures, KeyToScreenBytesAndThePagesCpuInAFight) {
  const std::string chromium = TORVELKAN_CHROMIUM;
  ASSERT_EQ(access(chromium.c_str(), X_OK), 0) << "no Chromium";
  e2e::ArenaProcess server({"--web", "127.0.0.1:0"});
  Chromium browser(chromium);
  ASSERT_TRUE(browser.Running()) << browser.Error();
  const std::string session =
      browser.Open("http://127.0.0.1:" + std::to_string(server.WebPort()) + "/", 660, 840);
  const Page page(browser, session);
  Grid grid;
  ASSERT_TRUE(page.WaitFor([](const Grid& g) { return g.Shows("Start a room"); }, seconds(10)));
  page.Tap("Enter", "Enter", 13);  // Start a room: red, blue the AI
  ASSERT_TRUE(page.WaitFor(Fighting, seconds(10), &grid)) << grid.Text();
  const std::string status = page.Status();
  const std::string code = status.substr(8, status.find(':') - 8);  // "In room CODE: ..."
  std::printf("%s\n", status.c_str());

  // Key to screen: red steps left and right in turn, blue idle.
  {
    const IdleBlue blue(static_cast<std::uint16_t>(server.Port()), code);
    ASSERT_TRUE(blue.In());
    ASSERT_TRUE(
        page.WaitFor([](const Grid& g) { return g.Shows("You are red") && !g.Shows("AI until"); },
                     seconds(5), &grid))
        << grid.Text();
    page.Settled(kRedBody);
    ASSERT_EQ(browser.Evaluate(session, kWatcher), "watching");
    const int presses = Setting("TORVELKAN_PRESSES", 60);
    for (int n = 0; n < presses; ++n) {
      const bool left = n % 2 == 0;
      const std::string key = left ? "ArrowLeft" : "ArrowRight";
      page.Down(key, key, left ? 37 : 39);
      const auto until = SteadyClock::now() + milliseconds(500);
      while (SteadyClock::now() < until &&
             std::stoi("0" + browser.Evaluate(session, "String(measured.length)")) <= n) {
        std::this_thread::sleep_for(milliseconds(2));
      }
      page.Up(key, key, left ? 37 : 39);
      std::this_thread::sleep_for(milliseconds(100));
    }
    std::vector<double> framed;
    std::vector<double> drawn;
    std::vector<double> moved;
    std::istringstream read(browser.Evaluate(session, "measured.flat().join(' ')"));
    for (double f = 0, d = 0, m = 0; read >> f >> d >> m;) {
      framed.push_back(f);
      drawn.push_back(d);
      moved.push_back(m);
    }
    std::printf(
        "key to screen, %zu of %d presses: the frame in the grid p50 %.1f ms, p95 %.1f ms; "
        "drawn p50 %.1f ms, p95 %.1f ms; red a cell further p50 %.1f ms, p95 %.1f ms\n",
        framed.size(), presses, Percentile(framed, 0.5), Percentile(framed, 0.95),
        Percentile(drawn, 0.5), Percentile(drawn, 0.95), Percentile(moved, 0.5),
        Percentile(moved, 0.95));
  }
  ASSERT_TRUE(page.WaitFor([](const Grid& g) { return g.Shows("AI until"); }, seconds(5), &grid))
      << grid.Text();

  // A fight: red walks, jumps and shoots at random, the AI plays blue.
  browser.Call("Performance.enable", R"({"timeDomain":"threadTicks"})", session);
  const double tasks = Metric(browser, session, "TaskDuration");
  const double scripts = Metric(browser, session, "ScriptDuration");
  const double bytes = std::stod(browser.Evaluate(session, "String(torvelkan.received())"));
  const auto start = SteadyClock::now();
  std::mt19937 random(7);
  const char* keys[] = {"ArrowLeft", "ArrowRight", "ArrowUp", "ArrowDown"};
  const int codes[] = {37, 39, 38, 40};
  const int secondsLong = Setting("TORVELKAN_SECONDS", 20);
  bool shot = false;
  while (SteadyClock::now() - start < seconds(secondsLong)) {
    const int k = static_cast<int>(random() % 4);
    page.Down(keys[k], keys[k], codes[k]);
    std::this_thread::sleep_for(milliseconds(50 + random() % 200));
    page.Up(keys[k], keys[k], codes[k]);
    const char* screenshot = std::getenv("TORVELKAN_SCREENSHOT");
    if (!shot && screenshot != nullptr && SteadyClock::now() - start > seconds(6)) {
      shot = true;
      const std::string clip = browser.Evaluate(
          session,
          "(() => { const r = document.getElementById('screen').getBoundingClientRect(); return "
          "`{\"x\":${r.x},\"y\":${r.y},"
          "\"width\":${r.width},\"height\":${r.height},\"scale\":0.75}`; })()");
      const Json image = browser.Call("Page.captureScreenshot",
                                      R"({"format":"png","clip":)" + clip + "}", session);
      std::ofstream(screenshot, std::ios::binary)
          << DecodeBase64(image.get<std::string>("data", ""));
    }
  }
  const double wall = std::chrono::duration<double>(SteadyClock::now() - start).count();
  const double received =
      std::stod(browser.Evaluate(session, "String(torvelkan.received())")) - bytes;
  std::printf(
      "a fight of %.1f s: %.1f k bytes a second to the page; the page's main thread "
      "busy %.2f %% (scripts %.2f %%)\n",
      wall, received / wall / 1000, 100 * (Metric(browser, session, "TaskDuration") - tasks) / wall,
      100 * (Metric(browser, session, "ScriptDuration") - scripts) / wall);
}

}  // namespace
}  // namespace torvelkan::web::testing
