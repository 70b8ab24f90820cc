// The waits after wrong join codes: doubling, capped, per address, across the
// clock's wrap, and forgotten for the oldest address once the table is full.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "net/wrong_code_backoff.h"

namespace torvelkan::net {
namespace {

using Verdict = WrongCodeBackoff::Verdict;

TEST(WrongCodeBackoff, EachWrongCodeAfterTheFirstDoublesTheWaitUpToAMinute) {
  const struct {
    const char* address;
    bool right;
    std::uint32_t at;
    Verdict expected;
  } steps[] = {
      {"a", false, 1000, Verdict::kWrong},  // the first slip is free
      {"a", false, 1000, Verdict::kWrong},  // 1 s
      {"a", true, 1999, Verdict::kWait},
      {"a", false, 1500, Verdict::kWait},  // a try in the wait is no slip
      {"b", false, 1999, Verdict::kWrong},
      {"b", true, 1999, Verdict::kRight},
      {"a", false, 2000, Verdict::kWrong},  // 2 s
      {"a", true, 3999, Verdict::kWait},
      {"a", false, 4000, Verdict::kWrong},   // 4 s
      {"a", false, 8000, Verdict::kWrong},   // 8 s
      {"a", false, 16000, Verdict::kWrong},  // 16 s
      {"a", false, 32000, Verdict::kWrong},  // 32 s
      {"a", false, 64000, Verdict::kWrong},  // 60 s, not 64
      {"a", false, 123999, Verdict::kWait},
      {"a", true, 124000, Verdict::kRight},   // and the slips are forgiven
      {"a", false, 124000, Verdict::kWrong},  // free again
      {"a", true, 124000, Verdict::kRight},
      {"c", false, 0xFFFFFF00u, Verdict::kWrong},
      {"c", false, 0xFFFFFF00u, Verdict::kWrong},  // 1 s, ending past the wrap at 744
      {"c", true, 100, Verdict::kWait},
      {"c", true, 743, Verdict::kWait},
      {"c", true, 744, Verdict::kRight},
  };
  WrongCodeBackoff backoff;
  int row = 0;
  for (const auto& step : steps) {
    EXPECT_EQ(backoff.Judge(step.address, step.right, step.at), step.expected) << "row " << row;
    ++row;
  }
}

TEST(WrongCodeBackoff, TheAddressSeenFirstIsForgottenWhenTheTableIsFull) {
  WrongCodeBackoff backoff;
  backoff.Judge("first", false, 0);
  backoff.Judge("first", false, 0);
  for (std::size_t n = 1; n < WrongCodeBackoff::kRememberedAddresses; ++n) {
    backoff.Judge("other" + std::to_string(n), true, 0);
  }
  EXPECT_EQ(backoff.Judge("first", true, 10), Verdict::kWait) << "still remembered";
  backoff.Judge("one too many", true, 10);
  EXPECT_EQ(backoff.Judge("first", true, 20), Verdict::kRight);
}

}  // namespace
}  // namespace torvelkan::net
