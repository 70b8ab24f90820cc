// The console device for the Windows text console: the program's own 80 x 50
// screen buffer, shown in one block output per frame.
//
// The console's own calls take the grid and give the events as they are:
// a cell is a CHAR_INFO and an event an INPUT_RECORD, so nothing is converted.
// No result is examined: if the console refuses something the game goes on.
// The calls come through Calls (WindowsConsoleCalls in the program), so a test
// on any platform can check which calls the device makes and with what.
#pragma once

#include "console/console_device.h"

namespace torvelkan {

template <typename Calls>
class BasicWindowsConsoleDevice final : public ConsoleDevice {
 public:
  explicit BasicWindowsConsoleDevice(Calls callsIn = Calls{})
      : calls(callsIn),
        input(calls.GetStdHandle(Calls::kStandardInput)),
        standardOutput(calls.GetStdHandle(Calls::kStandardOutput)),
        ownBuffer(
            calls.CreateConsoleScreenBuffer(Calls::kGenericWrite, 0, Calls::kTextModeBuffer)) {
    calls.SetConsoleScreenBufferSize(ownBuffer, Coord{kColumns, kRows});
    // The text that stood in the standard output buffer stays as it was.
    calls.SetConsoleActiveScreenBuffer(ownBuffer);
    // The buffer is sized first, so the window always fits it.
    const Rect window{0, 0, kColumns - 1, kRows - 1};
    calls.SetConsoleWindowInfo(ownBuffer, Calls::kTrue, &window);
  }

  ~BasicWindowsConsoleDevice() override {
    calls.SetConsoleActiveScreenBuffer(standardOutput);
    calls.CloseHandle(ownBuffer);
  }

  BasicWindowsConsoleDevice(const BasicWindowsConsoleDevice&) = delete;
  BasicWindowsConsoleDevice& operator=(const BasicWindowsConsoleDevice&) = delete;

  void Present(const CellGrid& cells) override {
    Rect region{0, 0, kColumns - 1, kRows - 1};
    calls.WriteConsoleOutputA(ownBuffer, cells.data(), Coord{kColumns, kRows}, Coord{0, 0},
                              &region);
    // Hidden again on every present.
    const CursorInfo cursor{100, Calls::kFalse};
    calls.SetConsoleCursorInfo(ownBuffer, &cursor);
  }

  bool HasInput() override {
    Dword waiting = 0;
    // A console that cannot be asked has nothing to read: ReadInput would block.
    if (!calls.GetNumberOfConsoleInputEvents(input, &waiting)) {
      return false;
    }
    return waiting != 0;
  }

  void ReadInput(InputRecord& record) override {
    Dword read = 0;
    calls.ReadConsoleInputA(input, &record, 1, &read);
  }

  void SetTitle(const char* title) override { calls.SetConsoleTitleA(title); }

 private:
  using Handle = typename Calls::Handle;
  using Dword = typename Calls::Dword;
  using Coord = typename Calls::Coord;
  using Rect = typename Calls::Rect;
  using CursorInfo = typename Calls::CursorInfo;

  Calls calls;
  Handle input;
  Handle standardOutput;
  Handle ownBuffer;
};

}  // namespace torvelkan

#ifdef _WIN32
#include "console/windows/windows_console_calls.h"

namespace torvelkan {
using WindowsConsoleDevice = BasicWindowsConsoleDevice<WindowsConsoleCalls>;
}  // namespace torvelkan
#endif
