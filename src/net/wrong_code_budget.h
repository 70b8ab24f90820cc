// How many join codes the host judges in all, whatever addresses they come
// from: a budget that refills at a steady pace, up to a small store.
#pragma once

#include <cstdint>

namespace torvelkan::net {

// Per address, wrong codes are slowed by the backoff; an attacker with many
// addresses is slowed by this. Only wrong codes spend from it, but no code at
// all is judged while it is spent: were right codes still judged then, a
// guess beyond the budget could still get in. So a player who comes while a
// flood keeps it spent is refused unjudged, and their next try is judged once
// the budget has refilled by one before the flood's next wrong code.
class WrongCodeBudget {
 public:
  enum class Verdict { kBusy, kWrong, kRight };

  // Five wrong codes a second in all: a guess in a whole day of flood has a
  // chance of about 1 in 2 million against the eight characters of 31. Up to
  // ten at once, so that a few typos after a quiet spell are all judged.
  static constexpr std::uint32_t kPerSecond = 5;
  static constexpr std::uint32_t kStore = 10;

  WrongCodeBudget() = default;
  WrongCodeBudget(std::uint32_t perSecond, std::uint32_t store)
      : perSecond(perSecond), store(store) {}

  // A code comes at now (milliseconds of a clock that may wrap). kBusy while
  // the budget is spent, whatever the code; otherwise the code is judged, and
  // a wrong one spends one from the budget.
  Verdict Judge(bool codeRight, std::uint32_t now);

 private:
  static constexpr std::uint64_t kOne = 1000;  // one code, in thousandths

  std::uint32_t perSecond = kPerSecond;
  std::uint32_t store = kStore;
  std::uint64_t credit = 0;  // in thousandths of a code; filled at the first call
  std::uint32_t last = 0;
  bool started = false;
};

}  // namespace torvelkan::net
