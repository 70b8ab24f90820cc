// The half view's rule for a pair of cells, its rows of text at full height,
// and which view a console of each size gets.
#include "console/half_view.h"

#include <gtest/gtest.h>

#include <string>

#include "console/view_choice.h"

namespace torvelkan {
namespace {

Cell MakeCell(char character, std::uint16_t attribute) {
  Cell cell{};
  cell.Char.UnicodeChar = static_cast<unsigned char>(character);
  cell.Attributes = attribute;
  return cell;
}

const char kUpper = static_cast<char>(0xDF);
const char kLower = static_cast<char>(0xDC);

TEST(HalfView, TwoCellsBecomeOne) {
  struct Case {
    const char* what;
    Cell upper;
    bool upperInBody;
    Cell lower;
    bool lowerInBody;
    char character;
    std::uint16_t attribute;
  };
  const Cell black = MakeCell(0, 0x00);
  const Cell blue = MakeCell(' ', 0x90);
  const Cell red = MakeCell(' ', 0xC0);
  const Cell pattern = MakeCell('|', 0x08);
  const Case cases[] = {
      {"nothing", black, false, black, false, ' ', 0x00},
      {"one colour", blue, true, blue, true, ' ', 0x90},
      {"colour over black", blue, true, black, false, kUpper, 0x09},
      {"black over colour: black stays the background", black, false, red, true, kLower, 0x0C},
      {"two colours", MakeCell(' ', 0x10), true, red, true, kUpper, 0xC1},
      {"a fighter's foreground is no character", MakeCell(' ', 0x97), true, black, false, kUpper,
       0x09},
      {"a counter over a health bar keeps its colours", MakeCell('7', 0x07), false, blue, true, '7',
       0x07},
      {"a health number under nothing", black, false, MakeCell('1', 0x9F), false, '1', 0x9F},
      {"the pattern behind a fighter", pattern, false, blue, true, kLower, 0x09},
      {"the pattern behind a fighter, below it", blue, true, pattern, false, kUpper, 0x09},
      {"the pattern before a lone particle", MakeCell(' ', 0x40), false, pattern, false, '|', 0x08},
      {"the countdown below the pattern", pattern, false, MakeCell('G', 0x0F), false, 'G', 0x0F},
      {"the menu's edge below a dot", MakeCell('o', 0x0C), false, MakeCell('-', 0x07), false, '-',
       0x07},
      {"a dot below the menu's side", MakeCell('|', 0x07), false, MakeCell('o', 0x0A), false, 'o',
       0x0A},
      {"a notice over the counters", MakeCell('W', 0x70), false, MakeCell('3', 0x07), false, 'W',
       0x70},
      {"characters 0 and 255 and the space are blanks", MakeCell(static_cast<char>(255), 0x7F),
       false, MakeCell(' ', 0x0F), false, kUpper, 0x07},
  };
  for (const Case& c : cases) {
    const Cell cell = HalfCell(c.upper, c.upperInBody, c.lower, c.lowerInBody);
    EXPECT_EQ(CellChar(cell), static_cast<unsigned char>(c.character)) << c.what;
    EXPECT_EQ(CellAttribute(cell), c.attribute) << c.what;
  }
}

TEST(HalfView, ABodyIsAColouredBlankBesideAnother) {
  CellGrid grid{};
  grid[80 + 10] = MakeCell(' ', 0x40);  // a lone particle
  grid[80 + 20] = MakeCell(' ', 0x90);
  grid[80 + 21] = MakeCell(' ', 0x10);  // a fighter's eye beside its body
  grid[80 + 30] = MakeCell('7', 0x97);  // a character is no body
  grid[80 + 31] = MakeCell(' ', 0x90);
  grid[79] = MakeCell(' ', 0x90);  // the last column of one row...
  grid[80] = MakeCell(' ', 0x90);  // ...is not beside the first of the next
  EXPECT_FALSE(InBody(grid, 1, 10));
  EXPECT_TRUE(InBody(grid, 1, 20));
  EXPECT_TRUE(InBody(grid, 1, 21));
  EXPECT_FALSE(InBody(grid, 1, 30));
  EXPECT_TRUE(InBody(grid, 1, 31));
  EXPECT_FALSE(InBody(grid, 0, 79));
  EXPECT_FALSE(InBody(grid, 1, 0));
  EXPECT_FALSE(InBody(grid, 1, 11));
}

// Row `row` of the picture as text, half blocks as '^' and '_'.
std::string PictureRow(const CellGrid& picture, int row) {
  std::string text;
  for (int column = 0; column < kColumns; ++column) {
    const std::uint8_t c = CellChar(picture[static_cast<std::size_t>(row * kColumns + column)]);
    text.push_back(c == 0xDF ? '^' : c == 0xDC ? '_' : c == 0 ? ' ' : static_cast<char>(c));
  }
  return text.substr(0, text.find_last_not_of(' ') + 1);
}

void Write(CellGrid& grid, int row, int column, const std::string& text, std::uint16_t attribute) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    grid[static_cast<std::size_t>(row * kColumns + column) + i] = MakeCell(text[i], attribute);
  }
}

