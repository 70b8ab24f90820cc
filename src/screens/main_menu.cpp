// The main menu: three entries in a box over bouncing dots.
#include "screens/main_menu.h"

#include "common/keys.h"
#include "common/world.h"

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
  for (const MenuDot& dot : dots) {
    screen.PutCell(WorldToColumn(dot.x), WorldToRow(dot.y), 'o', dot.attribute);
  }

  // The interior hides the dots behind the box; the corners are left out, so
  // a dot passing there stays visible.
  for (int column = kBoxLeft; column <= kBoxRight; ++column) {
    for (int row = kBoxTop; row <= kBoxBottom; ++row) {
      screen.PutCell(column, row, ' ', 0);
    }
  }
  for (int column = kBoxLeft; column <= kBoxRight; ++column) {
    screen.PutCell(column, kBoxTop - 1, '-', kFrameAttribute);
    screen.PutCell(column, kBoxBottom + 1, '-', kFrameAttribute);
  }
  for (int row = kBoxTop; row <= kBoxBottom; ++row) {
    screen.PutCell(kBoxLeft - 1, row, '|', kFrameAttribute);
    screen.PutCell(kBoxRight + 1, row, '|', kFrameAttribute);
  }

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
