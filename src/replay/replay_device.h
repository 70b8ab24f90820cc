// The console device the App draws on during a replay: frames go to the real
// device, input comes from the recording (the viewer's keys never reach the
// App), and the title says that this is a replay and how it plays.
#pragma once

#include <string>

#include "console/console_device.h"

namespace torvelkan::replay {

class ReplayDevice final : public ConsoleDevice {
 public:
  explicit ReplayDevice(ConsoleDevice& screen) : screen(screen) {}

  void Present(const CellGrid& cells) override { screen.Present(cells); }
  bool HasInput() override { return false; }
  void ReadInput(InputRecord& record) override { record = InputRecord{}; }
  void SetTitle(const char* text) override;
  bool QuitRequested() override { return screen.QuitRequested(); }
  void ShowTextFrom(int row) override { screen.ShowTextFrom(row); }
  int RowsShownFrom(int row) override { return screen.RowsShownFrom(row); }

  // "" at normal speed, else "paused", "2x", "ended"...: shown in the title.
  void SetStatus(const std::string& text);

 private:
  void ShowTitle();

  ConsoleDevice& screen;
  std::string title;
  std::string status;
};

}  // namespace torvelkan::replay
