// Who may try a room's code.
#include "arena/code_guard.h"

#include <algorithm>
#include <utility>

namespace torvelkan::arena {

CodeGuard::CodeGuard(std::uint32_t wrongCodesPerSecond, std::vector<std::string> unlimitedAddresses)
    : unlimited(std::move(unlimitedAddresses)), budget(wrongCodesPerSecond, wrongCodesPerSecond) {}

CodeGuard::Verdict CodeGuard::Judge(const std::string& address, bool codeRight, std::uint32_t now) {
  const bool limited = std::find(unlimited.begin(), unlimited.end(), address) == unlimited.end();
  // As on the host: an address that owes a wait is refused before the budget
  // is looked at, so its tries spend nothing other addresses may use.
  if (limited && perAddress.Waiting(address, now)) {
    return Verdict::kWait;
  }
  if (budget.Judge(codeRight, now) == net::WrongCodeBudget::Verdict::kBusy) {
    return Verdict::kWait;
  }
  if (!limited) {
    return codeRight ? Verdict::kRight : Verdict::kWrong;
  }
  return perAddress.Judge(address, codeRight, now);
}

}  // namespace torvelkan::arena
