// The main menu: three entries in a box over bouncing dots.
#include "screens/main_menu.h"

#include "common/keys.h"
#include "screens/menu_box.h"

namespace torvelkan {
namespace {

constexpr const char* kEntries[MainMenu::kEntryCount] = {"Gra", "Informacje", "Wyjscie"};

// The box: its interior and the columns and rows of its edges.
constexpr int kBoxLeft = 30;
constexpr int kBoxRight = 50;
constexpr int kBoxTop = 20;
constexpr int kBoxBottom = 30;

constexpr std::uint16_t kFrameAttribute = 7;
constexpr std::uint16_t kTitleAttribute = 14;
constexpr std::uint16_t kSelectedAttribute = 15;
constexpr std::uint16_t kEntryAttribute = 7;

}  // namespace

MainMenu::MainMenu() {
  dots.reserve(kDotCount);
  for (int i = 0; i < kDotCount; ++i) {
    dots.push_back(RandomMenuDot());
  }
}

void MainMenu::Update(std::uint32_t /*now*/, std::uint32_t elapsed) {
  const float d = static_cast<float>(elapsed);
  const float g = 0.001f * d;  // gravity of 0.001 units per ms squared
  for (MenuDot& dot : dots) {
    MoveMenuDot(dot, d, g);
  }
}

void MainMenu::OnKey(std::uint16_t code) {
  switch (code) {
    case vk::kEnter:
    case vk::kSpace: chosen = true; break;
    case vk::kUp:
      selectedEntry = selectedEntry - 1 < 0 ? kEntryCount - 1 : selectedEntry - 1;
      break;
    case vk::kDown: selectedEntry = selectedEntry + 1 == kEntryCount ? 0 : selectedEntry + 1; break;
    default: break;
  }
}

void MainMenu::Render(ConsoleScreen& screen) {
  DrawDotsBehindBox(screen, dots, {kBoxLeft, kBoxRight, kBoxTop, kBoxBottom}, kFrameAttribute);

  screen.PutText(40, kBoxTop, "Torvelkan", kTitleAttribute, kAlignCenter);

  for (int i = 0; i < kEntryCount; ++i) {
    const int row = 23 + 2 * i;
    if (i == selectedEntry) {
      screen.PutCell(33, row, '>', kSelectedAttribute);
      screen.PutText(35, row, kEntries[i], kSelectedAttribute, kAlignLeft);
    } else {
      screen.PutText(35, row, kEntries[i], kEntryAttribute, kAlignLeft);
    }
  }
}

}  // namespace torvelkan
