// The main menu: three entries in a box over bouncing dots.
#pragma once

#include <cstdint>
#include <vector>

#include "console/console_screen.h"
#include "screens/menu_dot.h"

namespace torvelkan {

class MainMenu {
 public:
  static constexpr int kEntryCount = 3;
  static constexpr int kDotCount = 32;

  // The selection starts at the first entry; the dots are random.
  MainMenu();

  // Moves the dots by the elapsed time; now is not used.
  void Update(std::uint32_t now, std::uint32_t elapsed);

  // Up and Down move the selection round, Enter and Space choose.
  void OnKey(std::uint16_t code);

  // The selected entry once chosen (0 fight, 1 readme, 2 exit), else -1.
  int Choice() const { return chosen ? selectedEntry : -1; }

  void Render(ConsoleScreen& screen);

  // What tests look at; they may also place dots where they need them.
  int SelectedEntry() const { return selectedEntry; }
  std::vector<MenuDot>& Dots() { return dots; }

 private:
  std::int32_t selectedEntry = 0;
  bool chosen = false;
  std::vector<MenuDot> dots;
};

}  // namespace torvelkan
