// The logo's reveal timing and the rasterisation of its strokes.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "common/keys.h"
#include "console/console_screen.h"
#include "console/memory_device.h"
#include "screens/intro_logo.h"

namespace torvelkan {
namespace {

using CellMap = std::map<std::pair<int, int>, std::uint16_t>;  // (column, row) -> attribute

class Logo : public ::testing::Test {
 protected:
  // Every cell that was written, with its attribute; each must be a blank.
  static CellMap Written(const ConsoleScreen& grid) {
    CellMap written;
    for (int row = 0; row < kRows; ++row) {
      for (int column = 0; column < kColumns; ++column) {
        const Cell& cell = grid.At(column, row);
        if (CellChar(cell) != 0 || CellAttribute(cell) != 0) {
          EXPECT_EQ(CellChar(cell), ' ') << column << "," << row;
          written[{column, row}] = CellAttribute(cell);
        }
      }
    }
    return written;
  }

  CellMap Draw(LogoSegment segment) {
    screen.Clear();
    IntroLogo::DrawSegment(screen, segment);
    return Written(screen);
  }

  // The cells of the first count strokes of the table, drawn one by one.
  static CellMap FirstStrokes(int count) {
    MemoryDevice otherDevice;
    ConsoleScreen other(otherDevice);
    for (int k = 0; k < count; ++k) {
      LogoSegment segment = kLogoSegments[static_cast<std::size_t>(k)];
      IntroLogo::DrawSegment(other, segment);
    }
    return Written(other);
  }

  CellMap RenderAt(IntroLogo& logo) {
    screen.Clear();
    logo.Render(screen);
    return Written(screen);
  }

