// The console device of a game played in a browser: the browser's page is its
// screen and keyboard.
//
// Each frame shown goes to every browser that joined; each pass's input check
// serves the network and takes the player's key events, which the App reads
// as it reads a terminal's. A quit signal ends the game as Esc in the menu does.
#pragma once

#include <deque>
#include <functional>
#include <string>

#include "console/console_device.h"
#include "web/web_server.h"

namespace torvelkan::web {

class WebDevice final : public ConsoleDevice {
 public:
  // The server must outlive the device; each note of the server (a browser
  // joined, left or was refused) goes to note.
  WebDevice(WebServer& server, std::function<void(const std::string&)> note);
  // Says goodbye to the browsers once the game has ended.
  ~WebDevice() override;
  WebDevice(const WebDevice&) = delete;
  WebDevice& operator=(const WebDevice&) = delete;

  void Present(const CellGrid& cells) override;
  bool HasInput() override;
  void ReadInput(InputRecord& record) override;
  void SetTitle(const char* /*title*/) override {}
  bool QuitRequested() override { return server.QuitSignal() != 0; }

  // The loop's sleep: until deadlineUs on the monotonic clock, or sooner when
  // a browser sends something.
  void WaitUntil(std::int64_t deadlineUs);

 private:
  void TakeFromServer();

  WebServer& server;
  std::function<void(const std::string&)> note;
  std::deque<InputRecord> input;
};

}  // namespace torvelkan::web
