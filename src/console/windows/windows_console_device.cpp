// The console device for the Windows text console.
//
// The console's own calls take the grid and give the events as they are:
// a cell is a CHAR_INFO and an event an INPUT_RECORD, so nothing is converted.
// No result is examined: if the console refuses something the game goes on.
#include "console/windows/windows_console_device.h"

namespace torvelkan {

WindowsConsoleDevice::WindowsConsoleDevice()
    : input(GetStdHandle(STD_INPUT_HANDLE)),
      standardOutput(GetStdHandle(STD_OUTPUT_HANDLE)),
      ownBuffer(
          CreateConsoleScreenBuffer(GENERIC_WRITE, 0, nullptr, CONSOLE_TEXTMODE_BUFFER, nullptr)) {
  SetConsoleScreenBufferSize(ownBuffer, COORD{80, 50});
  // The text that stood in the standard output buffer stays as it was.
  SetConsoleActiveScreenBuffer(ownBuffer);
  // The buffer is sized first, so the window always fits it.
  const SMALL_RECT window{0, 0, 79, 49};
  SetConsoleWindowInfo(ownBuffer, TRUE, &window);
}

WindowsConsoleDevice::~WindowsConsoleDevice() {
  SetConsoleActiveScreenBuffer(standardOutput);
  CloseHandle(ownBuffer);
}

void WindowsConsoleDevice::Present(const CellGrid& cells) {
  SMALL_RECT region{0, 0, 79, 49};
  WriteConsoleOutputA(ownBuffer, cells.data(), COORD{80, 50}, COORD{0, 0}, &region);
  // Hidden again on every present.
  const CONSOLE_CURSOR_INFO cursor{100, FALSE};
  SetConsoleCursorInfo(ownBuffer, &cursor);
}

bool WindowsConsoleDevice::HasInput() {
  DWORD waiting = 0;
  // A console that cannot be asked has nothing to read: ReadInput would block.
  if (!GetNumberOfConsoleInputEvents(input, &waiting)) {
    return false;
  }
  return waiting != 0;
}

void WindowsConsoleDevice::ReadInput(InputRecord& record) {
  DWORD read = 0;
  ReadConsoleInputA(input, &record, 1, &read);
}

void WindowsConsoleDevice::SetTitle(const char* title) { SetConsoleTitleA(title); }

}  // namespace torvelkan
