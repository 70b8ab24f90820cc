// A terminal screen in memory that interprets, strictly, the few sequences
// the frame encoder may send (cursor position, forward, down and column
// and back moves, up and down moves, backspace, carriage return, line feed, SGR colours,
// synchronized-output marks) and UTF-8 glyphs, with line wrap off as the terminal device sets it.
// Anything else fails the test that fed it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "console/console_types.h"
#include "console/terminal/cp437.h"

namespace torvelkan::testing {

class ScreenModel {
 public:
  struct Colour {
    int index = -1;  // 0-15 in ANSI order (red 1, blue 4), or -1 for 24-bit
    int rgb = -1;    // 0xRRGGBB for 24-bit
    bool operator==(const Colour&) const = default;
  };
  struct Cell {
    std::string glyph = " ";
    Colour foreground;
    Colour background;
  };

  explicit ScreenModel(int columns = kColumns, int rows = kRows)
      : columns(columns), rows(rows), cells(static_cast<std::size_t>(columns * rows)) {}

  const Cell& At(int column, int row) const {
    return cells[static_cast<std::size_t>(row * columns + column)];
  }

  // Feeds bytes; returns false (with a gtest failure) at the first byte it
  // does not understand.
  bool Feed(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
      const auto byte = static_cast<unsigned char>(bytes[i]);
      const bool fed = byte == 0x1b                  ? Csi(bytes, i)
                       : byte < 0x20 || byte == 0x7f ? Control(byte, i)
                                                     : Glyph(bytes, i);
      if (!fed) {
        return false;
      }
    }
    return true;
  }

  int Row() const { return row; }
  int Column() const { return column; }
  int synchronizedBegins = 0;
  int synchronizedEnds = 0;

 private:
  bool Control(unsigned char byte, std::size_t& i) {
    if (byte == '\n' && row + 1 >= rows) {
      ADD_FAILURE() << "a line feed on the last row would scroll, at " << i;
      return false;
    }
    if (byte == '\r') {
      column = 0;
    } else if (byte == '\b') {
      column = std::max(column - 1, 0);
    } else if (byte == '\n') {
      ++row;
    } else {
      ADD_FAILURE() << "control byte " << int{byte} << " at " << i;
      return false;
    }
    ++i;
    return true;
  }

  bool Glyph(std::string_view bytes, std::size_t& i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    const std::size_t length = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
    if (i + length > bytes.size()) {
      ADD_FAILURE() << "a glyph cut short at " << i;
      return false;
    }
    Put(std::string(bytes.substr(i, length)));
    i += length;
    return true;
  }

  void Put(const std::string& glyph) {
    if (row >= 0 && row < rows && column >= 0 && column < columns) {
      Cell& cell = cells[static_cast<std::size_t>(row * columns + column)];
      cell.glyph = glyph;
      cell.foreground = pen.foreground;
      cell.background = pen.background;
    }
    // Without line wrap the cursor stays on the last column.
    column = std::min(column + 1, columns - 1);
  }

  static std::vector<int> Parameters(std::string_view text) {
    std::vector<int> numbers;
    int value = -1;
    for (const char c : text) {
      if (c == ';') {
        numbers.push_back(value);
        value = -1;
      } else {
        value = (value < 0 ? 0 : value * 10) + (c - '0');
      }
    }
    numbers.push_back(value);
    return numbers;
  }

  bool Csi(std::string_view bytes, std::size_t& i) {
    if (i + 2 >= bytes.size() || bytes[i + 1] != '[') {
      ADD_FAILURE() << "an escape that is not a CSI at " << i;
      return false;
    }
    std::size_t end = i + 2;
    const bool privateMode = bytes[end] == '?';
    if (privateMode) {
      ++end;
    }
    const std::size_t first = end;
    while (end < bytes.size() && ((bytes[end] >= '0' && bytes[end] <= '9') || bytes[end] == ';')) {
      ++end;
    }
    if (end >= bytes.size()) {
      ADD_FAILURE() << "a CSI cut short at " << i;
      return false;
    }
    const std::vector<int> p = Parameters(bytes.substr(first, end - first));
    const char final = bytes[end];
    const std::size_t at = i;
    i = end + 1;
    if (privateMode) {
      if (p.size() == 1 && p[0] == 2026 && (final == 'h' || final == 'l')) {
        (final == 'h' ? synchronizedBegins : synchronizedEnds)++;
        return true;
      }
      ADD_FAILURE() << "an unexpected private mode at " << at;
      return false;
    }
    if (final == 'm') {
      return Sgr(p, at);
    }
    if (!Move(final, p)) {
      ADD_FAILURE() << "an unexpected CSI ending in '" << final << "' at " << at;
      return false;
    }
    return true;
  }

