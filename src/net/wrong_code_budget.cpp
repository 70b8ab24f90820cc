// How many join codes the host judges in all, whatever addresses they come from.
#include "net/wrong_code_budget.h"

#include <algorithm>

namespace torvelkan::net {

WrongCodeBudget::Verdict WrongCodeBudget::Judge(bool codeRight, std::uint32_t now) {
  const std::uint64_t full = kOne * store;
  if (!started) {
    started = true;
    credit = full;
  } else {
    // Each millisecond brings perSecond thousandths; measured as an age, the
    // gap is right across the clock's wrap.
    const std::uint64_t gap = now - last;
    credit = std::min(full, credit + gap * perSecond);
  }
  last = now;
  if (credit < kOne) {
    return Verdict::kBusy;
  }
  if (codeRight) {
    return Verdict::kRight;
  }
  credit -= kOne;
  return Verdict::kWrong;
}

}  // namespace torvelkan::net
