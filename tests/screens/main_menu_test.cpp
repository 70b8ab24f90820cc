// The menu's selection, its bouncing dots and the cells it draws.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/keys.h"
#include "common/random.h"
#include "console/console_screen.h"
#include "console/memory_device.h"
#include "screens/main_menu.h"

namespace torvelkan {
namespace {

TEST(MenuSelection, UpAndDownWrapAtBothEnds) {
  MainMenu menu;
  EXPECT_EQ(menu.SelectedEntry(), 0);
  menu.OnKey(vk::kUp);
  EXPECT_EQ(menu.SelectedEntry(), 2);  // from "Gra" up to "Wyjscie"
  menu.OnKey(vk::kDown);
  EXPECT_EQ(menu.SelectedEntry(), 0);  // and down round to "Gra"
  menu.OnKey(vk::kDown);
  menu.OnKey(vk::kDown);
  menu.OnKey(vk::kUp);
  EXPECT_EQ(menu.SelectedEntry(), 1);
  EXPECT_EQ(menu.Choice(), -1);
}

TEST(MenuSelection, EnterOrSpaceChoosesTheHighlightedEntry) {
  for (std::uint16_t key : {vk::kEnter, vk::kSpace}) {
    MainMenu menu;
    menu.OnKey(key);
    EXPECT_EQ(menu.Choice(), 0) << key;
  }
  MainMenu menu;
  menu.OnKey(vk::kUp);
  menu.OnKey(vk::kEnter);
  EXPECT_EQ(menu.Choice(), 2);
}

TEST(MenuSelection, NothingIsChosenBeforeAKeyNoMatterHowLongAndOtherKeysDoNothing) {
  MainMenu menu;
  for (int i = 0; i < 1000; ++i) {
    menu.Update(static_cast<std::uint32_t>(i * 16), 16);
  }
  for (std::uint16_t key : {vk::kLeft, vk::kRight, vk::kEscape, vk::kA, vk::kW, vk::kF1}) {
    menu.OnKey(key);
  }
  EXPECT_EQ(menu.SelectedEntry(), 0);
  EXPECT_EQ(menu.Choice(), -1);
}

TEST(MenuDots, ThirtyTwoDotsDrawFiveNumbersEachInOrder) {
  srand(12345);
  MainMenu menu;
  const std::uint32_t after = RandomState();
  ASSERT_EQ(menu.Dots().size(), 32u);

  srand(12345);
  const std::uint16_t colours[6] = {12, 10, 9, 14, 11, 13};
  for (const MenuDot& dot : menu.Dots()) {
    EXPECT_EQ(dot.x, RandomUnit() * 400.0f);
    EXPECT_EQ(dot.y, RandomUnit() * 300.0f);
    EXPECT_EQ(dot.xVelocity, RandomUnit() - 0.5f);
    EXPECT_EQ(dot.yVelocity, RandomUnit() - 0.5f);
    EXPECT_EQ(dot.attribute, colours[rand() % 6]);
  }
  EXPECT_EQ(RandomState(), after);  // and nothing more was drawn
}

TEST(MenuDots, FlyByTheElapsedTimeAndGravityComesAfterTheBounce) {
  MainMenu menu;
  menu.Dots() = {
      {100, 100, 0.1f, -0.2f, 12},  // free flight
      {395, 150, 0.5f, 0.0f, 12},   // through the right edge
      {5, 150, -0.5f, 0.0f, 12},    // through the left edge
      {200, 5, 0.0f, -0.5f, 12},    // through the top
      {200, 295, 0.0f, 0.5f, 12},   // through the bottom
  };
  menu.Update(0, 20);
  const std::vector<MenuDot>& dots = menu.Dots();
  EXPECT_FLOAT_EQ(dots[0].x, 102.0f);
  EXPECT_FLOAT_EQ(dots[0].y, 96.0f);
  EXPECT_FLOAT_EQ(dots[0].yVelocity, -0.2f + 0.02f);  // 0.001 per ms, 20 ms

  EXPECT_EQ(dots[1].x, 399.0f);
  EXPECT_EQ(dots[1].xVelocity, -0.5f);
  EXPECT_EQ(dots[2].x, 0.0f);
  EXPECT_EQ(dots[2].xVelocity, 0.5f);
  // Reversed first, then pulled down: 0.5 + 0.02 and -0.5 + 0.02.
  EXPECT_EQ(dots[3].y, 0.0f);
  EXPECT_FLOAT_EQ(dots[3].yVelocity, 0.52f);
  EXPECT_EQ(dots[4].y, 299.0f);
  EXPECT_FLOAT_EQ(dots[4].yVelocity, -0.48f);
}

TEST(MenuDots, ANoTimeUpdateMovesNothingButClampsADotOnTheFarEdge) {
  MainMenu menu;
  menu.Dots() = {
      {0, 0, 0.3f, -0.1f, 12},
      {399.5f, 299.5f, 0.3f, -0.1f, 12},
      {400, 100, 0.3f, -0.1f, 12},
      {100, 300, 0.3f, -0.1f, 12},
  };
  menu.Update(0, 0);
  const std::vector<MenuDot>& dots = menu.Dots();
  EXPECT_EQ(dots[0].x, 0.0f);
  EXPECT_EQ(dots[0].y, 0.0f);
  EXPECT_EQ(dots[1].x, 399.5f);
  EXPECT_EQ(dots[1].y, 299.5f);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(dots[i].xVelocity, 0.3f);
    EXPECT_EQ(dots[i].yVelocity, -0.1f);
  }
  EXPECT_EQ(dots[2].x, 399.0f);
  EXPECT_EQ(dots[2].xVelocity, -0.3f);
  EXPECT_EQ(dots[3].y, 299.0f);
  EXPECT_EQ(dots[3].yVelocity, 0.1f);
}

TEST(MenuDots, AfterAVeryLongStepEveryDotSitsOnTheEdgeItCrossed) {
  srand(777);
  MainMenu menu;
  const std::vector<MenuDot> before = menu.Dots();
  const std::uint32_t elapsed = 100000000;  // every velocity carries a dot far out
  menu.Update(0, elapsed);
  for (std::size_t i = 0; i < before.size(); ++i) {
    const MenuDot& was = before[i];
    const MenuDot& dot = menu.Dots()[i];
    EXPECT_EQ(dot.x, was.xVelocity > 0 ? 399.0f : 0.0f) << i;
    EXPECT_EQ(dot.y, was.yVelocity > 0 ? 299.0f : 0.0f) << i;
    EXPECT_EQ(dot.xVelocity, -was.xVelocity) << i;
    EXPECT_EQ(dot.yVelocity, -was.yVelocity + 0.001f * static_cast<float>(elapsed)) << i;
  }
  // And they stay inside, however the steps go on.
  for (int step = 0; step < 50; ++step) {
    menu.Update(0, step % 2 == 0 ? 16 : 4000000000u);
    for (const MenuDot& dot : menu.Dots()) {
      ASSERT_TRUE(dot.x >= 0.0f && dot.x < 400.0f && dot.y >= 0.0f && dot.y < 300.0f);
    }
  }
}

class MenuPicture : public ::testing::Test {
 protected:
  void Render() {
    screen.Clear();
    menu.Render(screen);
  }
  char CharAt(int column, int row) const {
    return static_cast<char>(CellChar(screen.At(column, row)));
  }
  std::uint16_t AttributeAt(int column, int row) const {
    return CellAttribute(screen.At(column, row));
  }
  // Columns 28 to 52 of rows 18 to 32: the box and one cell round it. Character
  // 0 shows as '.'; attributes 7, 14 and 15 as W, Y and B, 0 as a blank.
  std::vector<std::string> Picture(bool attributes) const {
    std::vector<std::string> rows;
    for (int row = 18; row <= 32; ++row) {
      std::string text;
      for (int column = 28; column <= 52; ++column) {
        if (!attributes) {
          text.push_back(CharAt(column, row) == 0 ? '.' : CharAt(column, row));
          continue;
        }
        switch (AttributeAt(column, row)) {
          case 0: text.push_back(' '); break;
          case 7: text.push_back('W'); break;
          case 14: text.push_back('Y'); break;
          case 15: text.push_back('B'); break;
          default: text.push_back('?'); break;
        }
      }
      rows.push_back(text);
    }
    return rows;
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
  MainMenu menu;
};

TEST_F(MenuPicture, TheBoxTitleAndEntriesStandOnTheirCells) {
  menu.Dots().clear();
  Render();
  const std::vector<std::string> characters = {
      ".........................", "..---------------------..", ".|      Torvelkan      |.",
      ".|                     |.", ".|                     |.", ".|   > Gra             |.",
      ".|                     |.", ".|     Informacje      |.", ".|                     |.",
      ".|     Wyjscie         |.", ".|                     |.", ".|                     |.",
      ".|                     |.", "..---------------------..", ".........................",
  };
  const std::vector<std::string> colours = {
      "                         ", "  WWWWWWWWWWWWWWWWWWWWW  ", " W      YYYYYYYYY      W ",
      " W                     W ", " W                     W ", " W   B BBB             W ",
      " W                     W ", " W     WWWWWWWWWW      W ", " W                     W ",
      " W     WWWWWWW         W ", " W                     W ", " W                     W ",
      " W                     W ", "  WWWWWWWWWWWWWWWWWWWWW  ", "                         ",
  };
  EXPECT_EQ(Picture(false), characters);
  EXPECT_EQ(Picture(true), colours);
  EXPECT_EQ(WrittenCells(), 21 * 11 + 2 * 21 + 2 * 11);  // nothing beyond the box
}

TEST_F(MenuPicture, TheMarkerAndTheBrightTextFollowTheSelection) {
  menu.Dots().clear();
  menu.OnKey(vk::kUp);
  Render();
  EXPECT_EQ(Picture(false)[5].substr(2, 21), "     Gra             ");
  EXPECT_EQ(Picture(false)[9].substr(2, 21), "   > Wyjscie         ");
  EXPECT_EQ(Picture(true)[5].substr(2, 21), "     WWW             ");
  EXPECT_EQ(Picture(true)[9].substr(2, 21), "   B BBBBBBB         ");
}

TEST_F(MenuPicture, DotsShowOutsideTheBoxAndOnItsCornersButNotWithin) {
  menu.Dots() = {
      {150, 120, 0, 0, 12},  // cell (30, 20): inside the box
      {254, 185, 0, 0, 12},  // cell (50, 30): inside the box
      {145, 114, 0, 0, 10},  // cell (29, 19): a corner
      {255, 186, 0, 0, 9},   // cell (51, 31): a corner
      {145, 186, 0, 0, 14},  // cell (29, 31): a corner
      {255, 114, 0, 0, 11},  // cell (51, 19): a corner
      {399, 299, 0, 0, 13},  // cell (79, 49)
      {0, 0, 0, 0, 12},      // cell (0, 0)
      {2, 3, 0, 0, 10},      // also cell (0, 0): the later dot shows
      {400, 100, 0, 0, 12},  // column 80: off the grid
      {100, 300, 0, 0, 12},  // row 50: off the grid
  };
  Render();
  EXPECT_EQ(CharAt(30, 20), ' ');
  EXPECT_EQ(AttributeAt(30, 20), 0);
  EXPECT_EQ(CharAt(50, 30), ' ');
  EXPECT_EQ(AttributeAt(50, 30), 0);
  const struct {
    int column, row;
    std::uint16_t attribute;
  } shown[] = {{29, 19, 10}, {51, 31, 9}, {29, 31, 14}, {51, 19, 11}, {79, 49, 13}, {0, 0, 10}};
  for (const auto& s : shown) {
    EXPECT_EQ(CharAt(s.column, s.row), 'o') << s.column << "," << s.row;
    EXPECT_EQ(AttributeAt(s.column, s.row), s.attribute) << s.column << "," << s.row;
  }
  EXPECT_EQ(WrittenCells(), 21 * 11 + 2 * 21 + 2 * 11 + 6);
}

}  // namespace
}  // namespace torvelkan
