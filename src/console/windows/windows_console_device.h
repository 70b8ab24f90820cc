// The console device for the Windows text console: the program's own screen
// buffer, shown in one block output per frame. Where the console's window
// can be 80 x 50 the buffer is that size and the window is made so, as the
// game always had it; a window of fewer rows (Windows Terminal keeps its own
// size, a small screen cannot hold 50 rows) gets the half view, two grid rows
// a console row, in a buffer the size of the window.
//
// The console's own calls take the grid and give the events as they are:
// a cell is a CHAR_INFO and an event an INPUT_RECORD, so nothing is converted.
// No result is examined but the window's size: if the console refuses
// something the game goes on.
// The calls come through Calls (WindowsConsoleCalls in the program), so a test
// on any platform can check which calls the device makes and with what.
#pragma once

#include <algorithm>

#include "console/console_device.h"
#include "console/half_view.h"
#include "console/view_choice.h"

namespace torvelkan {

template <typename Calls>
class BasicWindowsConsoleDevice final : public ConsoleDevice {
 public:
  explicit BasicWindowsConsoleDevice(Calls callsIn = Calls{},
                                     ViewChoice viewChoice = ViewChoice::kAuto)
      : calls(callsIn),
        choice(viewChoice),
        input(calls.GetStdHandle(Calls::kStandardInput)),
        standardOutput(calls.GetStdHandle(Calls::kStandardOutput)),
        ownBuffer(
            // Read too: the window's size is read from it.
            calls.CreateConsoleScreenBuffer(Calls::kGenericRead | Calls::kGenericWrite, 0,
                                            Calls::kTextModeBuffer)) {
    calls.SetConsoleScreenBufferSize(ownBuffer, Coord{kColumns, kRows});
    // The text that stood in the standard output buffer stays as it was.
    calls.SetConsoleActiveScreenBuffer(ownBuffer);
    // The buffer is sized first, so the window always fits it. A window that
    // cannot have 50 rows is left as it is, and so is the window where the
    // half view is chosen.
    BufferInfo info{};
    const bool known = calls.GetConsoleScreenBufferInfo(ownBuffer, &info) != 0;
    if (choice != ViewChoice::kHalf && (!known || info.dwMaximumWindowSize.Y >= kRows)) {
      const Rect window{0, 0, kColumns - 1, kRows - 1};
      calls.SetConsoleWindowInfo(ownBuffer, Calls::kTrue, &window);
    }
  }

  ~BasicWindowsConsoleDevice() override {
    calls.SetConsoleActiveScreenBuffer(standardOutput);
    calls.CloseHandle(ownBuffer);
  }

  BasicWindowsConsoleDevice(const BasicWindowsConsoleDevice&) = delete;
  BasicWindowsConsoleDevice& operator=(const BasicWindowsConsoleDevice&) = delete;

  void Present(const CellGrid& cells) override {
    ReadWindow();
    // The half view fills a buffer the size of the window, so that no row of
    // the buffer lies out of sight.
    const int rows = view == View::kFull ? kRows : windowRows;
    if (rows != bufferRows) {
      calls.SetConsoleScreenBufferSize(ownBuffer, Coord{kColumns, static_cast<short>(rows)});
      bufferRows = rows;
    }
    Rect region{0, 0, kColumns - 1, static_cast<short>(rows - 1)};
    if (view == View::kFull) {
      calls.WriteConsoleOutputA(ownBuffer, cells.data(), Coord{kColumns, kRows}, Coord{0, 0},
                                &region);
    } else {
      calls.WriteConsoleOutputW(ownBuffer, HalfPicture(cells).data(), Coord{kColumns, kRows},
                                Coord{0, 0}, &region);
    }
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

  void ShowTextFrom(int row) override { textFrom = row; }
  int RowsShownFrom(int row) override {
    return view == View::kFull ? kRows - row : HalfViewTextRows(row, windowRows);
  }

  View CurrentView() const { return view; }

 private:
  using Handle = typename Calls::Handle;
  using Dword = typename Calls::Dword;
  using Coord = typename Calls::Coord;
  using Rect = typename Calls::Rect;
  using CursorInfo = typename Calls::CursorInfo;
  using BufferInfo = typename Calls::BufferInfo;
  using Character = decltype(Cell{}.Char.UnicodeChar);
  static constexpr Character kUpperHalfBlockUnicode = 0x2580;
  static constexpr Character kLowerHalfBlockUnicode = 0x2584;

  // How many rows the window shows; a console that cannot be asked keeps the
  // full view.
  void ReadWindow() {
    BufferInfo info{};
    if (calls.GetConsoleScreenBufferInfo(ownBuffer, &info) == 0) {
      windowRows = kRows;
    } else {
      windowRows = std::clamp(info.srWindow.Bottom - info.srWindow.Top + 1, 1, kRows);
    }
    view = ChooseView(choice, windowRows);
  }

  // The half view in the window's rows, blanks below it; the half blocks as
  // Unicode, which the console shows whatever its code page.
  const CellGrid& HalfPicture(const CellGrid& cells) {
    for (Cell& cell : picture) {
      cell.Char.UnicodeChar = ' ';
      cell.Attributes = 0;
    }
    const int drawn = DrawHalfView(cells, textFrom, windowRows, picture);
    for (int at = 0; at < drawn * kColumns; ++at) {
      Cell& cell = picture[static_cast<std::size_t>(at)];
      const std::uint8_t character = CellChar(cell);
      if (character == kUpperHalfBlock || character == kLowerHalfBlock) {
        cell.Char.UnicodeChar =
            character == kUpperHalfBlock ? kUpperHalfBlockUnicode : kLowerHalfBlockUnicode;
      }
    }
    return picture;
  }

  Calls calls;
  ViewChoice choice;
  View view = View::kFull;
  int windowRows = kRows;
  int bufferRows = kRows;
  int textFrom = kRows;
  CellGrid picture{};
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
