// The game played in a web browser: the web server and its device, the grid,
// the App and the loop on its schedule, as when played here in a terminal.
#include "program/play_in_browser.h"

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "app/app.h"
#include "app/main_loop.h"
#include "common/monotonic_clock.h"
#include "common/tick.h"
#include "console/console_screen.h"
#include "net/join_code.h"
#include "net/socket.h"
#include "replay/session_recording.h"
#include "web/web_device.h"
#include "web/web_server.h"

namespace torvelkan {

namespace {

std::string PageAddress(const std::string& host, std::uint16_t port, const std::string& code) {
  const bool six = host.find(':') != std::string::npos;
  return "http://" + (six ? "[" + host + "]" : host) + ":" + std::to_string(port) + "/" + code +
         "/";
}

// The addresses to open, on standard output: a script or a person can take
// them from there, since the game itself never touches the terminal.
void PrintAddresses(const WebOptions& options, std::uint16_t port, const std::string& code) {
  const std::vector<std::string> hosts =
      options.address.empty() ? net::LocalAddresses() : std::vector<std::string>{options.address};
  std::string text;
  for (const std::string& host : hosts) {
    text += (text.empty() ? "Open " : "  or ") + PageAddress(host, port, code) + "\n";
  }
  text += "in a web browser to play. The game ends with its menu's exit, or Ctrl+C here.\n";
  if (std::fputs(text.c_str(), stdout) < 0 || std::fflush(stdout) != 0) {
    throw std::runtime_error("cannot write the address to standard output");
  }
}

void NoteOnStandardError(const std::string& line) {
  std::fprintf(stderr, "torvelkan: %s\n", line.c_str());
}

}  // namespace

int PlayInBrowser(const WebOptions& options, const std::string& recordPath,
                  const std::string& programVersion) {
  web::WebSettings settings;
  settings.address = options.address;
  settings.port = options.port;
  settings.code = net::NewJoinCode();
  web::WebServer server(settings, ReadTickCount);
  // Once the port is ours, so that a game that cannot start leaves FILE as it was.
  replay::SessionRecording recording(recordPath, programVersion);
  PrintAddresses(options, server.Port(), settings.code);
  {
    web::WebDevice device(server, NoteOnStandardError);
    ConsoleScreen screen(recording.Wrap(device));
    PassSchedule schedule(ReadTickCount(), MonotonicMicroseconds());
    App app(screen, recording.Wrap([&schedule] { return schedule.Tick(); }));
    LoopClock clock;
    clock.now = [] { return MonotonicMicroseconds(); };
    clock.waitUntil = [&device](std::int64_t deadline) { device.WaitUntil(deadline); };
    RunMainLoop(screen, app, schedule, clock);
    // The page keeps the last picture once the game is over: ended by a
    // signal, that is the state the game ended in, drawn once more (drawing
    // changes nothing in the game).
    if (server.QuitSignal() != 0) {
      app.Render(screen);
    }
    recording.Finish();
  }  // the browsers are told the game is over
  const int signal = server.QuitSignal();
  return signal != 0 ? 128 + signal : 0;
}

}  // namespace torvelkan
