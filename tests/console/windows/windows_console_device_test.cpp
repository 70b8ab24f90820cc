// The Windows console device's calls, their order and their arguments, checked
// on any platform through a fake that writes each call down.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "console/windows/windows_console_device.h"

namespace torvelkan {
namespace {

// The console calls with Windows' own values for the constants; the handles
// are 1 (input), 2 (output) and 3 (the buffer the device makes).
struct RecordingConsoleCalls {
  using Handle = int;
  using Bool = int;
  using Dword = std::uint32_t;
  struct Coord {
    std::int16_t X;
    std::int16_t Y;
  };
  struct Rect {
    std::int16_t Left;
    std::int16_t Top;
    std::int16_t Right;
    std::int16_t Bottom;
  };
  struct CursorInfo {
    Dword dwSize;
    Bool bVisible;
  };
  // The two fields of CONSOLE_SCREEN_BUFFER_INFO the device reads.
  struct BufferInfo {
    Rect srWindow;
    Coord dwMaximumWindowSize;
  };
  static constexpr Dword kStandardInput = static_cast<Dword>(-10);
  static constexpr Dword kStandardOutput = static_cast<Dword>(-11);
  static constexpr Dword kGenericRead = 0x80000000;
  static constexpr Dword kGenericWrite = 0x40000000;
  static constexpr Dword kTextModeBuffer = 1;
  static constexpr Bool kTrue = 1;
  static constexpr Bool kFalse = 0;

  // What the console answers: GetNumberOfConsoleInputEvents' result and count.
  struct Answers {
    std::vector<std::string> log;
    Bool countResult = 1;
    Dword count = 0;
    Bool infoResult = 1;
    Rect window{0, 0, 79, 49};  // where the console's window stands in the buffer
    Coord largest{80, 50};      // the largest window the screen can hold
    std::vector<Cell> written;  // the last cells written with WriteConsoleOutputW
  };
  Answers* answers;

  void Log(const std::string& line) const { answers->log.push_back(line); }
  static std::string Name(Handle handle) {
    const char* names[] = {"null", "input", "output", "buffer"};
    return handle >= 0 && handle <= 3 ? names[handle] : "?";
  }
  static std::string Text(Coord c) { return std::to_string(c.X) + "x" + std::to_string(c.Y); }
  static std::string Text(const Rect& r) {
    return std::to_string(r.Left) + " " + std::to_string(r.Top) + " " + std::to_string(r.Right) +
           " " + std::to_string(r.Bottom);
  }