// Two lines of text in one pair (the readme on a guest's screen, which is not
// told it is text): one shown whole, never letters of both.
TEST(HalfView, ClashingTextsShowOneRowWhole) {
  CellGrid grid{};
  Write(grid, 0, 2, "upper line, longer", 0x07);
  Write(grid, 1, 0, "lower line", 0x07);
  Write(grid, 2, 0, "a notice", 0x70);  // on a coloured background
  Write(grid, 3, 4, "counters", 0x07);
  Write(grid, 4, 0, "|    |", 0x08);  // a pattern's lines clash with nothing
  Write(grid, 5, 1, "text", 0x0F);
  Write(grid, 6, 0, "left", 0x07);  // texts that never meet
  Write(grid, 7, 10, "right", 0x07);
  grid[7 * kColumns + 30] = MakeCell(' ', 0x90);  // a blue cell beyond them
  CellGrid picture{};
  DrawHalfView(grid, kRows, 25, picture);
  EXPECT_EQ(PictureRow(picture, 0), "lower line");
  EXPECT_EQ(PictureRow(picture, 1), "a notice");
  EXPECT_EQ(CellAttribute(picture[kColumns + 1]), 0x70) << "its blank at full height";
  EXPECT_EQ(PictureRow(picture, 2), "|text|");
  EXPECT_EQ(PictureRow(picture, 3), "left      right               _");
}

// Row r of the grid holds its number in column 0 and a colour in column 1.
CellGrid NumberedRows() {
  CellGrid grid{};
  for (int row = 0; row < kRows; ++row) {
    grid[static_cast<std::size_t>(row * kColumns)] = MakeCell(static_cast<char>('0' + row), 0x07);
    grid[static_cast<std::size_t>(row * kColumns + 1)] =
        MakeCell(' ', static_cast<std::uint16_t>((row % 15 + 1) << 4));
  }
  return grid;
}

TEST(HalfView, PairsAsManyAsFitTheLastLeftOutAtTwentyFourRows) {
  const CellGrid grid = NumberedRows();
  for (const int rows : {25, 24, 10, 60}) {
    CellGrid picture{};
    picture[static_cast<std::size_t>(30 * kColumns)] = MakeCell('x', 0x07);  // left as it was
    const int drawn = DrawHalfView(grid, kRows, rows, picture);
    EXPECT_EQ(drawn, std::min(rows, 25)) << rows;
    for (int row = 0; row < drawn; ++row) {
      // The lower row's character wins; the colours of both make the block.
      EXPECT_EQ(CellChar(picture[static_cast<std::size_t>(row * kColumns)]), '0' + 2 * row + 1);
      const Cell& block = picture[static_cast<std::size_t>(row * kColumns + 1)];
      EXPECT_EQ(CellChar(block), 0xDF);
      EXPECT_EQ(CellAttribute(block), ((2 * row + 1) % 15 + 1) << 4 | ((2 * row) % 15 + 1));
    }
    EXPECT_EQ(CellChar(picture[static_cast<std::size_t>(drawn * kColumns)]), 0) << rows;
    EXPECT_EQ(CellChar(picture[static_cast<std::size_t>(30 * kColumns)]), 'x');
  }
}

