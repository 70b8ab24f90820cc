// One fight between the blue and the red fighter.
#pragma once

#include <cstdint>

#include "console/console_screen.h"

namespace torvelkan {

class Match {
 public:
  explicit Match(bool aiEnabled) : aiEnabled(aiEnabled) {}
  void Update(std::uint32_t now, std::uint32_t elapsed);
  void OnKeyDown(std::uint16_t key);
  void OnKeyUp(std::uint16_t key);
  int EndState() const { return endState; }
  void Render(ConsoleScreen& screen);

  bool AiEnabled() const { return aiEnabled; }
  void SetAiEnabled(bool on) { aiEnabled = on; }

 private:
  int endState = 0;
  bool aiEnabled;
};

}  // namespace torvelkan
