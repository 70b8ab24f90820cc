// The seam between the cell grid and a real console: terminal, Windows console
// or the memory device of the tests.
//
// A device takes the console over when it is constructed and gives it back when
// it is destroyed. Which real device the program uses is chosen at build time
// (program/platform_device.h).
#pragma once

#include "console/console_types.h"

namespace torvelkan {

class ConsoleDevice {
 public:
  ConsoleDevice() = default;
  ConsoleDevice(const ConsoleDevice&) = delete;
  ConsoleDevice& operator=(const ConsoleDevice&) = delete;
  virtual ~ConsoleDevice() = default;

  // Shows the whole grid and hides the cursor.
  virtual void Present(const CellGrid& cells) = 0;

  // True when at least one input event is waiting. Never reports an event that
  // is not there, so that ReadInput cannot block after it said yes.
  virtual bool HasInput() = 0;

  // Takes exactly one waiting event.
  virtual void ReadInput(InputRecord& record) = 0;

  // The window title while the program runs.
  virtual void SetTitle(const char* title) = 0;

  // True once the program has been asked from outside to end (a signal).
  virtual bool QuitRequested() { return false; }

  // The frame presented next holds lines of text from this grid row down
  // (kRows: none). A console too short for the whole grid, which halves it,
  // shows those rows at full height instead, as many as fit.
  virtual void ShowTextFrom(int /*row*/) {}

  // How many grid rows from `row` down the console shows at full height in a
  // frame of text: all of them where it shows the whole grid.
  virtual int RowsShownFrom(int row) { return kRows - row; }
};

}  // namespace torvelkan
