// The 80 x 50 frame grid with clipped writing.
#include "console/console_screen.h"

#include <cstring>

namespace torvelkan {

ConsoleScreen::ConsoleScreen(ConsoleDevice& device) : device(device) { Clear(); }

void ConsoleScreen::Clear() {
  textFrom = kRows;
  for (Cell& cell : cells) {
    cell.Char.UnicodeChar = 0;
    cell.Attributes = 0;
  }
}

void ConsoleScreen::PutText(int column, int row, const char* text, std::uint16_t attribute,
                            int alignment) {
  const int length = static_cast<int>(std::strlen(text));
  int start = column;
  if (alignment == kAlignRight) {
    start = column - length;
  } else if (alignment == kAlignCenter) {
    start = column - length / 2;
  }
  for (int i = 0; i < length; ++i) {
    PutCell(start + i, row, static_cast<std::uint8_t>(text[i]), attribute);
  }
}

}  // namespace torvelkan