  // CUP (H, one or two numbers); CUU, CUD, CUF, CUB and CHA (A, B, C, D, G).
  bool Move(char final, const std::vector<int>& p) {
    auto count = [&p](std::size_t k) { return k < p.size() && p[k] > 0 ? p[k] : 1; };
    if (final == 'H' && p.size() <= 2) {
      row = std::min(count(0), rows) - 1;
      column = std::min(count(1), columns) - 1;
      return true;
    }
    if (p.size() != 1) {
      return false;
    }
    switch (final) {
      case 'A': row = std::max(row - count(0), 0); return true;
      case 'B': row = std::min(row + count(0), rows - 1); return true;
      case 'C': column = std::min(column + count(0), columns - 1); return true;
      case 'D': column = std::max(column - count(0), 0); return true;
      case 'G': column = std::min(count(0), columns) - 1; return true;
      default: return false;
    }
  }

  bool Sgr(const std::vector<int>& p, std::size_t at) {
    for (std::size_t k = 0; k < p.size(); ++k) {
      const int v = p[k];
      if (v >= 30 && v <= 37) {
        pen.foreground = {v - 30, -1};
      } else if (v >= 90 && v <= 97) {
        pen.foreground = {v - 90 + 8, -1};
      } else if (v >= 40 && v <= 47) {
        pen.background = {v - 40, -1};
      } else if (v >= 100 && v <= 107) {
        pen.background = {v - 100 + 8, -1};
      } else if ((v == 38 || v == 48) && k + 4 < p.size() && p[k + 1] == 2) {
        const int rgb = (p[k + 2] << 16) | (p[k + 3] << 8) | p[k + 4];
        (v == 38 ? pen.foreground : pen.background) = {-1, rgb};
        k += 4;
      } else {
        ADD_FAILURE() << "an unexpected SGR parameter " << v << " at " << at;
        return false;
      }
    }
    return true;
  }

  int columns;
  int rows;
  std::vector<Cell> cells;
  int row = 0;
  int column = 0;
  struct {
    Colour foreground;
    Colour background;
  } pen;
};

// Fails unless every visible cell of the model shows the grid's cell: its
// glyph, its background and, unless it is a blank, its foreground, in the
// terminal's palette or as the console's own 24-bit colours.
inline void ExpectScreenShows(const ScreenModel& model, const CellGrid& grid, int columns, int rows,
                              bool trueColour, const std::string& where) {
  // Console colour numbers count blue, green, red; ANSI red, green, blue.
  constexpr std::array<int, 8> kAnsi = {0, 4, 2, 6, 1, 5, 3, 7};
  constexpr std::array<int, 16> kRgb = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080,
                                        0x808000, 0xC0C0C0, 0x808080, 0x0000FF, 0x00FF00, 0x00FFFF,
                                        0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
  auto colour = [&](int console) {
    return trueColour ? ScreenModel::Colour{-1, kRgb[static_cast<std::size_t>(console)]}
                      : ScreenModel::Colour{
                            kAnsi[static_cast<std::size_t>(console & 7)] + (console & 8), -1};
  };
  int wrong = 0;
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < columns; ++column) {
      const Cell& cell = grid[static_cast<std::size_t>(row * kColumns + column)];
      const ScreenModel::Cell& shown = model.At(column, row);
      const std::string glyph(Cp437Glyph(CellChar(cell)));
      const bool blank = glyph == " ";
      const int attribute = CellAttribute(cell);
      const bool same = shown.glyph == glyph && shown.background == colour((attribute >> 4) & 15) &&
                        (blank || shown.foreground == colour(attribute & 15));
      if (!same && ++wrong <= 3) {
        ADD_FAILURE() << where << ": cell " << column << "," << row << " shows '" << shown.glyph
                      << "' instead of '" << glyph << "' in " << attribute;
      }
    }
  }
  EXPECT_EQ(wrong, 0) << where;
}

}  // namespace torvelkan::testing
