// Key releases for terminals that never report them.
#include "console/terminal/release_guesser.h"

#include <algorithm>

namespace torvelkan {

std::uint32_t ReleaseGuesser::TapHoldMs() const {
  if (longestDelaySeen == 0) {
    return kTapHoldMs;
  }
  return std::min(kTapHoldMs, longestDelaySeen + kDelayMarginMs);
}

void ReleaseGuesser::Press(std::uint16_t code, std::uint32_t now,
                           std::vector<GuessedKeyEvent>& out) {
  Expire(now, out);
  auto key =
      std::find_if(held.begin(), held.end(), [code](const HeldKey& k) { return k.code == code; });
  if (key == held.end()) {
    held.push_back({code, now, now, false});
  } else {
    if (!key->repeating) {
      const std::uint32_t delay = now - key->pressedAt;
      if (delay >= kShortestRepeatDelayMs) {
        longestDelaySeen = std::max(longestDelaySeen, std::min(delay, kTapHoldMs));
      }
      key->repeating = true;
    }
    key->lastAt = now;
  }
  out.push_back({code, true});
}

void ReleaseGuesser::Expire(std::uint32_t now, std::vector<GuessedKeyEvent>& out) {
  const std::uint32_t tapHold = TapHoldMs();
  for (auto key = held.begin(); key != held.end();) {
    const std::uint32_t hold = key->repeating ? kRepeatHoldMs : tapHold;
    if (now - key->lastAt >= hold) {
      out.push_back({key->code, false});
      key = held.erase(key);
    } else {
      ++key;
    }
  }
}

void ReleaseGuesser::ReleaseAll(std::vector<GuessedKeyEvent>& out) {
  for (const HeldKey& key : held) {
    out.push_back({key.code, false});
  }
  held.clear();
}

}  // namespace torvelkan
