// The encoder sends only what changed, in the terminal's own colour numbers,
// and never a control byte whatever the grid holds.
#include "console/terminal/frame_encoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "common/random.h"

namespace torvelkan {
namespace {

void Put(CellGrid& grid, int column, int row, std::uint8_t ch, std::uint16_t attribute) {
  Cell& cell = grid[static_cast<std::size_t>(row * kColumns + column)];
  cell.Char.UnicodeChar = ch;
  cell.Attributes = attribute;
}

// Every byte the terminal receives is a glyph's UTF-8 or part of an escape
// sequence the encoder itself wrote: CSI, numbers, ';' and a final 'H' or 'm'.
void ExpectOnlyOwnSequences(const std::string& out) {
  for (std::size_t i = 0; i < out.size(); ++i) {
    const auto byte = static_cast<unsigned char>(out[i]);
    if (byte == 0x1b) {
      ASSERT_LT(i + 1, out.size());
      ASSERT_EQ(out[i + 1], '[') << "at " << i;
      std::size_t end = i + 2;
      while (end < out.size() && ((out[end] >= '0' && out[end] <= '9') || out[end] == ';')) {
        ++end;
      }
      ASSERT_LT(end, out.size());
      ASSERT_TRUE(out[end] == 'H' || out[end] == 'm') << "at " << i;
      i = end;
      continue;
    }
    ASSERT_GE(byte, 0x20) << "control byte " << int{byte} << " at " << i;
    ASSERT_NE(byte, 0x7f) << "at " << i;
  }
}

TEST(FrameEncoder, FirstFrameSendsEveryCellThenNothingWhileUnchanged) {
  FrameEncoder encoder;
  CellGrid grid{};
  std::string out;
  encoder.Encode(grid, out);
  // 4000 blanks, one move per row, one colour change.
  EXPECT_EQ(std::count(out.begin(), out.end(), ' '), 4000);
  EXPECT_EQ(out.substr(0, 14), "\x1b[1;1H\x1b[30;40m");
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
}

TEST(FrameEncoder, NearbyChangesShareOneMoveAndSeparateRowsGetTheirOwn) {
  FrameEncoder encoder;
  CellGrid grid{};
  Put(grid, 12, 4, ' ', 7);
  std::string out;
  encoder.Encode(grid, out);
  Put(grid, 10, 4, 'a', 7);
  Put(grid, 11, 4, 'b', 7);
  Put(grid, 13, 4, 'c', 7);  // one unchanged cell between: written again, not jumped
  Put(grid, 10, 5, 'd', 7);
  Put(grid, 14, 5, 'e', 7);  // the cells between are in other colours: jumped
  out.clear();
  encoder.Encode(grid, out);
  EXPECT_EQ(out, "\x1b[5;11H\x1b[37;40mab c\x1b[6;11Hd\x1b[6;15He");
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
  EXPECT_EQ(out, "\x1b[1;1H\x1b[37;40m█☺←é");
  // A character 0 and a blank look the same: nothing to send.
  Put(grid, 0, 1, ' ', 0);
  out.clear();
  encoder.Encode(grid, out);
  EXPECT_EQ(out, "");
}

TEST(FrameEncoder, NoControlByteWhateverTheGridHolds) {
  FrameEncoder encoder;
  CellGrid grid{};
  srand(7);
  std::string out;
  for (int frame = 0; frame < 50; ++frame) {
    for (int i = 0; i < 400; ++i) {
      Put(grid, rand() % kColumns, rand() % kRows, static_cast<std::uint8_t>(rand() & 0xFF),
          static_cast<std::uint16_t>(rand() & 0xFFFF));
    }
    out.clear();
    encoder.Encode(grid, out);
    ExpectOnlyOwnSequences(out);
  }
  // Every byte value at once.
  for (int i = 0; i < kCellCount; ++i) {
    grid[static_cast<std::size_t>(i)].Char.UnicodeChar = static_cast<char16_t>(i & 0xFF);
  }
  encoder.Invalidate();
  out.clear();
  encoder.Encode(grid, out);
  ExpectOnlyOwnSequences(out);
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

TEST(FrameEncoder, LastColumnNeedsAMoveForTheNextCell) {
  // Without line wrap the cursor stays on column 79, so the next row's cell
  // cannot follow without a move.
  FrameEncoder encoder;
  CellGrid grid{};
  std::string out;
  encoder.Encode(grid, out);
  Put(grid, 79, 0, 'a', 7);
  Put(grid, 0, 1, 'b', 7);
  out.clear();
  encoder.Encode(grid, out);
  EXPECT_EQ(out, "\x1b[1;80H\x1b[37;40ma\x1b[2;1Hb");
}

}  // namespace
}  // namespace torvelkan
