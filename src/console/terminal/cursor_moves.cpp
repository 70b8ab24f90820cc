// The cost model of the cursor's moves.
#include "console/terminal/cursor_moves.h"

#include <cstddef>

#include "console/terminal/cell_looks.h"
#include "console/terminal/sequence_numbers.h"

namespace torvelkan {
namespace {

using Way = CursorMove::Way;
using Along = CursorMove::Along;

// Up to this many columns back, backspaces are sent rather than a sequence.
constexpr int kMostBackspaces = 3;

// The longest run of unchanged cells sent again rather than stepped over: a
// full position costs at most 8 bytes.
constexpr int kLongestRewrite = 8;

// A control sequence with one number, left out where it is the default 1.
void AppendCsi(int count, char final, std::string& out) {
  out += "\x1b[";
  if (count != 1) {
    AppendNumber(count, out);
  }
  out.push_back(final);
}

int CsiCost(int count) { return 3 + (count != 1 ? Digits(count) : 0); }

int PositionCost(int row, int column) {
  return row == 0 && column == 0 ? 3
                                 : 3 + Digits(row + 1) + (column > 0 ? 1 + Digits(column + 1) : 0);
}

void AppendPosition(int row, int column, std::string& out) {
  out += "\x1b[";
  if (row != 0 || column != 0) {
    AppendNumber(row + 1, out);
    if (column > 0) {
      out.push_back(';');
      AppendNumber(column + 1, out);
    }
  }
  out.push_back('H');
}

// Whether the cells of a row from `from` up to `to` can be sent again as they
// are, in the pen's colours, one byte each.
bool CanRewrite(const CellGrid& next, int row, int from, int to, int foreground, int background) {
  if (to - from > kLongestRewrite || background < 0) {
    return false;
  }
  for (int c = from; c < to; ++c) {
    const Cell& cell = next[static_cast<std::size_t>(row * kColumns + c)];
    const std::uint8_t ch = ShownChar(cell);
    if (ch < 32 || ch >= 127 || Background(cell) != background ||
        (ch != ' ' && Foreground(cell) != foreground)) {
      return false;
    }
  }
  return true;
}

void AppendRewrite(const CellGrid& next, int row, int from, int to, std::string& out) {
  for (int c = from; c < to; ++c) {
    out.push_back(static_cast<char>(ShownChar(next[static_cast<std::size_t>(row * kColumns + c)])));
  }
}

struct AlongRow {
  Along along = Along::kNone;
  int cost = 0;
};

// `from` is -1 where the cursor's column is unknown.
AlongRow CheapestAlong(const CellGrid& next, int row, int from, int to, int foreground,
                       int background) {
  if (to == from) {
    return {};
  }
  AlongRow best{Along::kColumn, 3 + (to > 0 ? Digits(to + 1) : 0)};
  if (from >= 0 && to > from) {
    if (CsiCost(to - from) < best.cost) {
      best = {Along::kForward, CsiCost(to - from)};
    }
    if (to - from < best.cost && CanRewrite(next, row, from, to, foreground, background)) {
      best = {Along::kRewrite, to - from};
    }
  } else if (from >= 0) {
    // A backspace moves one column back: a few of them beat a sequence.
    const int back = from - to <= kMostBackspaces ? from - to : CsiCost(from - to);
    if (back < best.cost) {
      best = {Along::kBack, back};
    }
  }
  return best;
}

void AppendAlong(Along along, const CellGrid& next, int row, int from, int to, std::string& out) {
  switch (along) {
    case Along::kNone: break;
    case Along::kForward: AppendCsi(to - from, 'C', out); break;
    case Along::kRewrite: AppendRewrite(next, row, from, to, out); break;
    case Along::kBack:
      if (from - to <= kMostBackspaces) {
        out.append(static_cast<std::size_t>(from - to), '\b');
      } else {
        AppendCsi(from - to, 'D', out);
      }
      break;
    case Along::kColumn: AppendCsi(to + 1, 'G', out); break;
  }
}

}  // namespace

// Picks the shortest of: a full position; a step up or down (or none) and a
// way along the row; line feeds and a way along the row; a carriage return,
// line feeds and a way along the row.
CursorMove CheapestMove(const CellGrid& next, int row, int column, const Pen& pen,
                        bool bareLineFeeds) {
  if (pen.row == row && pen.column == column) {
    return {Way::kNone, Along::kNone, 0};
  }
  CursorMove best{Way::kPosition, Along::kNone, PositionCost(row, column)};
  if (pen.row >= 0) {
    const int vertical = row - pen.row;
    const AlongRow fromHere =
        CheapestAlong(next, row, pen.column, column, pen.foreground, pen.background);
    const int cost =
        (vertical != 0 ? CsiCost(vertical > 0 ? vertical : -vertical) : 0) + fromHere.cost;
    if (cost < best.cost) {
      best = {Way::kStep, fromHere.along, cost};
    }
    // Line feeds stay on the screen: the target row is a row of the terminal.
    if (bareLineFeeds && vertical > 0 && vertical + fromHere.cost < best.cost) {
      best = {Way::kFeed, fromHere.along, vertical + fromHere.cost};
    }
    const AlongRow fromStart = CheapestAlong(next, row, 0, column, pen.foreground, pen.background);
    if (vertical >= 0 && 1 + vertical + fromStart.cost < best.cost) {
      best = {Way::kReturn, fromStart.along, 1 + vertical + fromStart.cost};
    }
  }
  return best;
}

void AppendMove(const CursorMove& move, const CellGrid& next, int row, int column, const Pen& pen,
                std::string& out) {
  switch (move.way) {
    case Way::kNone: break;
    case Way::kPosition: AppendPosition(row, column, out); break;
    case Way::kStep:
      if (row != pen.row) {
        AppendCsi(row > pen.row ? row - pen.row : pen.row - row, row > pen.row ? 'B' : 'A', out);
      }
      AppendAlong(move.along, next, row, pen.column, column, out);
      break;
    case Way::kFeed:
      out.append(static_cast<std::size_t>(row - pen.row), '\n');
      AppendAlong(move.along, next, row, pen.column, column, out);
      break;
    case Way::kReturn:
      out.push_back('\r');
      out.append(static_cast<std::size_t>(row - pen.row), '\n');
      AppendAlong(move.along, next, row, 0, column, out);
      break;
  }
}

}  // namespace torvelkan
