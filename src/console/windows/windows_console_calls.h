// The Windows console calls the Windows console device makes, one forwarder
// each: the seam where the tests put a recording fake in their place.
#pragma once

#include "common/windows_api.h"
#include "console/console_types.h"

namespace torvelkan {

struct WindowsConsoleCalls {
  using Handle = HANDLE;
  using Bool = BOOL;
  using Dword = DWORD;
  using Coord = COORD;
  using Rect = SMALL_RECT;
  using CursorInfo = CONSOLE_CURSOR_INFO;
  using BufferInfo = CONSOLE_SCREEN_BUFFER_INFO;
  static constexpr Dword kStandardInput = STD_INPUT_HANDLE;
  static constexpr Dword kStandardOutput = STD_OUTPUT_HANDLE;
  static constexpr Dword kGenericRead = GENERIC_READ;
  static constexpr Dword kGenericWrite = GENERIC_WRITE;
  static constexpr Dword kTextModeBuffer = CONSOLE_TEXTMODE_BUFFER;
  static constexpr Bool kTrue = TRUE;
  static constexpr Bool kFalse = FALSE;

  static Handle GetStdHandle(Dword which) { return ::GetStdHandle(which); }
  static Handle CreateConsoleScreenBuffer(Dword access, Dword share, Dword flags) {
    return ::CreateConsoleScreenBuffer(access, share, nullptr, flags, nullptr);
  }
  static Bool SetConsoleScreenBufferSize(Handle buffer, Coord size) {
    return ::SetConsoleScreenBufferSize(buffer, size);
  }
  static Bool SetConsoleActiveScreenBuffer(Handle buffer) {
    return ::SetConsoleActiveScreenBuffer(buffer);
  }
  static Bool SetConsoleWindowInfo(Handle buffer, Bool absolute, const Rect* window) {
    return ::SetConsoleWindowInfo(buffer, absolute, window);
  }
  static Bool CloseHandle(Handle handle) { return ::CloseHandle(handle); }
  static Bool WriteConsoleOutputA(Handle buffer, const Cell* cells, Coord size, Coord from,
                                  Rect* region) {
    return ::WriteConsoleOutputA(buffer, cells, size, from, region);
  }
  static Bool WriteConsoleOutputW(Handle buffer, const Cell* cells, Coord size, Coord from,
                                  Rect* region) {
    return ::WriteConsoleOutputW(buffer, cells, size, from, region);
  }
  static Bool GetConsoleScreenBufferInfo(Handle buffer, BufferInfo* info) {
    return ::GetConsoleScreenBufferInfo(buffer, info);
  }
  static Bool SetConsoleCursorInfo(Handle buffer, const CursorInfo* cursor) {
    return ::SetConsoleCursorInfo(buffer, cursor);
  }
  static Bool GetNumberOfConsoleInputEvents(Handle input, Dword* count) {
    return ::GetNumberOfConsoleInputEvents(input, count);
  }
  static Bool ReadConsoleInputA(Handle input, InputRecord* record, Dword length, Dword* read) {
    return ::ReadConsoleInputA(input, record, length, read);
  }
  static Bool SetConsoleTitleA(const char* title) { return ::SetConsoleTitleA(title); }
};

}  // namespace torvelkan
