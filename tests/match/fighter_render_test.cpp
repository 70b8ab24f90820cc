// A fighter is a disc of cell corners with a wedge cut out towards the side it
// looks at, an eye in the darker colour, and a health display on row 1.
#include <gtest/gtest.h>

#include <string>

#include "console/memory_device.h"
#include "match/fighter.h"

namespace torvelkan {
namespace {

class FighterRender : public ::testing::Test {
 protected:
  // '#' body, 'o' eye, '.' nothing, '?' anything else.
  std::string Picture(int firstColumn, int lastColumn, int row) const {
    std::string line;
    for (int column = firstColumn; column <= lastColumn; ++column) {
      const std::uint16_t a = CellAttribute(screen.At(column, row));
      line.push_back(a == 0x90 ? '#' : a == 0x10 ? 'o' : a == 0 ? '.' : '?');
    }
    return line;
  }
  MemoryDevice device;
  ConsoleScreen screen{device};
};

TEST_F(FighterRender, TheBodyIsADiscWithTheMouthOpenTowardsTheFacingSide) {
  Fighter blue(100.0f, -1.0f);  // facing -1: looks towards larger x
  blue.y = 230.0f;
  ASSERT_EQ(blue.facing, -1.0f);
  ASSERT_EQ(blue.mouthOpening, 1.0f);
  blue.DrawBody(screen);

  // Columns 9 to 31, rows 29 to 47: each cell stands for its top-left corner,
  // drawn when that corner lies within 50 of the centre (100, 230) and
  // outside the wedge of one radian around the line y = 230 to the right.
  const char* const expected[] = {
      ".......................",  // 29: corners at y 174, too high
      "...........#...........",  // 30: only (100, 180), exactly on the edge
      ".......#########.......",  // 31
      ".....#############.....",  // 32
      "....###############....",  // 33
      "...############o####...",  // 34: the eye at column 24
      "..#################....",  // 35: (140, 210) is in the mouth, at 0.464 rad
      "..###############......",  // 36
      "..############.........",  // 37
      "..##########...........",  // 38: (140, 228) is in the mouth, at 0.050 rad
      "..###########..........",  // 39
      "..#############........",  // 40
      "..###############......",  // 41
      "...#################...",  // 42: (140, 252) at -0.503 rad is drawn
      "...#################...",  // 43
      "....###############....",  // 44
      ".....#############.....",  // 45
      "........#######........",  // 46
      ".......................",  // 47
  };
  for (int row = 29; row <= 47; ++row) {
    EXPECT_EQ(Picture(9, 31, row), expected[row - 29]) << "row " << row;
  }
  EXPECT_EQ(CellChar(screen.At(20, 30)), ' ');
}

TEST_F(FighterRender, FacingTheOtherWayMovesTheMouthAndTheEye) {
  Fighter red(300.0f, 1.0f);  // facing +1: looks towards smaller x
  red.y = 230.0f;
  red.DrawBody(screen);
  EXPECT_EQ(CellAttribute(screen.At(52, 38)), 0);     // corner (260, 228): the mouth
  EXPECT_EQ(CellAttribute(screen.At(68, 38)), 0xC0);  // corner (340, 228): the back
  EXPECT_EQ(CellAttribute(screen.At(56, 34)), 0x40);  // the eye, four columns left of 60
  EXPECT_EQ(CellAttribute(screen.At(64, 34)), 0xC0);
}

TEST_F(FighterRender, AClosedMouthLeavesTheWholeDisc) {
  Fighter blue(100.0f, -1.0f);
  blue.y = 230.0f;
  blue.mouthOpening = 0.0f;
  blue.DrawBody(screen);
  EXPECT_EQ(Picture(9, 31, 38), "..###################..");
  EXPECT_EQ(Picture(9, 31, 35), "..###################..");
}

TEST_F(FighterRender, ADeadFighterShowsOnlyItsHealth) {
  Fighter blue(100.0f, -1.0f);
  blue.y = 230.0f;
  blue.health = 0.0f;
  blue.Render(screen);
  for (int row = 2; row < kRows; ++row) {
    EXPECT_EQ(Picture(0, kColumns - 1, row), std::string(kColumns, '.')) << "row " << row;
  }
  screen.Present();
  EXPECT_EQ(device.RowText(1).substr(37, 3), "  0");
}

TEST_F(FighterRender, AFighterFarOffTheGridDrawsNothingThere) {
  for (const float y : {-1.0e20f, -400.0f, 1.0e20f}) {
    Fighter blue(100.0f, -1.0f);
    blue.y = y;
    blue.DrawBody(screen);
    for (int row = 0; row < kRows; ++row) {
      EXPECT_EQ(Picture(0, kColumns - 1, row), std::string(kColumns, '.')) << y;
    }
  }
}

TEST_F(FighterRender, HealthBarsGrowOutwardsFromTheMiddleOfRow1) {
  struct Case {
    float health;
    int cells;  // 0.37 cells a point, truncated
    const char* number;
  };
  const Case cases[] = {
      {100.0f, 37, "100"}, {45.0f, 16, " 45"}, {5.0f, 1, "  5"}, {0.0f, 0, "  0"}};
  for (const Case& c : cases) {
    screen.Clear();
    Fighter blue(100.0f, -1.0f);
    Fighter red(300.0f, 1.0f);
    blue.health = c.health;
    red.health = c.health;
    blue.DrawHealth(screen);
    red.DrawHealth(screen);
    screen.Present();
    const std::string row = device.RowText(1);
    int blueCells = 0;
    int redCells = 0;
    for (int column = 0; column < kColumns; ++column) {
      const std::uint16_t a = CellAttribute(screen.At(column, 1));
      blueCells += a == 0x90 ? 1 : 0;
      redCells += a == 0xC0 ? 1 : 0;
      if (a == 0x90) {
        EXPECT_LE(column, 36);
        EXPECT_GT(column, 36 - c.cells);  // no gaps: from 36 leftwards
      }
      if (a == 0xC0) {
        EXPECT_GE(column, 43);
        EXPECT_LT(column, 43 + c.cells);
      }
    }
    EXPECT_EQ(blueCells, c.cells) << c.health;
    EXPECT_EQ(redCells, c.cells) << c.health;
    EXPECT_EQ(row.substr(37, 3), c.number);
    EXPECT_EQ(row.substr(40, 3), c.number);
    for (int column = 37; column <= 42; ++column) {
      // Bright white on the body colour.
      EXPECT_EQ(CellAttribute(screen.At(column, 1)), column < 40 ? 0x9F : 0xCF);
    }
  }
}

}  // namespace
}  // namespace torvelkan
