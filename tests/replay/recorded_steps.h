// What a recording holds, walked pass by pass the way a replay reads it: a
// plain list the tests compare.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "replay/recording.h"
#include "replay/replay_cursor.h"

namespace torvelkan::replay::testing {

// One tick read ("t1234") or one event ("d37" key down, "u37" up, "o16").
inline std::vector<std::string> RecordedSteps(const Recording& recording) {
  std::vector<std::string> steps;
  ReplayCursor cursor(recording);
  for (;;) {
    if (cursor.AtEvent()) {
      const InputRecord event = cursor.TakeEvent();
      if (IsKeyEvent(event)) {
        steps.push_back((IsKeyDown(event) ? "d" : "u") + std::to_string(KeyCode(event)));
      } else {
        steps.push_back("o" + std::to_string(event.EventType));
      }
    } else if (cursor.AtTick()) {
      steps.push_back("t" + std::to_string(cursor.TakeTick()));
    } else {
      return steps;
    }
  }
}

}  // namespace torvelkan::replay::testing
