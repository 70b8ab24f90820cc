// Who may try a room's code: each address's own waits after wrong codes, and
// a budget of wrong codes across all addresses.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net/wrong_code_backoff.h"

namespace torvelkan::arena {

class CodeGuard {
 public:
  using Verdict = net::WrongCodeBackoff::Verdict;

  // unlimited: addresses judged by the budget alone (see ArenaSettings).
  CodeGuard(std::uint32_t wrongCodesPerSecond, std::vector<std::string> unlimited);

  // An address brings a code at now (milliseconds of a clock that may wrap):
  // kWait while the budget of this second is spent or the address owes a
  // wait, whatever the code; otherwise whether it is right. Only wrong codes
  // spend the budget.
  Verdict Judge(const std::string& address, bool codeRight, std::uint32_t now);

 private:
  std::uint32_t budget;
  std::vector<std::string> unlimited;
  net::WrongCodeBackoff perAddress;
  std::uint32_t secondStart = 0;
  std::uint32_t wrongThisSecond = 0;
};

}  // namespace torvelkan::arena
