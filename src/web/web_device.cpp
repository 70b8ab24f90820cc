// The console device of a game played in a browser.
#include "web/web_device.h"

#include <utility>

namespace torvelkan::web {

namespace {

// For the last frame and the farewell to reach the browsers.
constexpr std::uint32_t kFarewellMs = 1000;

}  // namespace

WebDevice::WebDevice(WebServer& webServer, std::function<void(const std::string&)> noteSink)
    : server(webServer), note(std::move(noteSink)) {}

WebDevice::~WebDevice() {
  server.Farewell(kFarewellMs);
  TakeFromServer();
}

void WebDevice::Present(const CellGrid& cells) { server.Broadcast(cells); }

bool WebDevice::HasInput() {
  if (input.empty()) {
    server.Poll();
    TakeFromServer();
  }
  return !input.empty();
}

void WebDevice::ReadInput(InputRecord& record) {
  if (input.empty()) {
    record = InputRecord{};
    return;
  }
  record = input.front();
  input.pop_front();
}

void WebDevice::WaitUntil(std::int64_t deadlineUs) {
  if (input.empty()) {
    server.WaitUntil(deadlineUs);
    TakeFromServer();
  }
}

void WebDevice::TakeFromServer() {
  for (const net::KeyEvent& key : server.Room().TakeKeys()) {
    input.push_back(MakeKeyRecord(key.code, key.down));
  }
  if (note) {
    for (const std::string& line : server.Room().TakeNotes()) {
      note(line);
    }
  }
}

}  // namespace torvelkan::web