  MemoryDevice device;
  ConsoleScreen screen{device};
};

TEST_F(Logo, OneStrokeFromTheStartAndOneMoreEvery128Ms) {
  struct Case {
    std::uint32_t sinceStart;
    int strokes;
  };
  const Case cases[] = {{0, 1},     {127, 1},   {128, 2},   {255, 2},    {256, 3},
                        {3839, 30}, {3840, 31}, {3841, 31}, {100000, 31}};
  for (const Case& c : cases) {
    IntroLogo logo;
    logo.Update(5000, 16);
    logo.Update(5000 + c.sinceStart, 16);
    EXPECT_EQ(RenderAt(logo), FirstStrokes(c.strokes)) << c.sinceStart;
  }
}

TEST_F(Logo, ATickBeforeTheStartShowsNothing) {
  IntroLogo logo;
  logo.Update(5000, 0);
  logo.Update(5000 - 128, 0);
  EXPECT_EQ(logo.SinceStartMs(), -128);
  EXPECT_TRUE(RenderAt(logo).empty());
}

TEST_F(Logo, TheClockStartsAtTheFirstUpdateUnlessItsTickIsZero) {
  IntroLogo logo;
  logo.Update(0, 0);
  EXPECT_EQ(logo.StartTick(), 0u);
  EXPECT_EQ(logo.SinceStartMs(), 0);
  logo.Update(500, 500);
  EXPECT_EQ(logo.StartTick(), 500u);
  EXPECT_EQ(logo.SinceStartMs(), 0);
  logo.Update(628, 9999);  // the elapsed time plays no part
  EXPECT_EQ(logo.StartTick(), 500u);
  EXPECT_EQ(logo.SinceStartMs(), 128);
}

TEST_F(Logo, TheClockRunsAcrossTheWrapOfTheTickCounter) {
  IntroLogo logo;
  logo.Update(0xFFFFFF00u, 0);
  logo.Update(0x00000040u, 0);
  EXPECT_EQ(logo.SinceStartMs(), 0x140);
}

TEST_F(Logo, AnyKeyFinishesIt) {
  for (std::uint16_t key :
       {vk::kEscape, vk::kEnter, vk::kSpace, vk::kUp, vk::kA, vk::kF1, std::uint16_t{0}}) {
    IntroLogo logo;
    EXPECT_FALSE(logo.IsDone());
    logo.OnKey(key);
    EXPECT_TRUE(logo.IsDone()) << key;
  }
}

TEST_F(Logo, AHorizontalStrokeSamplesTheTopEdgeOfItsCells) {
  // Row 16 starts at y 96, four units above the line: light grey all along.
  CellMap expected;
  for (int column = 2; column <= 8; ++column) {
    expected[{column, 16}] = 112;
  }
  EXPECT_EQ(Draw({10, 100, 40, 100}), expected);
}

TEST_F(Logo, AVerticalStrokeIsNudgedOnceAndDrawnOnItsLeftEdges) {
  CellMap expected;
  for (int row = 10; row <= 20; ++row) {
    expected[{10, row}] = 240;
  }
  LogoSegment segment{50, 60, 50, 120};
  IntroLogo::DrawSegment(screen, segment);
  EXPECT_EQ(Written(screen), expected);
  const float nudged = 50.0f + 0.0001f;
  EXPECT_EQ(segment.x2, nudged);
  EXPECT_NE(segment.x2, 50.0f);

  screen.Clear();
  IntroLogo::DrawSegment(screen, segment);  // no second nudge
  EXPECT_EQ(segment.x2, nudged);
  EXPECT_EQ(Written(screen), expected);
  EXPECT_NEAR(IntroLogo::DistanceToLine(segment, 53, 90), 3.0, 1e-3);
}

TEST_F(Logo, ASlantedStrokeFadesWithTheDistanceFromItsLine) {
  const CellMap expected = {{{0, 0}, 240}, {{2, 1}, 240}, {{1, 0}, 112},
                            {{1, 1}, 112}, {{0, 1}, 128}, {{2, 0}, 128}};
  EXPECT_EQ(Draw({0, 0, 10, 6}), expected);
  // The endpoints may come in either order.
  EXPECT_EQ(Draw({10, 6, 0, 0}), expected);
}

TEST_F(Logo, DistanceIsToTheWholeLineNotJustTheSegment) {
  LogoSegment segment{0, 0, 10, 6};
  EXPECT_NEAR(IntroLogo::DistanceToLine(segment, 20, 12), 0.0, 1e-5);
  EXPECT_NEAR(IntroLogo::DistanceToLine(segment, -10, -6), 0.0, 1e-5);
  // 3 / sqrt(1 + 0.6 * 0.6) from the point (5, 0).
  EXPECT_NEAR(IntroLogo::DistanceToLine(segment, 5, 0), 2.5724787, 1e-5);
}

TEST_F(Logo, TheLaterStrokeSetsASharedCellEvenWhenDimmer) {
  LogoSegment flat{0, 6, 10, 6};
  IntroLogo::DrawSegment(screen, flat);
  LogoSegment slanted{0, 0, 10, 6};
  IntroLogo::DrawSegment(screen, slanted);
  const CellMap written = Written(screen);
  EXPECT_EQ(written.at({0, 1}), 128);  // the flat stroke had made it 240
  EXPECT_EQ(written.at({1, 1}), 112);
  EXPECT_EQ(written.at({2, 1}), 240);
}

// The whole logo, cell by cell: '#' bright white, '+' light grey, '.' dark
// grey; 753 cells in rows 8 to 41, the rows above and below empty.
TEST_F(Logo, TheWholeLogoIsExactlyThisPicture) {
  const char* const expected[] = {
      "#.        .#                                                                    ",
      "#.        .#                                                                    ",
      "#.        .#                                                                    ",
      "#+        +#                                                                    ",
      "#+        +#                                                                    ",
      "++.      .++                                                                    ",
      "++.      .++                                                                    ",
      "+#.      .#+                                               .#                   ",
      "+#.      .#+                                               .#                   ",
      "+#.      .#+                                               .#                   ",
      ".#.      .#.                                               +#                   ",
      ".#.      .#.                        .#                     +#                   ",
      ".#.      .#.                        +#                     +#                   ",
      ".#.      .#.                        ++                    .++                   ",
      ".#+      +#.                        #.                    .++                   ",
      ".#+ .#.  +#.                                              ...+#                 ",
      ".++..#. .++.                                            ..+##++                 ",
      ".++..#+ .++.  ...+##.  ..+##..+##. .#    ...+##   ...+#.##+...                  ",
      ".++.+++..++. ++##+.#. +###++###+#. .#  #.###+.. ++###+#.  .#.                   ",
      " +#.++#..#+        #. #.   #.   #. .#  #.       #.    #+  .#.                   ",
      " +#.++#..#+        #. #.   #.   #. .#  #+       #.    #+  .#.                   ",
      " .#.#.#..#.        #+ #.   #+   #+ +#  #+       #+    ++  .#.                   ",
      " .#.#.#..#.        #+ #+   #+   #+ +#  ++       ++.   +#  .#.                   ",
      " .#.#.#+.#.        #+ #+   #+   #+ +#  +#       ++.   +#  +#.                   ",
      " .#.#.++.#.      ..++ #+   ++   ++ ++  +....+#. +#. ...#  +#.                   ",
      " .#.#.+++#.   ..+##++ ++   ++   ++ ++  .######. ...+###+  +#.                   ",
      " .#.#.+#+#.  .##+..++ ++   ++   ++ ++        #+ .##++..   ++.                   ",
      " .#+#..#+#.  .#    +# ++   +#   +# #+        #+ .#.       ++.                   ",
      " .++#..#++.  +#    +# +#   +#   +# #+        ++ .#+       ++.                   ",
      " .+++..#++.  +#    +# +#   +#   +# #+        +# .#+       #+                    ",
      "  +#+..##+   ++    +# +#   +#   +# #+        +# .++       #+                    ",
      "  +#+ .+#+   #+    .# .#   .#   .# #.        .#  +#       #+                    ",
      "  .#.  +#.   #+...+## .#   .#   .# #.    ...+##  +#..+##  #.  #+..  #+..  #+..  ",
      "  .#.  .#.   ++###+.. .#   .#   .# #.  ++###+..  .+###+.  #.  .+##+ .+##+ .+##+ ",
  };
  IntroLogo logo;
  logo.Update(1, 0);
  logo.Update(1 + 3840, 0);
  std::vector<std::string> picture(kRows, std::string(kColumns, ' '));
  for (const auto& [cell, attribute] : RenderAt(logo)) {
    picture[static_cast<std::size_t>(cell.second)][static_cast<std::size_t>(cell.first)] =
        attribute == 240   ? '#'
        : attribute == 112 ? '+'
        : attribute == 128 ? '.'
                           : '?';
  }
  for (int row = 0; row < kRows; ++row) {
    const bool drawn = row >= 8 && row <= 41;
    EXPECT_EQ(picture[static_cast<std::size_t>(row)],
              drawn ? std::string(expected[row - 8]) : std::string(kColumns, ' '))
        << "row " << row;
  }
}

}  // namespace
}  // namespace torvelkan
