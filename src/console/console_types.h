// The cell and the input record, laid out as the Windows console's own records.
//
// On Windows they are CHAR_INFO and INPUT_RECORD themselves, so the grid goes to
// the console's block output and events come from it without conversion.
// Elsewhere they are look-alikes with the same field names, so the code that
// fills and reads them is the same on every platform.
#pragma once

#include <array>
#include <cstdint>

#ifdef _WIN32
#include "common/windows_api.h"
#endif

namespace torvelkan {

#ifdef _WIN32

using Cell = CHAR_INFO;
using InputRecord = INPUT_RECORD;
inline constexpr std::uint16_t kKeyEventType = KEY_EVENT;
inline constexpr std::uint16_t kMouseEventType = MOUSE_EVENT;
inline constexpr std::uint16_t kWindowBufferSizeEventType = WINDOW_BUFFER_SIZE_EVENT;
inline constexpr std::uint16_t kMenuEventType = MENU_EVENT;
inline constexpr std::uint16_t kFocusEventType = FOCUS_EVENT;

#else

struct Cell {
  union {
    char16_t UnicodeChar;
    char AsciiChar;
  } Char;
  std::uint16_t Attributes;
};

struct KeyEventRecord {
  std::int32_t bKeyDown;
  std::uint16_t wRepeatCount;
  std::uint16_t wVirtualKeyCode;
  std::uint16_t wVirtualScanCode;
  union {
    char16_t UnicodeChar;
    char AsciiChar;
  } uChar;
  std::uint32_t dwControlKeyState;
};

struct InputRecord {
  std::uint16_t EventType;
  union {
    KeyEventRecord KeyEvent;
  } Event;
};

inline constexpr std::uint16_t kKeyEventType = 0x0001;
inline constexpr std::uint16_t kMouseEventType = 0x0002;
inline constexpr std::uint16_t kWindowBufferSizeEventType = 0x0004;
inline constexpr std::uint16_t kMenuEventType = 0x0008;
inline constexpr std::uint16_t kFocusEventType = 0x0010;

#endif

inline constexpr int kColumns = 80;
inline constexpr int kRows = 50;
inline constexpr int kCellCount = kColumns * kRows;

// Row-major: the cell of column c and row r is element r * 80 + c.
using CellGrid = std::array<Cell, kCellCount>;

// The 8-bit character of a cell: only the low byte of its slot is ever written.
inline std::uint8_t CellChar(const Cell& cell) {
  return static_cast<std::uint8_t>(static_cast<std::uint16_t>(cell.Char.UnicodeChar) & 0xFFu);
}

inline std::uint16_t CellAttribute(const Cell& cell) {
  return static_cast<std::uint16_t>(cell.Attributes);
}

inline InputRecord MakeKeyRecord(std::uint16_t virtualKey, bool down) {
  InputRecord record{};
  record.EventType = kKeyEventType;
  record.Event.KeyEvent.bKeyDown = down ? 1 : 0;
  record.Event.KeyEvent.wRepeatCount = 1;
  record.Event.KeyEvent.wVirtualKeyCode = virtualKey;
  return record;
}

inline InputRecord MakeOtherRecord(std::uint16_t eventType) {
  InputRecord record{};
  record.EventType = eventType;
  return record;
}

inline bool IsKeyEvent(const InputRecord& record) { return record.EventType == kKeyEventType; }
inline bool IsKeyDown(const InputRecord& record) { return record.Event.KeyEvent.bKeyDown != 0; }
inline std::uint16_t KeyCode(const InputRecord& record) {
  return static_cast<std::uint16_t>(record.Event.KeyEvent.wVirtualKeyCode);
}

}  // namespace torvelkan
