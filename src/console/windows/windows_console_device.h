// The console device for the Windows text console: the program's own 80 x 50
// screen buffer, shown in one block output per frame.
#pragma once

#include "console/console_device.h"

namespace torvelkan {

class WindowsConsoleDevice final : public ConsoleDevice {
 public:
  WindowsConsoleDevice();
  ~WindowsConsoleDevice() override;

  void Present(const CellGrid& cells) override;
  bool HasInput() override;
  void ReadInput(InputRecord& record) override;
  void SetTitle(const char* title) override;

 private:
  HANDLE input;
  HANDLE standardOutput;
  HANDLE ownBuffer;
};

}  // namespace torvelkan
