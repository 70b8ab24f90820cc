// The menu's selection, its bouncing dots and the cells it draws.
#include <gtest/gtest.h>

#include <string>

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
  EXPECT_EQ(menu.SelectedEntry(), 0);  // and down again round to "Gra"
  menu.OnKey(vk::kDown);
  menu.OnKey(vk::kDown);
  EXPECT_EQ(menu.SelectedEntry(), 2);
  menu.OnKey(vk::kUp);
  EXPECT_EQ(menu.SelectedEntry(), 1);
  EXPECT_EQ(menu.Choice(), -1);
}

TEST(MenuSelection, EnterOrSpaceWithoutMovingChoosesTheFight) {
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
  for (const MenuDot& dot : menu.Dots()) {
    // x, y, x velocity, y velocity, then the colour.
    EXPECT_EQ(dot.x, RandomUnit() * 400.0f);
    EXPECT_EQ(dot.y, RandomUnit() * 300.0f);
    EXPECT_EQ(dot.xVelocity, RandomUnit() - 0.5f);
    EXPECT_EQ(dot.yVelocity, RandomUnit() - 0.5f);
    const std::uint16_t colours[6] = {12, 10, 9, 14, 11, 13};
    EXPECT_EQ(dot.attribute, colours[rand() % 6]);
  }
  EXPECT_EQ(RandomState(), after);  // and nothing more was drawn
}

TEST(MenuDots, StartAnywhereWithinTheWorldAndItsLimits) {
  for (std::uint32_t seed : {1u, 2u, 99u, 4000000000u}) {
    srand(seed);
    MainMenu menu;
    for (const MenuDot& dot : menu.Dots()) {
      EXPECT_GE(dot.x, 0.0f);
      EXPECT_LE(dot.x, 400.0f);
      EXPECT_GE(dot.y, 0.0f);
      EXPECT_LE(dot.y, 300.0f);
      EXPECT_GE(dot.xVelocity, -0.5f);
      EXPECT_LE(dot.xVelocity, 0.5f);
      EXPECT_GE(dot.yVelocity, -0.5f);
      EXPECT_LE(dot.yVelocity, 0.5f);
      EXPECT_TRUE(dot.attribute >= 9 && dot.attribute <= 14) << dot.attribute;
    }
  }
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
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(dots[i].xVelocity, 0.3f);
    EXPECT_EQ(dots[i].yVelocity, -0.1f);
  }
  EXPECT_EQ(dots[0].x, 0.0f);
  EXPECT_EQ(dots[0].y, 0.0f);
  EXPECT_EQ(dots[1].x, 399.5f);
  EXPECT_EQ(dots[1].y, 299.5f);
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
  // And they stay inside, however long the steps go on.
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
  std::string Text(int column, int row, int length) const {
    std::string text;
    for (int i = 0; i < length; ++i) {
      text.push_back(CharAt(column + i, row));
    }
    return text;
  }

  MemoryDevice device;
  ConsoleScreen screen{device};
  MainMenu menu;
};

TEST_F(MenuPicture, TheBoxTitleAndEntriesStandOnTheirCells) {
  menu.Dots().clear();
  Render();
  for (int row = 0; row < kRows; ++row) {
    for (int column = 0; column < kColumns; ++column) {
      const bool acrossBox = column >= 30 && column <= 50;
      const bool downBox = row >= 20 && row <= 30;
      char character = 0;
      std::uint16_t attribute = 0;
      if (acrossBox && downBox) {
        character = ' ';  // the interior, overwritten by the texts below
      } else if (acrossBox && (row == 19 || row == 31)) {
        character = '-';
        attribute = 7;
      } else if (downBox && (column == 29 || column == 51)) {
        character = '|';
        attribute = 7;
      }
      if (row == 20 && column >= 36 && column <= 44) {
        continue;  // the title
      }
      if ((row == 23 && column >= 33 && column <= 37) || (row == 25 && column >= 35) ||
          (row == 27 && column >= 35)) {
        if (column <= 44) {
          continue;  // the entries and the marker
        }
      }
      EXPECT_EQ(CharAt(column, row), character) << column << "," << row;
      EXPECT_EQ(AttributeAt(column, row), attribute) << column << "," << row;
    }
  }
  EXPECT_EQ(Text(36, 20, 9), "Torvelkan");
  EXPECT_EQ(AttributeAt(36, 20), 14);
  EXPECT_EQ(AttributeAt(44, 20), 14);

  EXPECT_EQ(Text(33, 23, 5), "> Gra");
  EXPECT_EQ(AttributeAt(33, 23), 15);
  EXPECT_EQ(AttributeAt(34, 23), 0);  // the gap between marker and text is interior
  EXPECT_EQ(AttributeAt(35, 23), 15);
  EXPECT_EQ(AttributeAt(37, 23), 15);
  EXPECT_EQ(Text(33, 25, 12), "  Informacje");
  EXPECT_EQ(AttributeAt(35, 25), 7);
  EXPECT_EQ(AttributeAt(44, 25), 7);
  EXPECT_EQ(Text(33, 27, 12), "  Wyjscie   ");
  EXPECT_EQ(AttributeAt(41, 27), 7);
  EXPECT_EQ(AttributeAt(42, 27), 0);
}

TEST_F(MenuPicture, TheMarkerAndTheBrightTextFollowTheSelection) {
  menu.Dots().clear();
  menu.OnKey(vk::kUp);
  Render();
  EXPECT_EQ(Text(33, 23, 5), "  Gra");
  EXPECT_EQ(AttributeAt(35, 23), 7);
  EXPECT_EQ(Text(33, 27, 9), "> Wyjscie");
  EXPECT_EQ(AttributeAt(33, 27), 15);
  EXPECT_EQ(AttributeAt(41, 27), 15);
  menu.OnKey(vk::kUp);
  Render();
  EXPECT_EQ(Text(33, 25, 12), "> Informacje");
  EXPECT_EQ(AttributeAt(44, 25), 15);
  EXPECT_EQ(CharAt(33, 27), ' ');
}

TEST_F(MenuPicture, DotsShowOutsideTheBoxAndOnItsCornersButNotWithin) {
  menu.Dots() = {
      {150, 120, 0, 0, 12},   // cell (30, 20): inside the box
      {254, 185, 0, 0, 12},   // cell (50, 30): inside the box
      {145, 114, 0, 0, 10},   // cell (29, 19): a corner
      {255, 186, 0, 0, 9},    // cell (51, 31): a corner
      {145, 186, 0, 0, 14},   // cell (29, 31): a corner
      {255, 114, 0, 0, 11},   // cell (51, 19): a corner
      {399, 299, 0, 0, 13},   // cell (79, 49)
      {0, 0, 0, 0, 12},       // cell (0, 0)
      {2, 3, 0, 0, 10},       // also cell (0, 0): the later dot shows
      {400, 100, 0, 0, 12},   // column 80: off the grid
      {100, 300, 0, 0, 12},   // row 50: off the grid
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
  int dots = 0;
  for (const auto& s : shown) {
    EXPECT_EQ(CharAt(s.column, s.row), 'o') << s.column << "," << s.row;
    EXPECT_EQ(AttributeAt(s.column, s.row), s.attribute) << s.column << "," << s.row;
  }
  for (const Cell& cell : screen.Cells()) {
    dots += CellChar(cell) == 'o' ? 1 : 0;
  }
  EXPECT_EQ(dots, 6 + 2);  // and the o of "Torvelkan" and of "Informacje"
}

}  // namespace
}  // namespace torvelkan
