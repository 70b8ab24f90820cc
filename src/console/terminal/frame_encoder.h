// Turns frames of the cell grid into terminal output, sending only what
// changed since the frame the terminal last received.
#pragma once

#include <cstdint>
#include <string>

#include "console/console_types.h"

namespace torvelkan {

class FrameEncoder {
 public:
  // Appends the bytes that turn the terminal's picture into `next`: cursor
  // moves, colour changes and glyphs. Only the visible area is sent.
  void Encode(const CellGrid& next, std::string& out);

  // The terminal's picture is unknown (cleared, resized, resumed): the next
  // Encode sends every visible cell.
  void Invalidate() { known = false; }

  // How much of the grid the terminal shows, at its top-left corner.
  void SetVisibleArea(int columns, int rows);

  // The SGR sequence for a console attribute: foreground in bits 0-3,
  // background in bits 4-7, each with bit 0 blue, 1 green, 2 red, 3 bright.
  static void AppendColours(std::uint16_t attribute, std::string& out);

 private:
  CellGrid shown{};
  bool known = false;
  int visibleColumns = kColumns;
  int visibleRows = kRows;
};

}  // namespace torvelkan
