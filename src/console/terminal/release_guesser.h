// Key releases for terminals that never report them.
//
// An ordinary terminal sends a key once when it goes down and again for each
// auto-repeat, and nothing when it comes up. Two ways to guess:
//
// Short taps (the usual): a key with no repeat yet is let go about one repeat
// interval after its press, so a tap is a short step and the fighter stops
// soon after the real release; a repeating key stays down until about two of
// this keyboard's repeat intervals (learnt from the repeats) after its last
// repeat. A held key therefore walks a step, waits for the keyboard's repeat
// delay and walks on.
//
// Smooth holds (an option): a key pressed once is held through the whole
// repeat delay, at most 700 ms (sooner once the first repeats have shown this
// keyboard's delay), and a repeating key 150 ms after its last repeat. Holds
// never stutter, but a tap walks on for most of a second.
#pragma once

#include <cstdint>
#include <vector>

namespace torvelkan {

struct GuessedKeyEvent {
  std::uint16_t code = 0;
  bool down = false;
  friend bool operator==(const GuessedKeyEvent&, const GuessedKeyEvent&) = default;
};

enum class GuessStyle : std::uint8_t { kShortTaps, kSmoothHolds };

class ReleaseGuesser {
 public:
  // Smooth holds.
  static constexpr std::uint32_t kTapHoldMs = 700;
  static constexpr std::uint32_t kRepeatHoldMs = 150;
  // A learnt delay is trusted with this much to spare.
  static constexpr std::uint32_t kDelayMarginMs = 80;
  // Repeats never start sooner than this; an earlier second press is a new tap.
  static constexpr std::uint32_t kShortestRepeatDelayMs = 150;

  // Short taps. Keyboards repeat 20 to 33 times a second by default; until
  // this one's repeats have been seen, its interval is taken to be 50 ms.
  static constexpr std::uint32_t kAssumedIntervalMs = 50;
  static constexpr std::uint32_t kShortestIntervalMs = 15;
  static constexpr std::uint32_t kLongestIntervalMs = 100;
  // Room for a terminal (or tmux) that passes the repeats on unevenly: a
  // little for a tap, which must stay short, more between repeats.
  static constexpr std::uint32_t kTapSlackMs = 10;
  static constexpr std::uint32_t kIntervalSlackMs = 20;

  ReleaseGuesser() = default;
  explicit ReleaseGuesser(GuessStyle chosen) : style(chosen) {}

  // The terminal sent this key: a first press or an auto-repeat. Either is a
  // key-down of its own, as on the Windows console.
  void Press(std::uint16_t code, std::uint32_t now, std::vector<GuessedKeyEvent>& out);

  // Lets go of every key whose repeats have stopped.
  void Expire(std::uint32_t now, std::vector<GuessedKeyEvent>& out);

  // Lets go of everything at once (the terminal is being given away).
  void ReleaseAll(std::vector<GuessedKeyEvent>& out);

  bool AnyHeld() const { return !held.empty(); }
  // How long a key with no repeat yet, and a repeating key, stay down.
  std::uint32_t TapHoldMs() const;
  std::uint32_t RepeatHoldMs() const;
  // This keyboard's repeat interval as learnt so far.
  std::uint32_t RepeatIntervalMs() const { return intervalMs; }

 private:
  struct HeldKey {
    std::uint16_t code;
    std::uint32_t pressedAt;
    std::uint32_t lastAt;
    bool repeating;
  };
  void LearnInterval(std::uint32_t gap);

  GuessStyle style = GuessStyle::kShortTaps;
  std::vector<HeldKey> held;
  std::uint32_t longestDelaySeen = 0;  // 0 until a repeat has shown it
  std::uint32_t intervalMs = kAssumedIntervalMs;
  bool intervalSeen = false;
};

}  // namespace torvelkan
