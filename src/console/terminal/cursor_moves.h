// The cost model of the cursor's moves: every way from where the cursor
// stands to a cell, what each costs in bytes, and the bytes of the cheapest.
#pragma once

#include <cstdint>
#include <string>

#include "console/console_types.h"

namespace torvelkan {

// Where the terminal's cursor stands and what its pen holds; -1 is unknown.
struct Pen {
  int row = -1;
  int column = -1;
  int foreground = -1;
  int background = -1;
};

struct CursorMove {
  // The ways to a cell: none, a full position, a step up or down and along,
  // line feeds and along, or a carriage return, line feeds and along.
  enum class Way : std::uint8_t { kNone, kPosition, kStep, kFeed, kReturn };
  // The ways along the row to the column: none, a step forward, the cells
  // between sent again, a step back, or the column itself.
  enum class Along : std::uint8_t { kNone, kForward, kRewrite, kBack, kColumn };

  Way way = Way::kNone;
  Along along = Along::kNone;
  int cost = 0;  // in bytes
};

// The cheapest move of the cursor to the cell at row and column of the
// terminal. Cells sent again on the way show `next`'s own glyphs in colours
// checked to be theirs, so the result is right even where they have not been
// sent yet. `bareLineFeeds`: a line feed alone moves down and keeps the column.
CursorMove CheapestMove(const CellGrid& next, int row, int column, const Pen& pen,
                        bool bareLineFeeds);

// Appends the bytes of that move from where the pen stands.
void AppendMove(const CursorMove& move, const CellGrid& next, int row, int column, const Pen& pen,
                std::string& out);

}  // namespace torvelkan
