// The game's own time: one pass every 2 ms, each with its own tick, however
// the process is woken to run them.
#pragma once

#include <cstdint>

namespace torvelkan {

class PassSchedule {
 public:
  static constexpr std::int64_t kPassMicroseconds = 2000;
  // A frame goes to the screen after every fifth pass: 100 a second, each
  // showing the same 10 ms of motion.
  static constexpr int kPassesPerFrame = 5;
  // The passes of a frame run together when it is due, the first of them four
  // passes late by design. Behind by more than two passes beyond that (the
  // machine cannot run a pass in 2 ms, or the process was stopped), the loop
  // skips the passes missed rather than running them back to back, so that
  // the game keeps real time however slow the machine.
  static constexpr std::int64_t kLongestCatchUpMicroseconds =
      (kPassesPerFrame + 1) * kPassMicroseconds;

  // The first pass is due one period after `now` (microseconds on the loop's
  // monotonic clock), with the tick `firstTick` + 2.
  PassSchedule(std::uint32_t firstTick, std::int64_t now)
      : tick(firstTick), nextPassAt(now + kPassMicroseconds) {}

  // The tick of the pass being run: what the App reads as the time. Before
  // the first pass it is the starting tick.
  std::uint32_t Tick() const { return tick; }

  std::int64_t NextPassAt() const { return nextPassAt; }
  bool Due(std::int64_t now) const { return nextPassAt <= now; }
  // When the next pass that ends with a frame is due.
  std::int64_t NextFrameAt() const {
    return nextPassAt + (kPassesPerFrame - 1 - passes % kPassesPerFrame) * kPassMicroseconds;
  }

  // Starts the next pass: its tick is 2 ms after the one before. True when a
  // frame is shown after it.
  bool StartPass() {
    tick += static_cast<std::uint32_t>(kPassMicroseconds / 1000);
    nextPassAt += kPassMicroseconds;
    return ++passes % kPassesPerFrame == 0;
  }

  // Skips the passes missed once beyond the longest catch-up, so that the
  // next pass is due now; their time still passes for the game, in that
  // pass's elapsed time, as it would with a clock read.
  void SkipIfFarBehind(std::int64_t now) {
    if (now - nextPassAt > kLongestCatchUpMicroseconds) {
      const std::int64_t missed = (now - nextPassAt) / kPassMicroseconds;
      tick += static_cast<std::uint32_t>(missed * (kPassMicroseconds / 1000));
      nextPassAt += missed * kPassMicroseconds;
      passes += missed;
    }
  }

 private:
  std::uint32_t tick;
  std::int64_t nextPassAt;
  std::int64_t passes = 0;
};

}  // namespace torvelkan
