// The budget in all for join codes: it refills at five a second up to ten,
// only wrong codes spend from it, and while it is spent no code is judged.
#include "net/wrong_code_budget.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace torvelkan::net {
namespace {

using Verdict = WrongCodeBudget::Verdict;

TEST(WrongCodeBudget, TenAtOnceThenOneEvery200MsAndNothingJudgedWhileSpent) {
  const struct {
    bool right;
    std::uint32_t at;
    Verdict expected;
  } steps[] = {
      {false, 1000, Verdict::kWrong},  // ten in a row from a full store
      {false, 1000, Verdict::kWrong},
      {false, 1000, Verdict::kWrong},
      {false, 1000, Verdict::kWrong},
      {false, 1000, Verdict::kWrong},
      {false, 1000, Verdict::kWrong},
      {false, 1000, Verdict::kWrong},
      {false, 1000, Verdict::kWrong},
      {false, 1000, Verdict::kWrong},
      {true, 1000, Verdict::kRight},  // a right code spends nothing
      {false, 1000, Verdict::kWrong},
      {false, 1000, Verdict::kBusy},  // spent: wrong or right, nothing is judged
      {true, 1199, Verdict::kBusy},
      {true, 1200, Verdict::kRight},  // one back after 200 ms
      {false, 1200, Verdict::kWrong},
      {false, 1399, Verdict::kBusy},
      {false, 1400, Verdict::kWrong},
      {false, 9000, Verdict::kWrong},  // a long quiet spell fills the store, no more
  };
  WrongCodeBudget budget;
  int row = 0;
  for (const auto& step : steps) {
    EXPECT_EQ(budget.Judge(step.right, step.at), step.expected) << "row " << row;
    ++row;
  }
  for (int n = 0; n < 9; ++n) {
    EXPECT_EQ(budget.Judge(false, 9000), Verdict::kWrong) << n;
  }
  EXPECT_EQ(budget.Judge(true, 9000), Verdict::kBusy);
}

TEST(WrongCodeBudget, RefillsAcrossTheClocksWrap) {
  WrongCodeBudget budget(5, 1);
  EXPECT_EQ(budget.Judge(false, 0xFFFFFFF0u), Verdict::kWrong);
  EXPECT_EQ(budget.Judge(false, 0xFFFFFFF0u), Verdict::kBusy);
  EXPECT_EQ(budget.Judge(true, 183), Verdict::kBusy);  // 199 ms on
  EXPECT_EQ(budget.Judge(true, 184), Verdict::kRight);
}

}  // namespace
}  // namespace torvelkan::net
