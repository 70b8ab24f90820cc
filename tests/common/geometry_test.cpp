// Contact counts when the circles just touch; any gap beyond that does not.
#include <gtest/gtest.h>

#include <cmath>

#include "common/geometry.h"

namespace torvelkan {
namespace {

TEST(Geometry, DistanceIsEuclidean) {
  EXPECT_FLOAT_EQ(Distance(0, 0, 3, 4), 5.0f);
  EXPECT_FLOAT_EQ(Distance(100, 230, 250, 230), 150.0f);
  EXPECT_EQ(Distance(1.5f, 2.5f, 1.5f, 2.5f), 0.0f);
}

TEST(Geometry, CirclesTouchAtTheSumOfTheRadii) {
  EXPECT_TRUE(CirclesTouch(0, 0, 8, 58, 0, 50));
  EXPECT_TRUE(CirclesTouch(0, 0, 8, 0, -58, 50));
  EXPECT_TRUE(CirclesTouch(0, 0, 50, 60, 80, 50));  // a 3-4-5 triangle, exactly 100
  EXPECT_FALSE(CirclesTouch(0, 0, 8, std::nextafter(58.0f, 100.0f), 0, 50));
  EXPECT_FALSE(CirclesTouch(0, 0, 50, 60, std::nextafter(80.0f, 100.0f), 50));
}

TEST(Geometry, CirclesTouchUsesDoublePrecision) {
  // 150.00001 is not representable: in float the centres would be 58 apart.
  const float x = 150.0f + 8.0f + 50.0f;
  EXPECT_TRUE(CirclesTouch(150.0f, 0, 8, x, 0, 50));
  EXPECT_FALSE(CirclesTouch(150.0f, 0, 8, std::nextafter(x, 1000.0f), 0, 50));
}

}  // namespace
}  // namespace torvelkan
