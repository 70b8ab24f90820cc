// The grid clips every write and places texts by their alignment.
#include <gtest/gtest.h>

#include <string>

#include "console/console_screen.h"
#include "console/memory_device.h"

namespace torvelkan {
namespace {

class Grid : public ::testing::Test {
 protected:
  // The columns of a row that hold a character, as a string of '.' and the text.
  std::string Row(int row) const {
    std::string text;
    for (int column = 0; column < kColumns; ++column) {
      const std::uint8_t c = CellChar(screen.At(column, row));
      text.push_back(c == 0 ? '.' : static_cast<char>(c));
    }
    return text;
  }
  int WrittenCells() const {
    int count = 0;
    for (const Cell& cell : screen.Cells()) {
      count += (CellChar(cell) != 0 || CellAttribute(cell) != 0) ? 1 : 0;
    }
    return count;
  }

  MemoryDevice device;
  ConsoleScreen screen{device};
};

TEST_F(Grid, StartsClearedAndClearZeroesEverything) {
  EXPECT_EQ(WrittenCells(), 0);
  screen.PutCell(3, 4, 'x', 0x1F);
  screen.Clear();
  EXPECT_EQ(WrittenCells(), 0);
  for (const Cell& cell : screen.Cells()) {
    EXPECT_EQ(cell.Char.UnicodeChar, 0);
  }
}

TEST_F(Grid, PutCellWritesOnTheGridAndDropsEverythingOff) {
  struct Case {
    int column, row;
    bool written;
  };
  const Case cases[] = {{0, 0, true},    {79, 49, true},  {79, 0, true},    {0, 49, true},
                        {-1, 0, false},  {80, 0, false},  {0, -1, false},   {0, 50, false},
                        {-1, -1, false}, {80, 50, false}, {1000, 3, false}, {3, -1000, false}};
  for (const Case& c : cases) {
    screen.Clear();
    screen.PutCell(c.column, c.row, 'x', 0x42);
    EXPECT_EQ(WrittenCells(), c.written ? 1 : 0) << c.column << "," << c.row;
    if (c.written) {
      EXPECT_EQ(CellChar(screen.At(c.column, c.row)), 'x');
      EXPECT_EQ(CellAttribute(screen.At(c.column, c.row)), 0x42);
    }
  }
}

TEST_F(Grid, CharacterSlotHoldsOnlyTheByte) {
  screen.PutCell(5, 5, 0xE9, 0x0007);
  EXPECT_EQ(static_cast<unsigned>(screen.At(5, 5).Char.UnicodeChar), 0xE9u);
  screen.PutCell(5, 5, 'a', 0x0070);  // the last write wins
  EXPECT_EQ(CellChar(screen.At(5, 5)), 'a');
  EXPECT_EQ(CellAttribute(screen.At(5, 5)), 0x70);
}

TEST_F(Grid, TextAlignments) {
  struct Case {
    int column;
    const char* text;
    int alignment;
    int firstColumn;  // where the text starts; characters off the grid are dropped
  };
  const Case cases[] = {
      {40, "Alt + Enter", kAlignCenter, 35},  // odd length: middle character on 40
      {40, "0123456789", kAlignCenter, 35},   // even length 2k: index k on 40
      {40, "a", kAlignCenter, 40},
      {40, "ab", kAlignCenter, 39},
      {79, "abc", kAlignRight, 76},   // ends just before the given column
      {2, "abc", kAlignRight, -1},    // first character dropped
      {78, "abcde", kAlignLeft, 78},  // only "ab" fits
      {10, "abc", 3, 10},             // unknown alignments start at the column
      {10, "abc", -7, 10},
      {-2, "abcde", kAlignLeft, -2},
  };
  for (const Case& c : cases) {
    screen.Clear();
    screen.PutText(c.column, 7, c.text, 0x0E, c.alignment);
    std::string expected(kColumns, '.');
    const std::string text = c.text;
    for (int i = 0; i < static_cast<int>(text.size()); ++i) {
      const int column = c.firstColumn + i;
      if (column >= 0 && column < kColumns) {
        expected[static_cast<std::size_t>(column)] = text[static_cast<std::size_t>(i)];
      }
    }
    EXPECT_EQ(Row(7), expected) << c.text << " at " << c.column << " align " << c.alignment;
    EXPECT_EQ(Row(6), std::string(kColumns, '.'));
    EXPECT_EQ(Row(8), std::string(kColumns, '.'));
  }
}

TEST_F(Grid, EmptyTextWritesNothingAndRowsNeverWrap) {
  for (int alignment = 0; alignment < 4; ++alignment) {
    screen.PutText(40, 10, "", 7, alignment);
  }
  EXPECT_EQ(WrittenCells(), 0);
  screen.PutText(0, 10, std::string(200, 'z'), 7, kAlignLeft);
  EXPECT_EQ(Row(10), std::string(kColumns, 'z'));
  EXPECT_EQ(Row(11), std::string(kColumns, '.'));
  EXPECT_EQ(WrittenCells(), 80);
}

TEST_F(Grid, StringFormStopsAtTheFirstNul) {
  const std::string text("ab\0cd", 5);
  screen.PutText(0, 0, text, 7, kAlignLeft);
  EXPECT_EQ(Row(0).substr(0, 5), "ab...");
  screen.Clear();
  screen.PutText(10, 0, text, 7, kAlignCenter);  // centred on a length of 2
  EXPECT_EQ(Row(0).substr(8, 4), ".ab.");
}

TEST_F(Grid, ControlBytesAreOrdinaryCells) {
  screen.PutText(0, 3, "\x1b[2J\t\r", 7, kAlignLeft);
  EXPECT_EQ(CellChar(screen.At(0, 3)), 0x1B);
  EXPECT_EQ(CellChar(screen.At(4, 3)), '\t');
  EXPECT_EQ(WrittenCells(), 6);
}

TEST(MemoryDeviceTest, ServesQueuedEventsOneAtATimeAndKeepsFrames) {
  MemoryDevice device(2);
  ConsoleScreen screen(device);
  EXPECT_FALSE(screen.HasInput());
  device.Push(MakeOtherRecord(kFocusEventType));
  device.PushKey(27);
  ASSERT_TRUE(screen.HasInput());  // a focus event counts as input
  InputRecord record{};
  screen.ReadInput(record);
  EXPECT_FALSE(IsKeyEvent(record));
  screen.ReadInput(record);
  EXPECT_TRUE(IsKeyEvent(record));
  EXPECT_TRUE(IsKeyDown(record));
  EXPECT_EQ(KeyCode(record), 27);
  screen.ReadInput(record);
  EXPECT_FALSE(IsKeyDown(record));
  EXPECT_FALSE(screen.HasInput());

  for (int i = 0; i < 3; ++i) {
    screen.Clear();
    screen.PutCell(i, 0, 'x', 7);
    screen.Present();
  }
  EXPECT_EQ(device.FrameCount(), 3u);
  EXPECT_EQ(device.Frames().size(), 2u);
  EXPECT_EQ(device.RowText(0).substr(0, 3), "  x");
}

}  // namespace
}  // namespace torvelkan
