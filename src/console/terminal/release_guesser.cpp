// Key releases for terminals that never report them.
#include "console/terminal/release_guesser.h"

#include <algorithm>

namespace torvelkan {

std::uint32_t ReleaseGuesser::TapHoldMs() const {
  if (style == GuessStyle::kShortTaps) {
    return intervalMs + kTapSlackMs;
  }
  if (longestDelaySeen == 0) {
    return kTapHoldMs;
  }
  return std::min(kTapHoldMs, longestDelaySeen + kDelayMarginMs);
}

std::uint32_t ReleaseGuesser::RepeatHoldMs() const {
  if (style == GuessStyle::kShortTaps && intervalSeen) {
    return 2 * intervalMs + kIntervalSlackMs;
  }
  return kRepeatHoldMs;
}

void ReleaseGuesser::LearnInterval(std::uint32_t gap) {
  const std::uint32_t clamped = std::clamp(gap, kShortestIntervalMs, kLongestIntervalMs);
  // One late repeat must not stretch every hold, nor one early one shorten it.
  intervalMs = intervalSeen ? (3 * intervalMs + clamped + 2) / 4 : clamped;
  intervalSeen = true;
}

void ReleaseGuesser::Press(std::uint16_t code, std::uint32_t now,
                           std::vector<GuessedKeyEvent>& out) {
  Expire(now, out);
  auto key =
      std::find_if(held.begin(), held.end(), [code](const HeldKey& k) { return k.code == code; });
  if (key == held.end()) {
    held.push_back({code, now, now, false});
  } else {
    if (style == GuessStyle::kShortTaps) {
      // Still held, so it came within a short hold of the last one: the
      // keyboard is repeating, and the gap is its interval.
      const std::uint32_t gap = now - key->lastAt;
      if (gap < kShortestRepeatDelayMs) {
        LearnInterval(gap);
      }
    } else if (!key->repeating) {
      const std::uint32_t delay = now - key->pressedAt;
      if (delay >= kShortestRepeatDelayMs) {
        longestDelaySeen = std::max(longestDelaySeen, std::min(delay, kTapHoldMs));
      }
    }
    key->repeating = true;
    key->lastAt = now;
  }
  out.push_back({code, true});
}

void ReleaseGuesser::Expire(std::uint32_t now, std::vector<GuessedKeyEvent>& out) {
  const std::uint32_t tapHold = TapHoldMs();
  const std::uint32_t repeatHold = RepeatHoldMs();
  for (auto key = held.begin(); key != held.end();) {
    const std::uint32_t hold = key->repeating ? repeatHold : tapHold;
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
