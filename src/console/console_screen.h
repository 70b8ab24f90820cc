// The 80 x 50 frame grid with clipped writing, and the device that shows it.
#pragma once

#include <cstdint>
#include <string>

#include "console/console_device.h"
#include "console/console_types.h"

namespace torvelkan {

enum TextAlign : int { kAlignLeft = 0, kAlignCenter = 1, kAlignRight = 2 };

class ConsoleScreen {
 public:
  // The device must outlive the screen. The grid starts cleared.
  explicit ConsoleScreen(ConsoleDevice& device);
  ConsoleScreen(const ConsoleScreen&) = delete;
  ConsoleScreen& operator=(const ConsoleScreen&) = delete;

  // Character 0 and attribute 0 in every cell: an empty black screen.
  void Clear();

  // Writes one cell if it lies on the grid; anything off it is dropped.
  void PutCell(int column, int row, std::uint8_t character, std::uint16_t attribute) {
    if (column >= 0 && column < kColumns && row >= 0 && row < kRows) {
      Cell& cell = cells[static_cast<std::size_t>(row * kColumns + column)];
      cell.Char.UnicodeChar = character;
      cell.Attributes = attribute;
    }
  }

  // Writes a NUL-terminated text one byte a cell, clipped per character.
  // Alignment 1 centres it on the column (length / 2 to the left), 2 ends it
  // just before the column, anything else starts it there.
  void PutText(int column, int row, const char* text, std::uint16_t attribute, int alignment);

  // The same for a string, up to its first NUL.
  void PutText(int column, int row, const std::string& text, std::uint16_t attribute,
               int alignment) {
    PutText(column, row, text.c_str(), attribute, alignment);
  }

  void Present() {
    device.ShowTextFrom(textFrom);
    device.Present(cells);
  }
  bool HasInput() { return device.HasInput(); }
  void ReadInput(InputRecord& record) { device.ReadInput(record); }
  void SetTitle(const char* title) { device.SetTitle(title); }
  bool QuitRequested() { return device.QuitRequested(); }

  // This frame holds lines of text from the row down (until Clear): a console
  // too short for the grid shows them at full height rather than halved.
  void MarkText(int row) { textFrom = row; }
  // How many of those rows the console shows: a text scrolls by what is seen.
  int RowsShownFrom(int row) { return device.RowsShownFrom(row); }

  const CellGrid& Cells() const { return cells; }
  const Cell& At(int column, int row) const {
    return cells[static_cast<std::size_t>(row * kColumns + column)];
  }

 private:
  ConsoleDevice& device;
  CellGrid cells{};
  int textFrom = kRows;
};

}  // namespace torvelkan
