// The main menu: three entries in a box over bouncing dots.
#include "screens/main_menu.h"

#include "common/keys.h"

namespace torvelkan {

void MainMenu::Update(std::uint32_t, std::uint32_t) {}

void MainMenu::OnKey(std::uint16_t code) {
  if (code == vk::kEnter || code == vk::kSpace) {
    chosen = true;
  } else if (code == vk::kUp) {
    selectedEntry = selectedEntry == 0 ? 2 : selectedEntry - 1;
  } else if (code == vk::kDown) {
    selectedEntry = selectedEntry == 2 ? 0 : selectedEntry + 1;
  }
}

void MainMenu::Render(ConsoleScreen& screen) {
  static const char* const entries[] = {"Gra", "Informacje", "Wyjscie"};
  for (int i = 0; i < 3; ++i) {
    screen.PutText(35, 23 + 2 * i, entries[i], i == selectedEntry ? 15 : 7, kAlignLeft);
  }
}

}  // namespace torvelkan
