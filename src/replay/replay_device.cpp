// The replay's console device: the game's title with the replay's state.
#include "replay/replay_device.h"

namespace torvelkan::replay {

void ReplayDevice::SetTitle(const char* text) {
  title = text;
  ShowTitle();
}

void ReplayDevice::SetStatus(const std::string& text) {
  if (text != status) {
    status = text;
    ShowTitle();
  }
}

void ReplayDevice::ShowTitle() {
  const std::string shown = title + (status.empty() ? " (replay)" : " (replay, " + status + ")");
  screen.SetTitle(shown.c_str());
}

}  // namespace torvelkan::replay
