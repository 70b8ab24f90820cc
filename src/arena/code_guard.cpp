// Who may try a room's code.
#include "arena/code_guard.h"

#include <algorithm>
#include <utility>

namespace torvelkan::arena {

CodeGuard::CodeGuard(std::uint32_t wrongCodesPerSecond, std::vector<std::string> unlimitedAddresses)
    : budget(wrongCodesPerSecond), unlimited(std::move(unlimitedAddresses)) {}

CodeGuard::Verdict CodeGuard::Judge(const std::string& address, bool codeRight, std::uint32_t now) {
  if (now - secondStart >= 1000) {
    secondStart = now;
    wrongThisSecond = 0;
  }
  if (wrongThisSecond >= budget) {
    return Verdict::kWait;
  }
  const bool limited = std::find(unlimited.begin(), unlimited.end(), address) == unlimited.end();
  const Verdict verdict = limited     ? perAddress.Judge(address, codeRight, now)
                          : codeRight ? Verdict::kRight
                                      : Verdict::kWrong;
  if (verdict == Verdict::kWrong) {
    ++wrongThisSecond;
  }
  return verdict;
}

}  // namespace torvelkan::arena
