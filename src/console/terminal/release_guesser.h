// Key releases for terminals that never report them.
//
// An ordinary terminal sends a key once when it goes down and again for each
// auto-repeat, and nothing when it comes up. So a key counts as held from its
// press until its repeats stop: a key pressed once is let go at most 700 ms
// later (auto-repeat delays are 250 to 660 ms), sooner once the first repeats
// have shown this keyboard's delay; a repeating key is let go 150 ms after its
// last repeat.
#pragma once

#include <cstdint>
#include <vector>

namespace torvelkan {

struct GuessedKeyEvent {
  std::uint16_t code = 0;
  bool down = false;
  friend bool operator==(const GuessedKeyEvent&, const GuessedKeyEvent&) = default;
};

class ReleaseGuesser {
 public:
  static constexpr std::uint32_t kTapHoldMs = 700;
  static constexpr std::uint32_t kRepeatHoldMs = 150;
  // A learnt delay is trusted with this much to spare.
  static constexpr std::uint32_t kDelayMarginMs = 80;
  // Repeats never start sooner than this; an earlier second press is a new tap.
  static constexpr std::uint32_t kShortestRepeatDelayMs = 150;

  // The terminal sent this key: a first press or an auto-repeat. Either is a
  // key-down of its own, as on the Windows console.
  void Press(std::uint16_t code, std::uint32_t now, std::vector<GuessedKeyEvent>& out);

  // Lets go of every key whose repeats have stopped.
  void Expire(std::uint32_t now, std::vector<GuessedKeyEvent>& out);

  // Lets go of everything at once (the terminal is being given away).
  void ReleaseAll(std::vector<GuessedKeyEvent>& out);

  bool AnyHeld() const { return !held.empty(); }
  std::uint32_t TapHoldMs() const;

 private:
  struct HeldKey {
    std::uint16_t code;
    std::uint32_t pressedAt;
    std::uint32_t lastAt;
    bool repeating;
  };
  std::vector<HeldKey> held;
  std::uint32_t longestDelaySeen = 0;  // 0 until a repeat has shown it
};

}  // namespace torvelkan