TEST(HalfView, TextRowsComeAtFullHeightBelowTheHalvedRowsAbove) {
  const CellGrid grid = NumberedRows();
  struct Case {
    int textFrom;
    int rows;
    int textRows;
  };
  // The readme's text from row 2: one halved row above it.
  const Case cases[] = {{2, 24, 23}, {2, 30, 29}, {2, 49, 48}, {2, 80, 48},
                        {2, 1, 0},   {3, 24, 22}, {0, 24, 24}, {50, 24, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "text from " << c.textFrom << ", " << c.rows << " rows");
    EXPECT_EQ(HalfViewTextRows(c.textFrom, c.rows), c.textRows);
    CellGrid picture{};
    const int drawn = DrawHalfView(grid, c.textFrom, c.rows, picture);
    const int halved = (c.textFrom + 1) / 2;
    EXPECT_EQ(drawn, std::min(c.rows, halved + c.textRows));
    for (int row = halved; row < drawn; ++row) {
      const std::size_t at = static_cast<std::size_t>(row * kColumns);
      EXPECT_EQ(CellChar(picture[at]), '0' + c.textFrom + row - halved);
      EXPECT_EQ(CellAttribute(picture[at + 1]),
                CellAttribute(
                    grid[static_cast<std::size_t>((c.textFrom + row - halved) * kColumns + 1)]));
    }
  }
  // Above text starting on an odd row, its last row is halved with nothing.
  CellGrid picture{};
  DrawHalfView(grid, 3, 24, picture);
  EXPECT_EQ(CellChar(picture[kColumns]), '2');
  EXPECT_EQ(CellAttribute(picture[kColumns + 1]), 0x03);  // row 2's colour over black
}

TEST(ViewChoice, EachSizeGetsItsView) {
  struct Case {
    ViewChoice choice;
    int columns;
    int rows;
    View view;
    bool fits;
    bool asks;
    const char* sizeLine;
  };
  using C = ViewChoice;
  const Case cases[] = {
      {C::kAuto, 80, 50, View::kFull, true, true, ""},
      {C::kAuto, 120, 60, View::kFull, true, true, ""},
      {C::kAuto, 80, 49, View::kHalf, true, false, ""},
      {C::kAuto, 80, 24, View::kHalf, true, false, ""},
      {C::kAuto, 110, 28, View::kHalf, true, false, ""},
      {C::kAuto, 80, 23, View::kHalf, false, false,
       "Torvelkan needs 80 x 24 cells, this terminal has 80 x 23"},
      {C::kAuto, 71, 22, View::kHalf, false, false,
       "Torvelkan needs 80 x 24 cells, this terminal has 71 x 22"},
      {C::kAuto, 70, 60, View::kFull, false, true,
       "Torvelkan needs 80 x 50 cells, this terminal has 70 x 60"},
      {C::kAuto, 40, 20, View::kHalf, false, false, "needs 80x24, has 40x20"},
      {C::kFull, 80, 24, View::kFull, false, true,
       "Torvelkan needs 80 x 50 cells, this terminal has 80 x 24"},
      {C::kFull, 80, 50, View::kFull, true, true, ""},
      {C::kHalf, 80, 50, View::kHalf, true, false, ""},
      {C::kHalf, 80, 24, View::kHalf, true, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << static_cast<int>(c.choice) << ": " << c.columns << " x " << c.rows);
    EXPECT_EQ(ChooseView(c.choice, c.rows), c.view);
    EXPECT_EQ(ViewFits(c.view, c.columns, c.rows), c.fits);
    EXPECT_EQ(AsksForFullSize(c.choice, c.rows), c.asks);
    if (!c.fits) {
      EXPECT_EQ(SizeLine(c.view, c.columns, c.rows), c.sizeLine);
    }
  }
}

}  // namespace
}  // namespace torvelkan
