// The encoder sends only what changed, with the shortest cursor moves, in the
// terminal's own colour numbers or the console's 24-bit colours, and what it
// sends shows every cell as the grid holds it.
#include "console/terminal/frame_encoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "common/random.h"
#include "support/screen_model.h"

namespace torvelkan {
namespace {

void Put(CellGrid& grid, int column, int row, std::uint8_t ch, std::uint16_t attribute) {
  Cell& cell = grid[static_cast<std::size_t>(row * kColumns + column)];
  cell.Char.UnicodeChar = ch;
  cell.Attributes = attribute;
}

TEST(FrameEncoder, FirstFrameSendsEveryCellThenNothingWhileUnchanged) {
  FrameEncoder encoder;
  CellGrid grid{};
  std::string out;
  encoder.Encode(grid, out);
  // Home, a black background (a blank needs no foreground), and the rows one
  // after the other, each reached by a carriage return and a line feed.
  std::string expected = "\x1b[H\x1b[40m" + std::string(80, ' ');
  for (int row = 1; row < kRows; ++row) {
    expected += "\r\n" + std::string(80, ' ');
  }
  EXPECT_EQ(out, expected);
  out.clear();
  encoder.Encode(grid, out);
  EXPECT_EQ(out, "");
}

TEST(FrameEncoder, OneChangedCellIsAMoveAColourAndAGlyph) {
  FrameEncoder encoder;
  CellGrid grid{};
  std::string out;
  encoder.Encode(grid, out);
  Put(grid, 5, 2, 'X', 0x1C);  // bright red on blue
  out.clear();
  encoder.Encode(grid, out);
  EXPECT_EQ(out, "\x1b[3;6H\x1b[91;44mX");
}

TEST(FrameEncoder, ConsoleColoursBecomeAnsiColours) {
  // Console bits: 1 blue, 2 green, 4 red, 8 bright; ANSI counts red, green, blue.
  const struct {
    std::uint16_t attribute;
    const char* sgr;
  } cases[] = {
      {0x07, "\x1b[37;40m"},  {0x01, "\x1b[34;40m"}, {0x04, "\x1b[31;40m"},  {0x06, "\x1b[33;40m"},
      {0x09, "\x1b[94;40m"},  {0x0C, "\x1b[91;40m"}, {0x0A, "\x1b[92;40m"},  {0x08, "\x1b[90;40m"},
      {0xF0, "\x1b[30;107m"}, {0x70, "\x1b[30;47m"}, {0x80, "\x1b[30;100m"}, {0x3B, "\x1b[96;46m"},
  };
  for (const auto& c : cases) {
    std::string out;
    FrameEncoder::AppendColours(c.attribute, out);
    EXPECT_EQ(out, c.sgr) << "attribute " << c.attribute;
  }
  // The console's own colours: dark ones at half strength, light grey at 192.
  std::string out;
  FrameEncoder::AppendTrueColours(0x1C, out);
  EXPECT_EQ(out, "\x1b[38;2;255;0;0;48;2;0;0;128m");
  out.clear();
  FrameEncoder::AppendTrueColours(0x87, out);
  EXPECT_EQ(out, "\x1b[38;2;192;192;192;48;2;128;128;128m");
}

TEST(FrameEncoder, EachMoveIsTheShortestAndColoursChangeOnlyWhereNeeded) {
  FrameEncoder encoder;
  CellGrid grid{};
  for (int column = 16; column <= 18; ++column) {
    Put(grid, column, 5, ' ', 0x10);  // blue cells that stay
  }
  std::string out;
  encoder.Encode(grid, out);  // the pen is left with a black background
  Put(grid, 10, 4, 'a', 7);
  Put(grid, 11, 4, 'b', 7);
  Put(grid, 13, 4, 'c', 7);  // one unchanged blank between: sent again
  Put(grid, 10, 5, 'd', 7);  // a position is no longer than CR, LF and 10 forward
  Put(grid, 14, 5, 'e', 7);  // three blanks again
  Put(grid, 19, 5, 'f', 7);  // the blue cells between are stepped over
  Put(grid, 0, 7, 'g', 7);   // CR and two LFs
  Put(grid, 1, 8, 'h', 7);   // straight down
  out.clear();
  encoder.Encode(grid, out);
  EXPECT_EQ(out, "\x1b[5;11H\x1b[37mab c\x1b[6;11Hd   e\x1b[4Cf\r\n\ng\x1b[Bh");

  // The cursor stands after 'h'. A blank needs no foreground, and a blank
  // whose foreground alone changed looks the same; the cells are sent one
  // colour at a time, the pen's first, as that is shorter here than in order.
  Put(grid, 5, 8, 'i', 0x0C);
  Put(grid, 6, 8, ' ', 0x20);
  Put(grid, 0, 9, ' ', 0x05);
  Put(grid, 79, 10, 'j', 7);
  Put(grid, 0, 11, 'k', 7);  // after the last column: CR and LF
  out.clear();
  encoder.Encode(grid, out);
  EXPECT_EQ(out, "\x1b[11;80Hj\r\nk\x1b[9;6H\x1b[91mi\x1b[42m ");

  // Where a line feed keeps the column, it is the step down: from after 'l'
  // two of them and a backspace to 'm'.
  encoder.SetBareLineFeeds(true);
  Put(grid, 2, 12, 'l', 0x20);
  Put(grid, 2, 14, 'm', 0x20);
  out.clear();
  encoder.Encode(grid, out);
  EXPECT_EQ(out, "\x1b[13;3H\x1b[30ml\n\n\bm");
}

TEST(FrameEncoder, GlyphsAreCodePage437AndZeroIsABlank) {
  FrameEncoder encoder;
  CellGrid grid{};
  std::string out;
  encoder.Encode(grid, out);
  Put(grid, 0, 0, 0xDB, 7);  // full block
  Put(grid, 1, 0, 0x01, 7);  // smiling face, not a control byte
  Put(grid, 2, 0, 0x1B, 7);  // an ESC in the grid is an arrow on screen
  Put(grid, 3, 0, 0x82, 7);  // e acute
  out.clear();
  encoder.Encode(grid, out);
  EXPECT_EQ(out, "\x1b[H\x1b[37m█☺←é");
  // A character 0 and a blank look the same: nothing to send.
  Put(grid, 0, 1, ' ', 0);
  out.clear();
  encoder.Encode(grid, out);
  EXPECT_EQ(out, "");
}

// Runs along rows, blanks and letters most often, as the game draws, in a
// few colours or any attribute.
void ScatterChanges(CellGrid& grid, int runs) {
  for (int i = 0; i < runs; ++i) {
    const int column = rand() % kColumns;
    const int row = rand() % kRows;
    const int length = 1 + rand() % 6;
    const auto attribute =
        static_cast<std::uint16_t>(rand() % 3 == 0 ? rand() & 0xFFFF : rand() & 0x3);
    for (int k = 0; k < length && column + k < kColumns; ++k) {
      const int kind = rand() % 4;
      const auto ch = static_cast<std::uint8_t>(kind == 0   ? ' '
                                                : kind == 1 ? 'a' + rand() % 26
                                                            : rand() & 0xFF);
      Put(grid, column + k, row, ch, attribute);
    }
  }
}

// Random changes, any glyph and attribute, sizes and both palettes: after
// every frame the terminal shows every visible cell as the grid holds it, and
// never receives a control byte or a sequence other than the encoder's few.
TEST(FrameEncoder, TheTerminalShowsEveryCellOfEveryFrame) {
  const struct {
    int columns;
    int rows;
    bool trueColour;
    int changes;
    bool bareLineFeeds;
  } cases[] = {{80, 50, false, 400, false},
               {80, 50, false, 12, true},
               {80, 50, true, 40, true},
               {61, 37, false, 60, false}};
  srand(7);
  for (const auto& c : cases) {
    testing::ScreenModel model(c.columns, c.rows);
    FrameEncoder encoder;
    encoder.SetVisibleArea(c.columns, c.rows);
    encoder.SetTrueColour(c.trueColour);
    encoder.SetBareLineFeeds(c.bareLineFeeds);
    CellGrid grid{};
    std::string out;
    for (int frame = 0; frame < 60; ++frame) {
      ScatterChanges(grid, c.changes);
      out.clear();
      encoder.Encode(grid, out);
      ASSERT_TRUE(model.Feed(out)) << "frame " << frame;
      testing::ExpectScreenShows(model, grid, c.columns, c.rows, c.trueColour,
                                 "frame " + std::to_string(frame));
    }
    // Every byte value at once, sent whole.
    for (int i = 0; i < kCellCount; ++i) {
      grid[static_cast<std::size_t>(i)].Char.UnicodeChar = static_cast<char16_t>(i & 0xFF);
    }
    encoder.Invalidate();
    out.clear();
    encoder.Encode(grid, out);
    ASSERT_TRUE(model.Feed(out));
    testing::ExpectScreenShows(model, grid, c.columns, c.rows, c.trueColour, "every byte");
  }
}

TEST(FrameEncoder, OnlyTheVisibleAreaIsSentAndResizingRedrawsIt) {
  FrameEncoder encoder;
  encoder.SetVisibleArea(70, 40);
  CellGrid grid{};
  std::string out;
  encoder.Encode(grid, out);
  EXPECT_EQ(std::count(out.begin(), out.end(), ' '), 70 * 40);
  Put(grid, 75, 10, 'x', 7);  // off the visible area
  Put(grid, 10, 45, 'y', 7);
  out.clear();
  encoder.Encode(grid, out);
  EXPECT_EQ(out, "");
  encoder.SetVisibleArea(80, 50);
  out.clear();
  encoder.Encode(grid, out);
  EXPECT_NE(out.find('x'), std::string::npos);
  EXPECT_NE(out.find('y'), std::string::npos);
}

TEST(FrameEncoder, LastColumnNeedsAReturnForTheNextCell) {
  // Without line wrap the cursor stays on column 79, so the next row's cell
  // cannot follow without a move back to the start of the row.
  FrameEncoder encoder;
  CellGrid grid{};
  std::string out;
  encoder.Encode(grid, out);
  Put(grid, 79, 0, 'a', 7);
  Put(grid, 0, 1, 'b', 7);
  out.clear();
  encoder.Encode(grid, out);
  EXPECT_EQ(out, "\x1b[1;80H\x1b[37ma\r\nb");
}

}  // namespace
}  // namespace torvelkan
