// The real App on the memory device, driven by a clock the test moves.
#pragma once

#include <cstdint>

#include "app/app.h"
#include "app/main_loop.h"
#include "console/console_screen.h"
#include "console/memory_device.h"

namespace torvelkan::testing {

// The loop's own pass period on the scripted clock, which counts milliseconds:
// the game moves gravity, shots and debris once a pass, so tests run at the
// game's real speed only with this step.
static_assert(kPassPeriodMicroseconds % 1000 == 0, "the scripted clock counts whole milliseconds");
inline constexpr std::uint32_t kPassMs = static_cast<std::uint32_t>(kPassPeriodMicroseconds / 1000);

struct ScriptedGame {
  explicit ScriptedGame(std::uint32_t startTick = 1000) : now(startTick) {}

  // One pass of the main loop after the clock moved on by ms; true = ended.
  bool Pass(std::uint32_t ms = kPassMs) {
    now += ms;
    return RunPass(screen, app);
  }

  // Passes of ms each until totalMs have gone by; true if the program ended.
  bool Run(std::uint32_t totalMs, std::uint32_t ms = kPassMs) {
    for (std::uint32_t t = 0; t < totalMs; t += ms) {
      if (Pass(ms)) {
        return true;
      }
    }
    return false;
  }

  // Key-down and key-up, one pass each.
  bool Press(std::uint16_t key, std::uint32_t ms = kPassMs) {
    device.PushKey(key);
    return Pass(ms) || Pass(ms);
  }

  std::string Row(int row) const { return device.RowText(row); }

  std::uint32_t now;
  MemoryDevice device;
  ConsoleScreen screen{device};
  App app{screen, [this] { return now; }};
};

}  // namespace torvelkan::testing
