// Who may try a room's code: each address's own waits after wrong codes, and
// the host's budget of wrong codes across all addresses.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net/wrong_code_backoff.h"
#include "net/wrong_code_budget.h"

namespace torvelkan::arena {

class CodeGuard {
 public:
  using Verdict = net::WrongCodeBackoff::Verdict;

  // The budget judges wrongCodesPerSecond wrong codes a second and as many at
  // once. unlimited: addresses spared the waits per address, never the budget
  // (see ArenaSettings).
  CodeGuard(std::uint32_t wrongCodesPerSecond, std::vector<std::string> unlimited);

  // An address brings a code at now (milliseconds of a clock that may wrap):
  // kWait while it owes a wait or the budget is spent, whatever the code;
  // otherwise whether it is right. Only wrong codes spend the budget.
  Verdict Judge(const std::string& address, bool codeRight, std::uint32_t now);

 private:
  std::vector<std::string> unlimited;
  net::WrongCodeBackoff perAddress;
  net::WrongCodeBudget budget;
};

}  // namespace torvelkan::arena
