// Turns frames of the cell grid into terminal output, sending only what
// changed since the frame the terminal last received.
#include "console/terminal/frame_encoder.h"

#include <algorithm>
#include <string_view>

#include "console/terminal/cp437.h"

namespace torvelkan {
namespace {

// Two cells look the same when they show the same glyph in the same colours;
// character 0 and the blank look alike.
std::uint8_t ShownChar(const Cell& cell) {
  const std::uint8_t ch = CellChar(cell);
  return ch == 0 ? std::uint8_t{' '} : ch;
}

std::uint8_t ShownColours(const Cell& cell) {
  return static_cast<std::uint8_t>(CellAttribute(cell) & 0xFFu);
}

bool LooksSame(const Cell& a, const Cell& b) {
  return ShownChar(a) == ShownChar(b) && ShownColours(a) == ShownColours(b);
}

// The console numbers its colours blue, green, red; ANSI red, green, blue.
int AnsiColour(int console) { return ((console & 1) << 2) | (console & 2) | ((console & 4) >> 2); }

void AppendNumber(int value, std::string& out) {
  char digits[12];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value > 0);
  while (n > 0) {
    out.push_back(digits[--n]);
  }
}

void AppendMove(int row, int column, std::string& out) {
  out += "\x1b[";
  AppendNumber(row + 1, out);
  out.push_back(';');
  AppendNumber(column + 1, out);
  out.push_back('H');
}

// Unchanged cells shorter than this run are sent again rather than jumped.
constexpr int kLongestRewrittenGap = 4;

// Whether the cells of a row from `from` up to `to` can be sent again as they
// are: in the pen's colours, and each glyph one byte.
bool GapFitsThePen(const CellGrid& next, int row, int from, int to, int colours) {
  for (int c = from; c < to; ++c) {
    const Cell& cell = next[static_cast<std::size_t>(row * kColumns + c)];
    if (ShownColours(cell) != colours || ShownChar(cell) >= 128) {
      return false;
    }
  }
  return true;
}

}  // namespace

void FrameEncoder::AppendColours(std::uint16_t attribute, std::string& out) {
  const int foreground = attribute & 0x0F;
  const int background = (attribute >> 4) & 0x0F;
  out += "\x1b[";
  AppendNumber(((foreground & 8) != 0 ? 90 : 30) + AnsiColour(foreground), out);
  out.push_back(';');
  AppendNumber(((background & 8) != 0 ? 100 : 40) + AnsiColour(background), out);
  out.push_back('m');
}

void FrameEncoder::SetVisibleArea(int columns, int rows) {
  const int newColumns = std::clamp(columns, 0, kColumns);
  const int newRows = std::clamp(rows, 0, kRows);
  if (newColumns != visibleColumns || newRows != visibleRows) {
    visibleColumns = newColumns;
    visibleRows = newRows;
    known = false;
  }
}

void FrameEncoder::Encode(const CellGrid& next, std::string& out) {
  int colours = -1;    // what the terminal's pen holds: unknown at first
  int cursorRow = -1;  // where the next glyph lands: unknown at first
  int cursorColumn = -1;
  for (int row = 0; row < visibleRows; ++row) {
    for (int column = 0; column < visibleColumns; ++column) {
      const auto index = static_cast<std::size_t>(row * kColumns + column);
      if (known && LooksSame(shown[index], next[index])) {
        continue;
      }
      const int wanted = ShownColours(next[index]);
      const int gap = column - cursorColumn;
      const bool rewriteGap = row == cursorRow && gap > 0 && gap <= kLongestRewrittenGap &&
                              GapFitsThePen(next, row, cursorColumn, column, colours);
      if (rewriteGap) {
        for (int c = cursorColumn; c < column; ++c) {
          out += Cp437Glyph(ShownChar(next[static_cast<std::size_t>(row * kColumns + c)]));
        }
      } else if (row != cursorRow || column != cursorColumn) {
        AppendMove(row, column, out);
      }
      if (wanted != colours) {
        AppendColours(static_cast<std::uint16_t>(wanted), out);
        colours = wanted;
      }
      out += Cp437Glyph(ShownChar(next[index]));
      cursorRow = row;
      // Without line wrap the cursor stays on the last column after a glyph there.
      cursorColumn = column + 1 < kColumns ? column + 1 : -1;
    }
  }
  shown = next;
  known = true;
}

}  // namespace torvelkan
