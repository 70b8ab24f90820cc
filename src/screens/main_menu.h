// The main menu: three entries in a box over bouncing dots.
#pragma once

#include <cstdint>

#include "console/console_screen.h"

namespace torvelkan {

class MainMenu {
 public:
  MainMenu() = default;
  void Update(std::uint32_t now, std::uint32_t elapsed);
  void OnKey(std::uint16_t code);
  int Choice() const { return chosen ? selectedEntry : -1; }
  void Render(ConsoleScreen& screen);

 private:
  int selectedEntry = 0;
  bool chosen = false;
};

}  // namespace torvelkan
