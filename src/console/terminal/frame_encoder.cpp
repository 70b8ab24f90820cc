// Turns frames of the cell grid into terminal output, sending only what
// changed since the frame the terminal last received.
#include "console/terminal/frame_encoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "console/terminal/cell_looks.h"
#include "console/terminal/cp437.h"
#include "console/terminal/terminal_colours.h"

namespace torvelkan {
namespace {

// Sending a frame one colour at a time is tried for at most this many pens:
// each costs a sweep over the changed cells.
constexpr int kMostPensByColour = 12;

}  // namespace

void FrameEncoder::AppendColours(std::uint16_t attribute, std::string& out) {
  out += "\x1b[";
  AppendColourParameter(attribute & 0x0F, false, false, out);
  out.push_back(';');
  AppendColourParameter((attribute >> 4) & 0x0F, true, false, out);
  out.push_back('m');
}

void FrameEncoder::AppendTrueColours(std::uint16_t attribute, std::string& out) {
  out += "\x1b[";
  AppendColourParameter(attribute & 0x0F, false, true, out);
  out.push_back(';');
  AppendColourParameter((attribute >> 4) & 0x0F, true, true, out);
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

void FrameEncoder::SetTrueColour(bool on) {
  if (on != trueColour) {
    trueColour = on;
    known = false;
  }
}

void FrameEncoder::MoveTo(const CellGrid& next, int row, int column, Pen& pen,
                          std::string& out) const {
  AppendMove(CheapestMove(next, row, column, pen, bareLineFeeds), next, row, column, pen, out);
  pen.row = row;
  pen.column = column;
}

void FrameEncoder::SetColours(const Cell& cell, Pen& pen, std::string& out) const {
  const int foreground = Foreground(cell);
  const int background = Background(cell);
  const bool newForeground = !IsBlank(cell) && foreground != pen.foreground;
  const bool newBackground = background != pen.background;
  if (!newForeground && !newBackground) {
    return;
  }
  out += "\x1b[";
  if (newForeground) {
    AppendColourParameter(foreground, false, trueColour, out);
    pen.foreground = foreground;
  }
  if (newBackground) {
    if (newForeground) {
      out.push_back(';');
    }
    AppendColourParameter(background, true, trueColour, out);
    pen.background = background;
  }
  out.push_back('m');
}

void FrameEncoder::SendCell(const CellGrid& next, int index, Pen& pen, std::string& out) const {
  const int row = index / kColumns;
  const int column = index % kColumns;
  MoveTo(next, row, column, pen, out);
  SetColours(next[static_cast<std::size_t>(index)], pen, out);
  out += Cp437Glyph(ShownChar(next[static_cast<std::size_t>(index)]));
  // Without line wrap the cursor stays on the last column after a glyph there
  // (or, in a wider terminal, goes on): its column is unknown.
  pen.column = column + 1 < visibleColumns ? column + 1 : -1;
}

void FrameEncoder::SendInOrder(const CellGrid& next, std::size_t begin, std::size_t end, Pen& pen,
                               std::string& out) const {
  for (std::size_t k = begin; k < end; ++k) {
    SendCell(next, changed[k], pen, out);
  }
}

// Sends the cells one colour at a time: first every cell the pen can draw as
// it is, in order, then the first cell left with its colours and every cell
// those colours draw, and so on. Where colours alternate this pays a few moves
// instead of a colour change a cell. Each round sends every cell of one
// colour, so there are at most as many rounds as colours.
void FrameEncoder::SendByColour(const CellGrid& next, std::size_t begin, std::size_t end, Pen& pen,
                                std::string& out) {
  std::fill(sent.begin() + static_cast<std::ptrdiff_t>(begin),
            sent.begin() + static_cast<std::ptrdiff_t>(end), char{0});
  SendRestByColour(next, begin, end, pen, out);
}

void FrameEncoder::SendRestByColour(const CellGrid& next, std::size_t begin, std::size_t end,
                                    Pen& pen, std::string& out) {
  bool any = true;
  while (any) {
    any = false;
    for (std::size_t k = begin; k < end; ++k) {
      const Cell& cell = next[static_cast<std::size_t>(changed[k])];
      const bool drawable = Background(cell) == pen.background &&
                            (IsBlank(cell) || Foreground(cell) == pen.foreground);
      if (sent[k] == 0 && drawable) {
        SendCell(next, changed[k], pen, out);
        sent[k] = 1;
        any = true;
      }
    }
    for (std::size_t k = begin; k < end && !any; ++k) {
      if (sent[k] == 0) {
        SendCell(next, changed[k], pen, out);
        sent[k] = 1;
        any = true;
      }
    }
  }
}

// The glyphs one colour at a time, as above, but each with the changed blanks
// around it, nearest first: where a thing moves, the cell it left is mostly
// beside the cell it took. The blanks left over go last.
void FrameEncoder::SendInPairs(const CellGrid& next, Pen& pen, std::string& out) {
  std::fill(sent.begin(), sent.end(), char{0});
  if (positionOf.empty()) {
    positionOf.assign(static_cast<std::size_t>(kCellCount), -1);
  }
  for (std::size_t k = 0; k < changed.size(); ++k) {
    positionOf[static_cast<std::size_t>(changed[k])] = static_cast<int>(k);
  }
  bool any = true;
  while (any) {
    any = false;
    for (std::size_t k = 0; k < changed.size(); ++k) {
      const Cell& cell = next[static_cast<std::size_t>(changed[k])];
      if (sent[k] == 0 && !IsBlank(cell) && Background(cell) == pen.background &&
          Foreground(cell) == pen.foreground) {
        SendCell(next, changed[k], pen, out);
        sent[k] = 1;
        SendBlanksBeside(next, changed[k], pen, out);
        any = true;
      }
    }
    for (std::size_t k = 0; k < changed.size() && !any; ++k) {
      if (sent[k] == 0 && !IsBlank(next[static_cast<std::size_t>(changed[k])])) {
        SendCell(next, changed[k], pen, out);
        sent[k] = 1;
        SendBlanksBeside(next, changed[k], pen, out);
        any = true;
      }
    }
  }
  SendRestByColour(next, 0, changed.size(), pen, out);
  for (const int index : changed) {
    positionOf[static_cast<std::size_t>(index)] = -1;
  }
}

void FrameEncoder::SendBlanksBeside(const CellGrid& next, int index, Pen& pen, std::string& out) {
  const int row = index / kColumns;
  const int column = index % kColumns;
  for (;;) {
    int best = -1;
    int bestCost = 0;
    for (int r = std::max(row - 1, 0); r <= std::min(row + 1, kRows - 1); ++r) {
      for (int c = std::max(column - 1, 0); c <= std::min(column + 1, kColumns - 1); ++c) {
        const int at = positionOf[static_cast<std::size_t>(r * kColumns + c)];
        if (at < 0 || sent[static_cast<std::size_t>(at)] != 0) {
          continue;
        }
        const Cell& cell = next[static_cast<std::size_t>(r * kColumns + c)];
        if (!IsBlank(cell) || Background(cell) != pen.background) {
          continue;
        }
        const int cost = CheapestMove(next, r, c, pen, bareLineFeeds).cost;
        if (best < 0 || cost < bestCost) {
          best = at;
          bestCost = cost;
        }
      }
    }
    if (best < 0) {
      return;
    }
    SendCell(next, changed[static_cast<std::size_t>(best)], pen, out);
    sent[static_cast<std::size_t>(best)] = 1;
  }
}

// Row by row, each row in order or one colour at a time, whichever is shorter.
void FrameEncoder::SendRows(const CellGrid& next, Pen& pen, std::string& out) {
  std::size_t begin = 0;
  while (begin < changed.size()) {
    const int row = changed[begin] / kColumns;
    std::size_t end = begin + 1;
    int colourChanges = 0;
    int background = Background(next[static_cast<std::size_t>(changed[begin])]);
    int foreground = -1;
    for (; end < changed.size() && changed[end] / kColumns == row; ++end) {
      const Cell& cell = next[static_cast<std::size_t>(changed[end])];
      const bool newForeground = !IsBlank(cell) && Foreground(cell) != foreground;
      colourChanges += Background(cell) != background || newForeground ? 1 : 0;
      background = Background(cell);
      foreground = newForeground ? Foreground(cell) : foreground;
    }
    if (colourChanges < 2) {
      SendInOrder(next, begin, end, pen, out);
    } else {
      Pen inOrderPen = pen;
      rowInOrder.clear();
      SendInOrder(next, begin, end, inOrderPen, rowInOrder);
      Pen byColourPen = pen;
      rowByColour.clear();
      SendByColour(next, begin, end, byColourPen, rowByColour);
      const bool byColour = rowByColour.size() < rowInOrder.size();
      out += byColour ? rowByColour : rowInOrder;
      pen = byColour ? byColourPen : inOrderPen;
    }
    begin = end;
  }
}

void FrameEncoder::Encode(const CellGrid& next, std::string& out) {
  if (!known) {
    terminalPen = Pen{};  // where the cursor stands and its colours: unknown
  }
  changed.clear();
  // The pens the changed cells need: a background, and a foreground unless
  // the cell is a blank.
  std::array<std::uint32_t, 17> pens{};
  for (int row = 0; row < visibleRows; ++row) {
    const auto first = static_cast<std::size_t>(row * kColumns);
    // Most rows are as they were, byte for byte: one comparison passes them.
    if (known && std::memcmp(&shown[first], &next[first],
                             static_cast<std::size_t>(visibleColumns) * sizeof(Cell)) == 0) {
      continue;
    }
    for (int column = 0; column < visibleColumns; ++column) {
      const int index = row * kColumns + column;
      if (!known || !LooksSame(shown[static_cast<std::size_t>(index)],
                               next[static_cast<std::size_t>(index)])) {
        changed.push_back(index);
        const Cell& cell = next[static_cast<std::size_t>(index)];
        pens[static_cast<std::size_t>(IsBlank(cell) ? 16 : Foreground(cell))] |=
            1u << Background(cell);
      }
    }
  }
  sent.resize(changed.size());
  // Row by row; and, where a few colours are scattered over the frame, one
  // colour at a time over the whole frame: whichever is shorter.
  Pen byRowsPen = terminalPen;
  frameByRows.clear();
  SendRows(next, byRowsPen, frameByRows);
  Pen byColourPen = terminalPen;
  frameByColour.clear();
  int colours = 0;
  for (const std::uint32_t backgrounds : pens) {
    colours += std::popcount(backgrounds);
  }
  if (colours >= 2 && colours <= kMostPensByColour && known) {
    SendByColour(next, 0, changed.size(), byColourPen, frameByColour);
  }
  Pen inPairsPen = terminalPen;
  frameInPairs.clear();
  if (colours >= 2 && colours <= kMostPensByColour && known) {
    SendInPairs(next, inPairsPen, frameInPairs);
  }
  const std::string* shortest = &frameByRows;
  const Pen* shortestPen = &byRowsPen;
  if (!frameByColour.empty() && frameByColour.size() < shortest->size()) {
    shortest = &frameByColour;
    shortestPen = &byColourPen;
  }
  if (!frameInPairs.empty() && frameInPairs.size() < shortest->size()) {
    shortest = &frameInPairs;
    shortestPen = &inPairsPen;
  }
  out += *shortest;
  terminalPen = *shortestPen;
  shown = next;
  known = true;
}

}  // namespace torvelkan
