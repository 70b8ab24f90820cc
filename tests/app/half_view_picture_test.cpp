// The half view of the real game's screens at 80 x 25, against pictures
// written out here cell by cell: the first frame of a fight and the menu.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "common/keys.h"
#include "console/half_view.h"
#include "support/same_cells.h"
#include "support/scripted_game.h"

namespace torvelkan {
namespace {

using testing::ScriptedGame;

using Picture = std::array<const char*, kHalfViewRows>;

// Text in a picture, with its colours.
struct Text {
  int row;
  int column;
  std::string text;
  std::uint16_t attribute;
};

// A picture as written: '.' a blank on black; '|' and '-' lines in the
// colour given; '#' a blank in a fighter's colour, '^' the upper-half block
// and '_' the lower-half block in that colour on black, '*' the fighter's
// dark eye over its colour, where blue stands left of column 40 and red
// right of it; any other character is text, whose colours `texts` give.
CellGrid Written(const Picture& rows, std::uint16_t lines, const std::vector<Text>& texts) {
  CellGrid grid{};
  auto set = [&grid](int row, int column, int character, int attribute) {
    Cell& cell = grid[static_cast<std::size_t>(row * kColumns + column)];
    cell.Char.UnicodeChar = static_cast<char16_t>(character);
    cell.Attributes = static_cast<std::uint16_t>(attribute);
  };
  for (int row = 0; row < kHalfViewRows; ++row) {
    const std::string line = rows[static_cast<std::size_t>(row)];
    EXPECT_EQ(line.size(), std::size_t{kColumns}) << "row " << row;
    for (int column = 0; column < kColumns && column < static_cast<int>(line.size()); ++column) {
      const int fighter = column < 40 ? 0x9 : 0xC;
      switch (line[static_cast<std::size_t>(column)]) {
        case '.': set(row, column, ' ', 0x00); break;
        case '|': set(row, column, '|', lines); break;
        case '-': set(row, column, '-', lines); break;
        case '#': set(row, column, ' ', fighter << 4); break;
        case '^': set(row, column, 0xDF, fighter); break;
        case '_': set(row, column, 0xDC, fighter); break;
        case '*': set(row, column, 0xDF, fighter << 4 | (fighter & 7)); break;
        default: set(row, column, 0, 0xFFFF); break;  // text, below
      }
    }
  }
  for (const Text& text : texts) {
    for (std::size_t i = 0; i < text.text.size(); ++i) {
      const int column = text.column + static_cast<int>(i);
      EXPECT_EQ(rows[static_cast<std::size_t>(text.row)][column], text.text[i]) << text.text;
      set(text.row, column, static_cast<unsigned char>(text.text[i]), text.attribute);
    }
  }
  return grid;
}

CellGrid Halved(const CellGrid& grid, int rows) {
  CellGrid picture{};
  DrawHalfView(grid, kRows, rows, picture);
  return picture;
}

// The first rows of the picture; the rest blank.
CellGrid Top(const CellGrid& picture, int rows) {
  CellGrid top{};
  std::copy_n(picture.begin(), rows * kColumns, top.begin());
  return top;
}

TEST(HalfViewPicture, TheFirstFrameOfAFight) {
  ScriptedGame game;
  ASSERT_FALSE(game.Run(3000));
  ASSERT_FALSE(game.Press(vk::kEnter));  // the logo, to the menu
  ASSERT_FALSE(game.Run(100));
  ASSERT_FALSE(game.Press(vk::kEnter));  // "Gra"
  while (game.app.CurrentMatch() == nullptr) {
    ASSERT_FALSE(game.Pass());
  }
  ASSERT_FALSE(game.Pass());  // the first update has put the fighters on the floor

  // The health bars under the counters, the countdown under the pattern,
  // the mouths open towards each other and the eyes above them.
  const Picture fight = {
      "_499_fps_______________0_____________100100_____________0__________________0_AI_",
      "|....|....|....|....|....|....|....|....|....|....|....|....|....|....|....|....",
      "|....|....|....|....|....|....|....|Get.Ready|....|....|....|....|....|....|....",
      "|....|....|....|....|....|....|....|....|....|....|....|....|....|....|....|....",
      "|....|....|....|....|....|....|....|....|....|....|....|....|....|....|....|....",
      "|....|....|....|....|....|....|....|....|....|....|....|....|....|....|....|....",
      "|....|....|....|....|....|....|....|....|....|....|....|....|....|....|....|....",
      "|....|....|....|....|....|....|....|....|....|....|....|....|....|....|....|....",
      "|....|....|....|....|....|....|....|....|....|....|....|....|....|....|....|....",
      "|....|....|....|....|....|....|....|....|....|....|....|....|....|....|....|....",
      "|....|....|....|....|....|....|....|....|....|....|....|....|....|....|....|....",
      "|....|....|....|....|....|....|....|....|....|....|....|....|....|....|....|....",
      "|....|....|....|....|....|....|....|....|....|....|....|....|....|....|....|....",
      "|....|....|....|....|....|....|....|....|....|....|....|....|....|....|....|....",
      "|....|....|....|....|....|....|....|....|....|....|....|....|....|....|....|....",
      "|....|....|....|____#____|....|....|....|....|....|....|____#____|....|....|....",
      "|....|....|.._#############_..|....|....|....|....|.._#############_..|....|....",
      "|....|....|_############*###^.|....|....|....|....|.^###*############_|....|....",
      "|....|....|############^^^....|....|....|....|....|....^^^############|....|....",
      "|....|....|##########_...|....|....|....|....|....|....|..._##########|....|....",
      "|....|....|#############__....|....|....|....|....|....__#############|....|....",
      "|....|....|.#################.|....|....|....|....|.#################.|....|....",
      ".............^#############^.........................^#############^............",
      ".................^^^^^^^.................................^^^^^^^................",
      "................................................................................",
  };
  const CellGrid expected = Written(fight, 0x08,
                                    {{0, 1, "499", 0x07},
                                     {0, 5, "fps", 0x07},
                                     {0, 23, "0", 0x08},
                                     {0, 37, "100", 0x9F},
                                     {0, 40, "100", 0xCF},
                                     {0, 56, "0", 0x08},
                                     {0, 75, "0", 0x07},
                                     {0, 77, "AI", 0x07},
                                     {2, 36, "Get", 0x0F},
                                     {2, 40, "Ready", 0x0F}});
  EXPECT_TRUE(testing::SameCells(expected, Halved(game.device.LastFrame(), 25)));
  // At 24 rows the last pair, empty in a fight, is left out.
  EXPECT_TRUE(testing::SameCells(Top(expected, 24), Halved(game.device.LastFrame(), 24)));
}

TEST(HalfViewPicture, TheMenu) {
  ScriptedGame game;
  ASSERT_FALSE(game.Run(3000));
  ASSERT_FALSE(game.Press(vk::kEnter));
  ASSERT_FALSE(game.Run(100));
  ASSERT_NE(game.app.CurrentMenu(), nullptr);
  // Dots of its own: one above the box's top edge, one in its bottom-left
  // corner (where the box leaves a dot visible), two in the open, one in
  // the last pair of rows.
  std::vector<MenuDot>& dots = game.app.CurrentMenu()->Dots();
  dots.clear();
  const auto dot = [&dots](int column, int row, std::uint16_t attribute) {
    dots.push_back({5.0f * static_cast<float>(column) + 2.5f, 6.0f * static_cast<float>(row) + 3.0f,
                    0.0f, 0.0f, attribute});
  };
  dot(35, 18, 0x0C);
  dot(29, 31, 0x0A);
  dot(5, 10, 0x0E);
  dot(70, 41, 0x0B);
  dot(60, 49, 0x0D);
  game.app.Render(game.screen);

  const Picture menu = {
      ".499.fps........................................................................",
      "................................................................................",
      "................................................................................",
      "................................................................................",
      "................................................................................",
      ".....o..........................................................................",
      "................................................................................",
      "................................................................................",
      "................................................................................",
      "..............................---------------------.............................",
      ".............................|......Torvelkan......|............................",
      ".............................|...>.Gra.............|............................",
      ".............................|.....Informacje......|............................",
      ".............................|.....Wyjscie.........|............................",
      ".............................|.....................|............................",
      ".............................o---------------------|............................",
      "................................................................................",
      "................................................................................",
      "................................................................................",
      "................................................................................",
      "......................................................................o.........",
      "................................................................................",
      "................................................................................",
      "................................................................................",
      "............................................................o...................",
  };
  const CellGrid expected = Written(menu, 0x07,
                                    {{0, 1, "499", 0x07},
                                     {0, 5, "fps", 0x07},
                                     {5, 5, "o", 0x0E},
                                     {10, 36, "Torvelkan", 0x0E},
                                     {11, 33, ">", 0x0F},
                                     {11, 35, "Gra", 0x0F},
                                     {12, 35, "Informacje", 0x07},
                                     {13, 35, "Wyjscie", 0x07},
                                     {15, 29, "o", 0x0A},
                                     {20, 70, "o", 0x0B},
                                     {24, 60, "o", 0x0D}});
  EXPECT_TRUE(testing::SameCells(expected, Halved(game.device.LastFrame(), 25)));
  EXPECT_TRUE(testing::SameCells(Top(expected, 24), Halved(game.device.LastFrame(), 24)));
}

}  // namespace
}  // namespace torvelkan
