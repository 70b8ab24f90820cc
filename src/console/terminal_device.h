// The console device for POSIX terminals (placeholder until the full device lands).
#pragma once

#include "console/console_device.h"

namespace torvelkan {

class TerminalDevice final : public ConsoleDevice {
 public:
  TerminalDevice();
  ~TerminalDevice() override;
  void Present(const CellGrid& cells) override;
  bool HasInput() override;
  void ReadInput(InputRecord& record) override;
  void SetTitle(const char* title) override;
};

}  // namespace torvelkan
