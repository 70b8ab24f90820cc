// World points map to cells by truncation toward zero.
#include <gtest/gtest.h>

#include <limits>

#include "common/world.h"

namespace torvelkan {
namespace {

TEST(World, CellsAreFiveByUnitsWideAndSixHigh) {
  EXPECT_EQ(WorldToColumn(0.0f), 0);
  EXPECT_EQ(WorldToColumn(4.99f), 0);
  EXPECT_EQ(WorldToColumn(5.0f), 1);
  EXPECT_EQ(WorldToColumn(399.0f), 79);
  EXPECT_EQ(WorldToColumn(400.0f), 80);
  EXPECT_EQ(WorldToRow(5.99f), 0);
  EXPECT_EQ(WorldToRow(6.0f), 1);
  EXPECT_EQ(WorldToRow(299.0f), 49);
  EXPECT_EQ(WorldToRow(300.0f), 50);
}

TEST(World, PointsJustAboveOrLeftOfZeroStayInCellZero) {
  EXPECT_EQ(WorldToColumn(-4.9f), 0);
  EXPECT_EQ(WorldToColumn(-5.0f), -1);
  EXPECT_EQ(WorldToRow(-5.9f), 0);
  EXPECT_EQ(WorldToRow(-6.0f), -1);
}

TEST(World, FarAwayPointsLandFarOffTheGrid) {
  // Far enough to miss the grid, near enough that a shot's plus around it
  // (two cells either way) cannot overflow.
  const int far = 1 << 30;
  EXPECT_EQ(WorldToRow(-1e30f), -far);
  EXPECT_EQ(WorldToColumn(1e30f), far);
  EXPECT_EQ(WorldToColumn(std::numeric_limits<float>::quiet_NaN()), -far);
  EXPECT_EQ(WorldToColumn(6e9f), far);
}

}  // namespace
}  // namespace torvelkan
