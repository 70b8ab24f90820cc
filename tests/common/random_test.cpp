// The generator's sequence is part of the game: seeds must replay exactly.
#include <gtest/gtest.h>

#include "common/random.h"

namespace torvelkan {
namespace {

TEST(Random, SeedOneGivesTheClassicSequence) {
  srand(1);
  EXPECT_EQ(rand(), 41);
  EXPECT_EQ(rand(), 18467);
  EXPECT_EQ(rand(), 6334);
  EXPECT_EQ(rand(), 26500);
  EXPECT_EQ(rand(), 19169);
}

TEST(Random, ValuesStayInRangeAndReseedingReplays) {
  srand(12345);
  int first[100];
  for (int& value : first) {
    value = rand();
    EXPECT_GE(value, 0);
    EXPECT_LE(value, kRandMax);
  }
  srand(12345);
  for (int value : first) {
    EXPECT_EQ(rand(), value);
  }
}

TEST(Random, UnitCoversZeroToOneInclusive) {
  // rand() * (float nearest 1/32767): 0 maps to 0, 32767 to 1 within a float step.
  EXPECT_FLOAT_EQ(32767.0f * 3.0518509e-05f, 1.0f);
  srand(1);
  EXPECT_FLOAT_EQ(RandomUnit(), 41.0f * 3.0518509e-05f);
  EXPECT_FLOAT_EQ(RandomUnit(), 18467.0f * 3.0518509e-05f);
}

// Two games in one process, each with its own state, draw in turns exactly
// what each would draw alone, and the program's default state is untouched.
TEST(Random, EachStateDrawsItsOwnSequenceWhateverElseDrawsBetween) {
  srand(7);
  GeneratorState a;
  GeneratorState b;
  int interleaved[2][50];
  for (int n = 0; n < 50; ++n) {
    {
      const UseGenerator use(a);
      if (n == 0) {
        srand(1);
      }
      interleaved[0][n] = rand();
    }
    const UseGenerator use(b);
    if (n == 0) {
      srand(99);
    }
    interleaved[1][n] = rand();
    {
      const UseGenerator nested(a);  // a guard inside another gives the outer one back
      (void)RandomState();
    }
    EXPECT_EQ(RandomState(), b.value);
  }
  EXPECT_EQ(rand(), 61) << "the default state is still at seed 7";
  EXPECT_EQ(interleaved[0][0], 41);
  EXPECT_EQ(interleaved[0][1], 18467);
  srand(99);
  for (int n = 0; n < 50; ++n) {
    EXPECT_EQ(rand(), interleaved[1][n]) << n;
  }
}

}  // namespace
}  // namespace torvelkan