  Handle GetStdHandle(Dword which) const {
    Log("GetStdHandle(" + std::to_string(static_cast<std::int32_t>(which)) + ")");
    return which == kStandardInput ? 1 : which == kStandardOutput ? 2 : 0;
  }
  Handle CreateConsoleScreenBuffer(Dword access, Dword share, Dword flags) const {
    Log("CreateConsoleScreenBuffer(" + std::to_string(access) + ", " + std::to_string(share) +
        ", " + std::to_string(flags) + ")");
    return 3;
  }
  Bool SetConsoleScreenBufferSize(Handle buffer, Coord size) const {
    Log("SetConsoleScreenBufferSize(" + Name(buffer) + ", " + Text(size) + ")");
    return 1;
  }
  Bool SetConsoleActiveScreenBuffer(Handle buffer) const {
    Log("SetConsoleActiveScreenBuffer(" + Name(buffer) + ")");
    return 1;
  }
  Bool SetConsoleWindowInfo(Handle buffer, Bool absolute, const Rect* window) const {
    Log("SetConsoleWindowInfo(" + Name(buffer) + ", " + std::to_string(absolute) + ", " +
        Text(*window) + ")");
    return 1;
  }
  Bool CloseHandle(Handle handle) const {
    Log("CloseHandle(" + Name(handle) + ")");
    return 1;
  }
  Bool WriteConsoleOutputA(Handle buffer, const Cell* cells, Coord size, Coord from,
                           Rect* region) const {
    // The first and the last cell stand for the grid.
    Log("WriteConsoleOutputA(" + Name(buffer) + ", " + cells[0].Char.AsciiChar +
        cells[kCellCount - 1].Char.AsciiChar + ", " + Text(size) + ", " + Text(from) + ", " +
        Text(*region) + ")");
    return 1;
  }
  Bool WriteConsoleOutputW(Handle buffer, const Cell* cells, Coord size, Coord from,
                           Rect* region) const {
    Log("WriteConsoleOutputW(" + Name(buffer) + ", " + Text(size) + ", " + Text(from) + ", " +
        Text(*region) + ")");
    answers->written.assign(cells, cells + kCellCount);
    return 1;
  }
  Bool GetConsoleScreenBufferInfo(Handle buffer, BufferInfo* info) const {
    Log("GetConsoleScreenBufferInfo(" + Name(buffer) + ")");
    info->srWindow = answers->window;
    info->dwMaximumWindowSize = answers->largest;
    return answers->infoResult;
  }
  Bool SetConsoleCursorInfo(Handle buffer, const CursorInfo* cursor) const {
    Log("SetConsoleCursorInfo(" + Name(buffer) + ", " + std::to_string(cursor->dwSize) + ", " +
        std::to_string(cursor->bVisible) + ")");
    return 1;
  }
  Bool GetNumberOfConsoleInputEvents(Handle input, Dword* count) const {
    Log("GetNumberOfConsoleInputEvents(" + Name(input) + ")");
    *count = answers->count;
    return answers->countResult;
  }
  Bool ReadConsoleInputA(Handle input, InputRecord* record, Dword length, Dword* read) const {
    Log("ReadConsoleInputA(" + Name(input) + ", " + std::to_string(length) + ")");
    *record = MakeKeyRecord(0x25, true);
    *read = 1;
    return 1;
  }
  Bool SetConsoleTitleA(const char* title) const {
    Log("SetConsoleTitleA(" + std::string(title) + ")");
    return 1;
  }
};

using RecordedDevice = BasicWindowsConsoleDevice<RecordingConsoleCalls>;

TEST(WindowsConsoleDevice, TakesItsOwnBufferDrawsReadsAndGivesTheConsoleBack) {
  RecordingConsoleCalls::Answers answers;
  {
    RecordedDevice device(RecordingConsoleCalls{&answers});
    CellGrid cells{};
    cells.front().Char.AsciiChar = 'A';
    cells.back().Char.AsciiChar = 'Z';
    device.SetTitle("Torvelkan");
    device.Present(cells);

    // No event, then a console that cannot be asked, then one event to read.
    EXPECT_FALSE(device.HasInput());
    answers.count = 1;
    answers.countResult = 0;
    EXPECT_FALSE(device.HasInput());
    answers.countResult = 1;
    ASSERT_TRUE(device.HasInput());
    InputRecord record{};
    device.ReadInput(record);
    EXPECT_TRUE(IsKeyEvent(record) && IsKeyDown(record));
    EXPECT_EQ(KeyCode(record), 0x25);
  }
  const std::vector<std::string> expected = {
      "GetStdHandle(-10)",
      "GetStdHandle(-11)",
      // GENERIC_READ and GENERIC_WRITE, unshared, a text buffer
      "CreateConsoleScreenBuffer(3221225472, 0, 1)",
      "SetConsoleScreenBufferSize(buffer, 80x50)",
      "SetConsoleActiveScreenBuffer(buffer)",
      "GetConsoleScreenBufferInfo(buffer)",          // can the window hold 50 rows?
      "SetConsoleWindowInfo(buffer, 1, 0 0 79 49)",  // after the size, so the window fits
      "SetConsoleTitleA(Torvelkan)",
      "GetConsoleScreenBufferInfo(buffer)",
      "WriteConsoleOutputA(buffer, AZ, 80x50, 0x0, 0 0 79 49)",
      "SetConsoleCursorInfo(buffer, 100, 0)",
      "GetNumberOfConsoleInputEvents(input)",
      "GetNumberOfConsoleInputEvents(input)",
      "GetNumberOfConsoleInputEvents(input)",
      "ReadConsoleInputA(input, 1)",
      "SetConsoleActiveScreenBuffer(output)",  // the console given back, then the buffer closed
      "CloseHandle(buffer)",
  };
  EXPECT_EQ(answers.log, expected);
}

// A window of fewer than 50 rows (as Windows Terminal keeps) gets the half
// view in a buffer of its size, its half blocks as Unicode; a window of 50
// rows and a console that cannot be asked get the grid itself.
TEST(WindowsConsoleDevice, AShortWindowGetsTheHalfViewInABufferOfItsSize) {
  RecordingConsoleCalls::Answers answers;
  answers.largest = {120, 30};
  RecordedDevice device(RecordingConsoleCalls{&answers});
  EXPECT_EQ(answers.log.back(), "GetConsoleScreenBufferInfo(buffer)") << "the window not grown";
  CellGrid cells{};
  cells[0].Char.UnicodeChar = 'A';  // a character on row 0, over a blank on row 1
  cells[0].Attributes = 0x07;
  cells[kColumns + 1].Attributes = 0x90;       // a blue cell alone on row 1
  cells[48 * kColumns + 2].Attributes = 0xC0;  // a red cell in the last pair
  const struct {
    RecordingConsoleCalls::Rect window;
    int pairs;     // the rows of the grid's picture
    int textRows;  // the rows of a text from row 2
    const char* resize;
    const char* write;
  } cases[] = {
      {{0, 0, 119, 29},
       25,
       29,
       "SetConsoleScreenBufferSize(buffer, 80x30)",
       "WriteConsoleOutputW(buffer, 80x50, 0x0, 0 0 79 29)"},
      {{0, 6, 79, 29},
       24,
       23,
       "SetConsoleScreenBufferSize(buffer, 80x24)",
       "WriteConsoleOutputW(buffer, 80x50, 0x0, 0 0 79 23)"},
      {{0, 0, 79, 9},
       10,
       9,
       "SetConsoleScreenBufferSize(buffer, 80x10)",
       "WriteConsoleOutputW(buffer, 80x50, 0x0, 0 0 79 9)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.write);
    answers.window = c.window;
    answers.log.clear();
    device.Present(cells);
    EXPECT_EQ(device.CurrentView(), View::kHalf);
    ASSERT_EQ(answers.log.size(), 4u);
    EXPECT_EQ(answers.log[1], c.resize);
    EXPECT_EQ(answers.log[2], c.write);
    const auto at = [&answers](int row, int column) {
      return answers.written[static_cast<std::size_t>(row * kColumns + column)];
    };
    EXPECT_EQ(at(0, 0).Char.UnicodeChar, 'A');
    EXPECT_EQ(at(0, 0).Attributes, 0x07);
    EXPECT_EQ(at(0, 1).Char.UnicodeChar, 0x2584);  // blue below black
    EXPECT_EQ(at(0, 1).Attributes, 0x09);
    if (c.pairs == 25) {
      EXPECT_EQ(at(24, 2).Char.UnicodeChar, 0x2580);  // red above black
      EXPECT_EQ(at(24, 2).Attributes, 0x0C);
    }
    // Blanks below the picture, never character 0.
    for (int row = c.pairs; row < kRows; ++row) {
      EXPECT_EQ(at(row, 0).Char.UnicodeChar, ' ') << row;
    }
    EXPECT_EQ(device.RowsShownFrom(2), c.textRows);
  }
  // The same window again: no resizing.
  answers.log.clear();
  device.Present(cells);
  EXPECT_EQ(answers.log.size(), 3u);

  // cppcheck-suppress redundantAssignment ; the fake console reads it through its pointer
  answers.window = {0, 0, 79, 49};
  answers.log.clear();
  device.Present(cells);
  EXPECT_EQ(answers.log.at(1), "SetConsoleScreenBufferSize(buffer, 80x50)");
  EXPECT_EQ(answers.log.at(2).substr(0, 29), "WriteConsoleOutputA(buffer, A");
  EXPECT_EQ(device.RowsShownFrom(2), 48);
  answers.window = {0, 0, 79, 23};
  answers.infoResult = 0;
  device.Present(cells);
  EXPECT_EQ(device.CurrentView(), View::kFull);
}

TEST(WindowsConsoleDevice, TheHalfViewChosenLeavesTheWindowAsItIs) {
  RecordingConsoleCalls::Answers answers;
  RecordedDevice device(RecordingConsoleCalls{&answers}, ViewChoice::kHalf);
  for (const std::string& call : answers.log) {
    EXPECT_EQ(call.find("SetConsoleWindowInfo"), std::string::npos);
  }
  device.Present(CellGrid{});
  EXPECT_EQ(device.CurrentView(), View::kHalf);
}

}  // namespace
}  // namespace torvelkan
