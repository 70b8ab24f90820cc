// The half view: two rows of the grid in one row of a short console.
#include "console/half_view.h"

#include <algorithm>
#include <cstddef>

namespace torvelkan {
namespace {

// Character 0, the space and character 255 show nothing but the background.
bool ShowsCharacter(const Cell& cell) {
  const std::uint8_t character = CellChar(cell);
  return character != 0 && character != ' ' && character != 255;
}

int Foreground(const Cell& cell) { return CellAttribute(cell) & 0x0F; }
int Background(const Cell& cell) { return (CellAttribute(cell) >> 4) & 0x0F; }

// A line of a pattern or a frame on black.
bool IsLine(const Cell& cell) {
  const std::uint8_t character = CellChar(cell);
  return (character == '|' || character == '-') && Background(cell) == 0;
}

// A line with a body's coloured half beside it: the body is in front.
bool HiddenBehind(const Cell& line, bool otherInBody) { return IsLine(line) && otherInBody; }

Cell MakeCell(std::uint8_t character, int foreground, int background) {
  Cell cell{};
  cell.Char.UnicodeChar = character;
  cell.Attributes = static_cast<std::uint16_t>(foreground | (background << 4));
  return cell;
}

// The cell with only its colours among its attributes.
Cell WithColours(const Cell& cell) {
  return MakeCell(CellChar(cell), Foreground(cell), Background(cell));
}

const Cell& At(const CellGrid& grid, int row, int column) {
  return grid[static_cast<std::size_t>(row * kColumns + column)];
}

// The columns from `first` to `last` where one row of a pair is shown alone.
struct Stretch {
  int first = kColumns;
  int last = -1;
  bool upper = false;  // the row shown: the upper, else the lower
};

// Where the texts of two rows clash, holding different characters in one
// column (lines of a pattern or a frame aside), letters of both would make
// neither readable: one row is shown alone, at full height, over the columns
// from the first to the last character of either (the row with a character on a coloured
// background if only one has, else the lower). Rows whose texts never meet
// are both shown.
Stretch Clash(const CellGrid& grid, int top) {
  Stretch stretch;
  bool clash = false;
  bool colouredAbove = false;
  bool colouredBelow = false;
  for (int column = 0; column < kColumns; ++column) {
    const Cell& upper = At(grid, top, column);
    const Cell& lower = At(grid, top + 1, column);
    const bool upperShows = ShowsCharacter(upper);
    const bool lowerShows = ShowsCharacter(lower);
    if (upperShows || lowerShows) {
      stretch.first = std::min(stretch.first, column);
      stretch.last = column;
    }
    clash = clash || (upperShows && lowerShows && CellChar(upper) != CellChar(lower) &&
                      !IsLine(upper) && !IsLine(lower));
    colouredAbove = colouredAbove || (upperShows && Background(upper) != 0);
    colouredBelow = colouredBelow || (lowerShows && Background(lower) != 0);
  }
  if (!clash) {
    return Stretch{};
  }
  stretch.upper = colouredAbove && !colouredBelow;
  return stretch;
}

}  // namespace

bool InBody(const CellGrid& grid, int row, int column) {
  const Cell& cell = At(grid, row, column);
  if (ShowsCharacter(cell) || Background(cell) == 0) {
    return false;
  }
  return (column > 0 && Background(At(grid, row, column - 1)) != 0) ||
         (column + 1 < kColumns && Background(At(grid, row, column + 1)) != 0);
}

Cell HalfCell(const Cell& upper, bool upperInBody, const Cell& lower, bool lowerInBody) {
  const bool upperShows = ShowsCharacter(upper) && !HiddenBehind(upper, lowerInBody);
  const bool lowerShows = ShowsCharacter(lower) && !HiddenBehind(lower, upperInBody);
  if (upperShows && lowerShows) {
    const bool upperWins = Background(upper) != 0 && Background(lower) == 0;
    return WithColours(upperWins ? upper : lower);
  }
  if (upperShows || lowerShows) {
    return WithColours(upperShows ? upper : lower);
  }
  const int top = Background(upper);
  const int bottom = Background(lower);
  if (top == bottom) {
    return MakeCell(' ', 0, top);
  }
  if (top == 0) {
    return MakeCell(kLowerHalfBlock, bottom, 0);
  }
  return MakeCell(kUpperHalfBlock, top, bottom);
}

int DrawHalfView(const CellGrid& grid, int textFrom, int rows, CellGrid& picture) {
  textFrom = std::clamp(textFrom, 0, kRows);
  const int room = std::clamp(rows, 0, kRows);
  const Cell nothing{};
  int drawn = 0;
  for (int top = 0; top < textFrom && drawn < room; top += 2, ++drawn) {
    // Above text that starts on an odd row, the last row has no partner.
    const bool paired = top + 1 < textFrom;
    const Stretch alone = paired ? Clash(grid, top) : Stretch{};
    for (int column = 0; column < kColumns; ++column) {
      // A row shown alone fills both halves, at full height.
      const bool within = column >= alone.first && column <= alone.last;
      const int upperRow = within && !alone.upper ? top + 1 : top;
      const int lowerRow = within && alone.upper ? top : top + 1;
      const Cell& upper = At(grid, upperRow, column);
      const Cell& lower = paired ? At(grid, lowerRow, column) : nothing;
      // Whether a cell belongs to a body matters only beside a line.
      const bool line = IsLine(upper) || IsLine(lower);
      picture[static_cast<std::size_t>(drawn * kColumns + column)] =
          HalfCell(upper, line && InBody(grid, upperRow, column), lower,
                   line && paired && InBody(grid, lowerRow, column));
    }
  }
  for (int row = textFrom; row < kRows && drawn < room; ++row, ++drawn) {
    std::copy_n(&At(grid, row, 0), kColumns, &picture[static_cast<std::size_t>(drawn * kColumns)]);
  }
  return drawn;
}

int HalfViewTextRows(int textFrom, int rows) {
  textFrom = std::clamp(textFrom, 0, kRows);
  const int halved = (textFrom + 1) / 2;
  return std::clamp(std::min(rows, kRows) - halved, 0, kRows - textFrom);
}

}  // namespace torvelkan
